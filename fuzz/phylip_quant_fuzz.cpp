// Fuzz target: one PHYLIP quantitative data file, read as the open command reads it.
#include "dataset/item_reader.h"
#include "dataset/phylip_reader.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  using namespace marbleset;
  DataSet& data = fuzz::SharedDataSet();
  try {
    ItemReader in = ItemReader::FromText(fuzz::TextOf(bytes, size), "fuzz.phy");
    data.MissingValue = -9999.0f;
    const ReadStatus status = ReadPhylipQuant(in, data);
    if (status != ReadStatus::kOk) return 0;
    FurtherDataSetFollows(in);
    fuzz::CheckReadResult(data);
    fuzz::WriteBothLayouts(data);
  } catch (const Failure&) {
    // A ReadFailure is the reader's answer to a file it cannot take; that is not a finding.
  }
  return 0;
}
