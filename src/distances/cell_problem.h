// Why a cell of a quantitative matrix has no value, and how the user is told.
#pragma once

#include <cstddef>
#include <string>

#include "dataset/data_set.h"
#include "distances/distance_settings.h"

namespace marbleset {

enum class CellProblem {
  kNone,
  kNoCharacterUsed,    // every character was skipped ("Ignore") or there are none
  kFirstOtuConstant,   // all values of the row's OTU are equal over the characters used
  kSecondOtuConstant,  // the same for the column's OTU
  kFirstOtuTooClose,   // not equal, but too close for the sum of squares to stay positive
  kSecondOtuTooClose,
};

// A cell's value, or the reason it has none.
struct CellValue {
  double value = 0;
  CellProblem problem = CellProblem::kNone;
};

// The first cell of a pass, in row order, that has no value.
struct CellFailure {
  std::size_t row = 0;
  std::size_t column = 0;
  CellProblem problem = CellProblem::kNone;
};

// The OTU's name without the blanks of its 12-character field, or "number 7" (counted from 1,
// as the user counts rows) when it is blank.
std::string OtuLabel(const DataSet& data, std::size_t otu);

// "Correlation between OTU A and OTU B of data set 3 cannot be computed: ..." (the data set
// only when dataSetNumber > 0, that is in a run over several data sets).
std::string CellFailureText(const DataSet& data, const DistanceSettings& settings,
                            const CellFailure& failure, int dataSetNumber);

}  // namespace marbleset
