#include "formats/header_scan.h"

#include <cctype>
#include <cmath>
#include <limits>
#include <new>

#include "dataset/errors.h"
#include "dataset/numeric_value.h"

namespace marbleset::detail {

namespace {

std::string LowerFirst(std::string text) {
  if (!text.empty()) text.front() = static_cast<char>(std::tolower(text.front()));
  return text;
}

}  // namespace

std::string ScanHeader(ItemReader& in, ReadStatus& status) {
  std::string token;
  double value = 0.0;
  const std::uint64_t start = in.Position();
  while (!(value > 0.0)) {
    if (status != ReadStatus::kOk) break;
    in.CheckSearch(start,
                   [&] { return "no header of data set " + std::to_string(in.DataSetNumber()); });
    if (in.AtEnd()) {
      throw ReadFailure(ReadProblem::kCutShort, InputPlace{in.name()},
                        "the file ended before the header of data set " +
                            std::to_string(in.DataSetNumber()) + " was found.");
    }
    const std::string_view item = in.NextItem();
    value = NumericValue(item);
    if (value > 0.0) token.assign(item);
    if (in.AtEnd()) status = ReadStatus::kNoDeclarations;
  }
  return token;
}

Field ScanField(std::string_view token, std::size_t& k) {
  NumberScanner number;
  const std::size_t start = k;
  // The value only decides anything at a space, so it is only asked for there.
  while (k < token.size() && (token[k] != ' ' || !(number.Value() > 0.0))) {
    number.Feed(token[k]);
    ++k;
  }
  return Field{token.substr(start, k - start), number.Value(), k >= token.size()};
}

std::uint64_t HeaderCount(const ItemReader& in, std::string_view piece) {
  try {
    return CountOf(piece);
  } catch (const ReadFailure& failure) {
    throw ReadFailure(ReadProblem::kBadCount, DataSetAt(in), LowerFirst(failure.Reason()));
  }
}

namespace {

// Every value takes at least one byte of the input and every OTU's name at least one (the
// last may end with the input), so a file of a few bytes that declares a huge shape is refused
// before its memory is reserved. Small shapes are left to the read, which says where the data
// ends early. Standard input and pipes have no known length.
void CheckShapeFitsInput(const ItemReader& in, std::uint64_t otus, std::uint64_t characters,
                         const std::string& shape) {
  // At most a few megabytes, and a distance matrix of at most 8 MB.
  constexpr std::uint64_t kSmallOtus = 1024;
  constexpr std::uint64_t kSmallCells = std::uint64_t{1} << 20;
  if (in.Length() == 0 || in.Position() > in.Length()) return;
  const std::uint64_t remaining = in.Length() - in.Position();
  if (otus <= kSmallOtus && characters <= kSmallCells / (otus == 0 ? 1 : otus)) return;
  const bool cellsFit = characters == 0 || otus <= remaining / characters;
  if (otus <= remaining + 1 && cellsFit) return;
  throw ReadFailure(ReadProblem::kTooLarge, DataSetAt(in),
                    "the header declares " + shape + ", more than the " +
                        std::to_string(remaining) +
                        " bytes after it can hold (one byte at least for every value and every "
                        "name); is the header right?");
}

}  // namespace

void SizeDataSet(const ItemReader& in, DataSet& data, DataKind kind, std::uint64_t otus,
                 std::uint64_t characters, float missingValue) {
  const std::string shape =
      std::to_string(otus) + " OTUs by " + std::to_string(characters) + " characters";
  CheckShapeFitsInput(in, otus, characters, shape);
  try {
    if (otus > SIZE_MAX || characters > SIZE_MAX) {
      throw MemoryFailure("A data set of " + shape + " needs more memory than any machine has.");
    }
    data.Resize(kind, static_cast<std::size_t>(otus), static_cast<std::size_t>(characters),
                missingValue);
  } catch (const MemoryFailure& failure) {
    throw ReadFailure(ReadProblem::kTooLarge, DataSetAt(in), LowerFirst(failure.Reason()));
  } catch (const std::bad_alloc&) {
    throw ReadFailure(ReadProblem::kTooLarge, DataSetAt(in),
                      "a data set of " + shape + " needs more memory than is available.");
  }
}

bool ToStoredValue(std::string_view piece, float& value) {
  const double number = NumericValue(piece);
  if (!(std::fabs(number) <= std::numeric_limits<float>::max())) return false;
  value = static_cast<float>(number);
  return true;
}

void ValueTooLarge(const ItemReader& in, std::string_view piece, const std::string& where) {
  throw ReadFailure(ReadProblem::kValueTooLarge, InputPlace{in.name()},
                    "the value \"" + std::string(piece.substr(0, 40)) + "\" of " + where +
                        " is too large for the program's numbers.");
}

InputPlace DataSetAt(const ItemReader& in) {
  return InputPlace{in.name(), static_cast<std::size_t>(in.DataSetNumber())};
}

}  // namespace marbleset::detail
