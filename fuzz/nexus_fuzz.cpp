// Fuzz target: a NEXUS file, read as binary, quantitative or by its values (the input's length
// modulo 3, so that whole files are seeds); what reads is written as NEXUS again and must read
// back the same.
#include "formats/nexus_reader.h"
#include "formats/nexus_writer.h"
#include "fuzz_support.h"

namespace {

void CheckReadsBack(const marbleset::DataSet& data, marbleset::KindChoice kind) {
  using namespace marbleset;
  std::ostringstream written;
  TextSink sink(written, "written");
  try {
    WriteNexusData(data, sink);
  } catch (const WriteFailure&) {
    return;  // names NEXUS cannot hold, refused before anything is written
  }
  sink.Flush();
  const DataSet back = ReadNexusText(written.str(), "written.nex", kind, fuzz::kMemoryLimit);
  if (back.OtuCount() != data.OtuCount() || back.CharCount() != data.CharCount()) __builtin_trap();
  for (std::size_t i = 0; i < data.OtuCount(); ++i) {
    if (back.otuNames[i] != data.otuNames[i]) __builtin_trap();
    for (std::size_t j = 0; j < data.CharCount(); ++j) {
      if (!fuzz::SameCell(data, back, i, j)) __builtin_trap();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  using namespace marbleset;
  constexpr KindChoice kKinds[] = {KindChoice::kAuto, KindChoice::kBinary,
                                   KindChoice::kQuantitative};
  const KindChoice kind = kKinds[size % 3];
  DataSet data;
  try {
    data = ReadNexusText(fuzz::TextOf(bytes, size), "fuzz.nex", kind, fuzz::kMemoryLimit);
  } catch (const Failure&) {
    return 0;  // the reader's answer to a file it cannot take
  }
  fuzz::CheckPlanes(data);
  if (!fuzz::SmallEnoughToWrite(data)) return 0;
  CheckReadsBack(data, data.IsBinary() ? KindChoice::kBinary : KindChoice::kQuantitative);
  fuzz::WriteBothLayouts(data);
  return 0;
}
