#include "dataset/header_scan.h"

#include <cctype>
#include <cmath>
#include <limits>

#include "dataset/errors.h"
#include "dataset/numeric_value.h"

namespace marbleset::detail {

std::string ScanHeader(ItemReader& in, ReadStatus& status) {
  std::string token;
  double value = 0.0;
  while (!(value > 0.0)) {
    if (status != ReadStatus::kOk) break;
    if (in.AtEnd()) {
      throw ReadFailure(in.name() + ": the file ended before the header of data set " +
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

int16_t HeaderCount(const ItemReader& in, std::string_view piece) {
  try {
    return CountOf(piece);
  } catch (const ReadFailure& failure) {
    std::string reason = failure.what();
    if (!reason.empty()) reason.front() = static_cast<char>(std::tolower(reason.front()));
    throw ReadFailure(DataSetPlace(in) + ": " + reason);
  }
}

void CheckCapacity(const ItemReader& in, int otus, int characters) {
  if (otus > kMaxOtu) {
    throw ReadFailure(DataSetPlace(in) + " declares " + std::to_string(otus) +
                      " OTUs; Marbleset holds at most " + std::to_string(kMaxOtu) + ".");
  }
  if (characters > kMaxChar) {
    throw ReadFailure(DataSetPlace(in) + " declares " + std::to_string(characters) +
                      " characters; Marbleset holds at most " + std::to_string(kMaxChar) + ".");
  }
}

bool ToStoredValue(std::string_view piece, float& value) {
  const double number = NumericValue(piece);
  if (!(std::fabs(number) <= std::numeric_limits<float>::max())) return false;
  value = static_cast<float>(number);
  return true;
}

void ValueTooLarge(const ItemReader& in, std::string_view piece, const std::string& where) {
  throw ReadFailure(in.name() + ": the value \"" + std::string(piece.substr(0, 40)) + "\" of " +
                    where + " is too large for the program's numbers.");
}

std::string DataSetPlace(const ItemReader& in) {
  return in.name() + ": data set " + std::to_string(in.DataSetNumber());
}

}  // namespace marbleset::detail
