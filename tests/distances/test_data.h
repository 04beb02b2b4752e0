// Small data sets built in memory for the distance tests.
#pragma once

#include <string>
#include <vector>

#include "dataset/data_set.h"

namespace marbleset::testing {

// Binary rows written as "110?" ('?' missing); names padded to the 12-character field.
inline void FillBinary(DataSet& data, const std::vector<std::string>& names,
                       const std::vector<std::string>& rows) {
  data.Quantitative = 0;
  data.MissingValue = 2.0f;
  data.NOtu = static_cast<int16_t>(rows.size());
  data.NChar = static_cast<int16_t>(rows.empty() ? 0 : rows[0].size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    data.OtuName[i + 1] = (names[i] + std::string(12, ' ')).substr(0, 12);
    for (std::size_t k = 0; k < rows[i].size(); ++k)
      data.Matrix(static_cast<int>(i + 1), static_cast<int>(k + 1)) =
          rows[i][k] == '?' ? 2.0f : static_cast<float>(rows[i][k] - '0');
  }
}

// Quantitative rows; -9999 marks a missing entry.
inline void FillQuantitative(DataSet& data, const std::vector<std::string>& names,
                             const std::vector<std::vector<float>>& rows) {
  data.Quantitative = 1;
  data.MissingValue = -9999.0f;
  data.NOtu = static_cast<int16_t>(rows.size());
  data.NChar = static_cast<int16_t>(rows.empty() ? 0 : rows[0].size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    data.OtuName[i + 1] = (names[i] + std::string(12, ' ')).substr(0, 12);
    for (std::size_t k = 0; k < rows[i].size(); ++k)
      data.Matrix(static_cast<int>(i + 1), static_cast<int>(k + 1)) = rows[i][k];
  }
}

}  // namespace marbleset::testing
