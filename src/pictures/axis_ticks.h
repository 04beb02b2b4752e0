// The marks along an axis or a colour key: round values (1, 2 or 5 times a power of ten apart)
// that a reader can take the other values from.
#pragma once

#include <cstddef>
#include <vector>

namespace marbleset::pictures {

// The values of [low, high] that are whole multiples of the smallest round step giving at most
// `most` marks (at least 2), in rising order; for low == high, that value alone.
std::vector<double> AxisTicks(double low, double high, std::size_t most);

}  // namespace marbleset::pictures
