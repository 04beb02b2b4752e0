// Numbers and counts as the pictures write them, the same in every locale.
#pragma once

#include <cstddef>
#include <string>

namespace marbleset::pictures {

// value with decimals digits after the full stop ("43.2").
std::string FixedText(double value, int decimals);
// share (0 to 1) as a percentage with one decimal ("43.2 %").
std::string PercentText(double share);
// "1 OTU", "12 OTUs".
std::string CountText(std::size_t count, const std::string& one, const std::string& many);
// value with at most digits significant digits, without trailing zeros ("0.3333", "12.5", "3").
std::string ShortText(double value, int digits = 4);

}  // namespace marbleset::pictures
