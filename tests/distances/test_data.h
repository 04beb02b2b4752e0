#pragma once

#include <string>
#include <vector>

#include "dataset/data_set.h"

namespace marbleset::testing {

// Quantitative rows (-9999 missing); names padded to the 12-character field.
inline void FillQuantitative(DataSet& data, const std::vector<std::string>& names,
                             const std::vector<std::vector<float>>& rows, bool binary = false) {
  data.Quantitative = binary ? 0 : 1;
  data.MissingValue = binary ? 2.0f : -9999.0f;
  data.NOtu = static_cast<int16_t>(rows.size());
  data.NChar = static_cast<int16_t>(rows.empty() ? 0 : rows[0].size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    data.OtuName[i + 1] = (names[i] + std::string(12, ' ')).substr(0, 12);
    for (std::size_t k = 0; k < rows[i].size(); ++k)
      data.Matrix(static_cast<int>(i + 1), static_cast<int>(k + 1)) = rows[i][k];
  }
}

// Binary rows written as "110?" ('?' missing).
inline void FillBinary(DataSet& data, const std::vector<std::string>& names,
                       const std::vector<std::string>& rows) {
  std::vector<std::vector<float>> values;
  for (const std::string& row : rows) {
    values.emplace_back();
    for (char c : row) values.back().push_back(c == '?' ? 2.0f : static_cast<float>(c - '0'));
  }
  FillQuantitative(data, names, values, true);
}

}  // namespace marbleset::testing
