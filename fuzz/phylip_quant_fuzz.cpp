// Fuzz target: one PHYLIP quantitative data file, read as the open command reads it.
#include "formats/item_reader.h"
#include "formats/phylip_reader.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  using namespace marbleset;
  DataSet data = fuzz::FreshDataSet();
  ReadReport report;
  try {
    ItemReader in = ItemReader::FromText(fuzz::TextOf(bytes, size), "fuzz.phy");
    const ReadStatus status = ReadPhylipQuant(in, data, &report);
    report.Describe();
    if (status != ReadStatus::kOk) return 0;
    FurtherDataSetFollows(in);
    fuzz::CheckReadResult(data);
    fuzz::WriteBothLayouts(data);
  } catch (const Failure&) {
    // A ReadFailure is the reader's answer to a file it cannot take; that is not a finding.
    report.Describe();
  }
  return 0;
}
