// Fuzz target: one NTSYS quantitative data file.
#include "dataset/item_reader.h"
#include "dataset/ntsys_reader.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  using namespace marbleset;
  DataSet& data = fuzz::SharedDataSet();
  try {
    ItemReader in = ItemReader::FromText(fuzz::TextOf(bytes, size), "fuzz.nts");
    if (ReadNtsysQuant(in, data) != ReadStatus::kOk) return 0;
    fuzz::CheckReadResult(data);
    fuzz::WriteBothLayouts(data);
  } catch (const Failure&) {
  }
  return 0;
}
