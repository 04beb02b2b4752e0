// The correlations the analyses of a distance matrix report: Pearson's r of two series, and the
// ranks Spearman's r correlates instead of the values.
#pragma once

#include <vector>

namespace marbleset {

// Pearson's product-moment correlation of x and y (the same length, at least two); NaN when
// either series is constant.
double PearsonCorrelation(const std::vector<double>& x, const std::vector<double>& y);

// The rank of each value from 1, values that tie sharing the mean of their ranks.
std::vector<double> AverageRanks(const std::vector<double>& values);

// values less their mean.
std::vector<double> Centred(std::vector<double> values);

}  // namespace marbleset
