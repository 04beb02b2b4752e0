// Small data sets built inline for the editing tests.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dataset/data_set.h"

namespace marbleset::testing {

// The name padded with blanks to the 12-character field the readers hold.
inline std::string Field(std::string name) {
  if (name.size() < 12) name.resize(12, ' ');
  return name;
}

// Binary data from one text per OTU: "0", "1" and "?" (missing, held as 2).
inline void FillBinary(DataSet* data, const std::vector<std::string>& names,
                       const std::vector<std::string>& rows) {
  data->MissingValue = 2.0f;
  data->NOtu = static_cast<int16_t>(rows.size());
  data->NChar = rows.empty() ? 0 : static_cast<int16_t>(rows[0].size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    data->OtuName[i + 1] = Field(names[i]);
    for (std::size_t k = 0; k < rows[i].size(); ++k) {
      const char c = rows[i][k];
      data->Matrix(static_cast<int>(i + 1), static_cast<int>(k + 1)) =
          c == '?' ? 2.0f : static_cast<float>(c - '0');
    }
  }
}

inline std::unique_ptr<DataSet> BinaryData(const std::vector<std::string>& names,
                                           const std::vector<std::string>& rows) {
  auto data = std::make_unique<DataSet>();
  FillBinary(data.get(), names, rows);
  return data;
}

// Quantitative data with the default missing code -9999.
inline std::unique_ptr<DataSet> QuantData(const std::vector<std::string>& names,
                                          const std::vector<std::vector<float>>& rows) {
  auto data = std::make_unique<DataSet>();
  data->MissingValue = -9999.0f;
  data->Quantitative = 1;
  data->NOtu = static_cast<int16_t>(rows.size());
  data->NChar = rows.empty() ? 0 : static_cast<int16_t>(rows[0].size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    data->OtuName[i + 1] = Field(names[i]);
    for (std::size_t k = 0; k < rows[i].size(); ++k) {
      data->Matrix(static_cast<int>(i + 1), static_cast<int>(k + 1)) = rows[i][k];
    }
  }
  return data;
}

}  // namespace marbleset::testing
