// Fuzz target: a table of written and original names. What reads is written again from its
// original names and must read back to the same originals.
#include "formats/phylip_names.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  using namespace marbleset;
  std::vector<std::pair<std::string, std::string>> pairs;
  try {
    pairs = ReadNameTable(fuzz::TextOf(bytes, size), "fuzz_names.tsv");
  } catch (const Failure&) {
    return 0;  // a line without a tab, a written name given twice
  }
  std::vector<std::string> originals;
  for (const auto& pair : pairs) originals.push_back(pair.second);
  const PhylipNames names = MakePhylipNames(originals);
  std::ostringstream written;
  TextSink sink(written, "written");
  WriteNameTable(names, sink);
  sink.Flush();
  const auto back = ReadNameTable(written.str(), "written_names.tsv");
  if (back.size() != names.original.size()) __builtin_trap();
  for (std::size_t i = 0; i < back.size(); ++i) {
    if (back[i].first != names.written[i] || back[i].second != names.original[i]) {
      __builtin_trap();
    }
  }
  return 0;
}
