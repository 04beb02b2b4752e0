#include "formats/name_field.h"

namespace marbleset {

namespace {

// A character that the readers would take for the end of a row, an item or the name.
bool Unsafe(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 32 || byte == 127 || c == ',';
}

std::string_view WithoutLeadingBlanks(std::string_view name) {
  const auto first = name.find_first_not_of(' ');
  return first == std::string_view::npos ? std::string_view() : name.substr(first);
}

// Writes the name's characters from the first non-blank one on, at most limit of them, each
// unsafe one (and a leading double quote) as '_'; inner blanks stay or become '_'. Returns how
// many were written.
template <typename Put>
std::size_t PutSafe(std::string_view name, std::size_t limit, bool blanksToo, Put put) {
  const std::string_view text = WithoutLeadingBlanks(name).substr(0, limit);
  for (std::size_t k = 0; k < text.size(); ++k) {
    const char c = text[k];
    const bool replace = Unsafe(c) || (k == 0 && c == '"') || (blanksToo && c == ' ');
    put(replace ? '_' : c);
  }
  return text.size();
}

std::string_view WithoutTrailingBlanks(std::string_view name) {
  const auto last = name.find_last_not_of(' ');
  return last == std::string_view::npos ? std::string_view() : name.substr(0, last + 1);
}

}  // namespace

std::string PhylipNameField(std::string_view name) {
  std::string field;
  field.reserve(kNameFieldWidth);
  const std::size_t used =
      PutSafe(name, kNameFieldWidth, false, [&field](char c) { field.push_back(c); });
  if (used == 0) field.push_back('_');
  field.resize(kNameFieldWidth, ' ');
  return field;
}

void AppendPhylipNameField(TextSink& out, std::string_view name) {
  // The common name, already a safe full field, goes in one piece.
  if (name.size() == kNameFieldWidth && name.front() != ' ' && name.front() != '"') {
    bool safe = true;
    for (char c : name) safe &= !Unsafe(c);
    if (safe) return out.Append(name);
  }
  out.Append(PhylipNameField(name));
}

void AppendNtsysLabel(TextSink& out, std::string_view name) {
  const std::size_t used = PutSafe(WithoutTrailingBlanks(name), kNameFieldWidth, true,
                                   [&out](char c) { out.Append(c); });
  if (used == 0) out.Append('_');
}

}  // namespace marbleset
