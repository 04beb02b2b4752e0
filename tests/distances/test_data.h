#pragma once

#include <string>
#include <vector>

#include "dataset/data_set.h"

namespace marbleset::testing {

// Rows of values (-9999 missing for quantitative data, 2 for binary data); names as given.
inline void FillQuantitative(DataSet& data, const std::vector<std::string>& names,
                             const std::vector<std::vector<float>>& rows, bool binary = false) {
  const std::size_t chars = rows.empty() ? 0 : rows[0].size();
  data.Resize(binary ? DataKind::kBinary : DataKind::kQuantitative, rows.size(), chars,
              binary ? kBinaryMissingValue : kQuantitativeMissingValue);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    data.otuNames[i] = names[i];
    for (std::size_t k = 0; k < chars; ++k) data.SetValue(i, k, rows[i][k]);
  }
}

// Binary rows written as "110?" ('?' missing).
inline void FillBinary(DataSet& data, const std::vector<std::string>& names,
                       const std::vector<std::string>& rows) {
  std::vector<std::vector<float>> values;
  for (const std::string& row : rows) {
    values.emplace_back();
    for (char c : row)
      values.back().push_back(c == '?' ? kBinaryMissingValue : static_cast<float>(c - '0'));
  }
  FillQuantitative(data, names, values, true);
}

}  // namespace marbleset::testing
