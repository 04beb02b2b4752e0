#include "dataset/data_set.h"

#include <utility>

namespace marbleset {

DataSet::DataSet()
    : OtuName(kMaxOtu + 1), cells_(static_cast<std::size_t>(kMaxOtu + 1) * (kMaxChar + 1), 0.0f) {}

void DataSet::swap(DataSet& other) noexcept {
  using std::swap;
  swap(NOtu, other.NOtu);
  swap(NChar, other.NChar);
  swap(OtuName, other.OtuName);
  swap(MissingValue, other.MissingValue);
  swap(Quantitative, other.Quantitative);
  swap(MultiSet, other.MultiSet);
  swap(DataFileName, other.DataFileName);
  swap(DataDir, other.DataDir);
  swap(cells_, other.cells_);
}

void ClearFileState(DataSet& data) {
  data.DataFileName.clear();
  data.DataDir.clear();
  data.NOtu = 0;
  data.NChar = 0;
}

}  // namespace marbleset
