// Analysis of molecular variance (Excoffier, Smouse and Quattro 1992) of a distance matrix over
// populations, and optionally over regions that group the populations: degrees of freedom,
// sums of squared deviations, mean squares, variance components and Phi statistics, each
// component tested by permutations.
//
// The squared distances take the place of squared Euclidean distances, as the method defines
// them: the sum of squared deviations of a set of m OTUs is the sum of its squared pairwise
// distances over m. A matrix that already holds squared distances is given as its square root.
//
// The tests permute what the component's level leaves free: OTUs among all populations for the
// within-population component and Phi-ST, OTUs among the populations of their region for the
// among-populations-within-regions component and Phi-SC, whole populations among regions (each
// region keeping its number of populations) for the among-regions component and Phi-CT.
// Without regions the among-populations component and Phi-ST use the OTUs' permutations.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "dataset/distance_matrix.h"
#include "dataset/progress.h"
#include "distances/permutation_test.h"

namespace marbleset {

struct AmovaDesign {
  std::vector<std::string> populationNames;
  std::vector<std::size_t> populationOf;  // one per OTU of the matrix: an index into the names
  std::vector<std::string> regionNames;   // empty: populations only
  std::vector<std::size_t> regionOf;      // one per population when there are regions
  bool HasRegions() const { return !regionNames.empty(); }
};

// One source of variation. The p-value is the share of permutations whose component is at least
// as large (within populations: at most as large) as the observed one; NaN untested.
struct AmovaSource {
  std::string name;  // "Among regions", "Among populations within regions", ...
  std::size_t degreesOfFreedom = 0;
  double sumOfSquares = 0;
  double meanSquare = 0;
  double variance = 0;  // the variance component sigma^2
  double percent = 0;   // of the total variance
  double pValue = 0;
};

struct PhiStatistic {
  std::string name;  // "Phi-ST", "Phi-SC", "Phi-CT"
  double value = 0;
  double pValue = 0;  // the share of permutations with a Phi at least as large
};

struct AmovaResult {
  std::vector<AmovaSource> sources;  // from the top level down to within populations
  std::size_t totalDegreesOfFreedom = 0;
  double totalSumOfSquares = 0;
  double totalVariance = 0;
  std::vector<PhiStatistic> phi;  // Phi-ST, then with regions Phi-SC and Phi-CT
  std::size_t otus = 0, populations = 0, regions = 0;
  PermutationSettings permutations;
};

// Throws Failure naming what is wrong when design does not fit matrix (sizes, an index out of
// range, an empty population or region, fewer than two populations or regions, no OTU left to
// vary within populations, no population left to vary within regions) or matrix holds a value
// that is not a finite number, and RunCancelled when progress asks to stop.
AmovaResult RunAmova(const DistanceMatrix& matrix, const AmovaDesign& design,
                     const PermutationSettings& settings, Progress& progress);

}  // namespace marbleset
