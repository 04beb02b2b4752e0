// Fuzz target: a delimited table, read with the options its first byte chooses, and the preview
// an import dialog shows for it.
//
// First byte: bits 0-1 OTUs as (auto, rows, columns), bits 2-3 the delimiter (detected, tab,
// ';', ','), bits 4-5 the kind (auto, binary, quantitative), bit 6 a name ending in .Rtab, bit 7
// a first data column of 2 instead of the guess.
#include "formats/delimited_reader.h"
#include "fuzz_support.h"

namespace {

marbleset::DelimitedOptions OptionsOf(std::uint8_t choice) {
  using namespace marbleset;
  DelimitedOptions options;
  constexpr OtusAs kOtusAs[] = {OtusAs::kAuto, OtusAs::kRows, OtusAs::kColumns, OtusAs::kAuto};
  constexpr char kDelimiters[] = {0, '\t', ';', ','};
  constexpr KindChoice kKinds[] = {KindChoice::kAuto, KindChoice::kBinary,
                                   KindChoice::kQuantitative, KindChoice::kAuto};
  options.otusAs = kOtusAs[choice & 3];
  options.delimiter = kDelimiters[(choice >> 2) & 3];
  options.kind = kKinds[(choice >> 4) & 3];
  if ((choice & 0x80) != 0) options.firstDataColumn = 2;
  return options;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  using namespace marbleset;
  if (size < 1) return 0;
  const DelimitedOptions options = OptionsOf(bytes[0]);
  const std::string name = (bytes[0] & 0x40) != 0 ? "fuzz.Rtab" : "fuzz.csv";
  const std::string text = fuzz::TextOf(bytes + 1, size - 1);
  const DelimitedPreview preview = PreviewDelimitedText(text, name, options);
  if (preview.cells.size() > 20) __builtin_trap();
  try {
    const DataSet data = ReadDelimitedText(text, name, options, fuzz::kMemoryLimit);
    fuzz::CheckPlanes(data);
    // What the preview promised is what the read gave.
    if (!preview.problem.empty() || preview.otuCount != data.OtuCount() ||
        preview.charCount != data.CharCount()) {
      __builtin_trap();
    }
    fuzz::WriteBothLayouts(data);
  } catch (const Failure&) {
    // A table that cannot be read fails with its place named; that is not a finding.
  }
  return 0;
}
