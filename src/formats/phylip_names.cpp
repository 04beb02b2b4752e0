#include "formats/phylip_names.h"

#include <unordered_map>
#include <unordered_set>

#include "dataset/errors.h"
#include "formats/value_text.h"

namespace marbleset {

namespace {

bool IsNewickSpecial(char c) {
  return std::string_view(" \t\r\n()[]:;,'\"").find(c) != std::string_view::npos;
}

std::string Cleaned(std::string_view name) {
  std::string cleaned(TrimBlanks(name));
  for (char& c : cleaned) {
    if (IsNewickSpecial(c) || static_cast<unsigned char>(c) < 32) c = '_';
  }
  return cleaned.empty() ? "OTU" : cleaned;
}

// The first bytes of text, at most length of them, never ending inside a UTF-8 character.
std::string Cut(const std::string& text, std::size_t length) {
  if (text.size() <= length) return text;
  while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
  return text.substr(0, length);
}

}  // namespace

PhylipNames MakePhylipNames(const std::vector<std::string>& names) {
  PhylipNames result;
  result.written.resize(names.size());
  result.original.reserve(names.size());
  std::vector<std::string> cut(names.size());
  std::unordered_map<std::string, std::size_t> uses;
  for (std::size_t i = 0; i < names.size(); ++i) {
    result.original.emplace_back(TrimTrailingBlanks(names[i]));
    cut[i] = Cut(Cleaned(names[i]), kPhylipNameLength);
    ++uses[cut[i]];
  }
  std::unordered_set<std::string> taken;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (uses[cut[i]] == 1) {
      result.written[i] = cut[i];
      taken.insert(cut[i]);
    }
  }
  std::unordered_map<std::string, std::size_t> nextNumber;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (uses[cut[i]] == 1) continue;
    std::size_t& number = nextNumber[cut[i]];
    std::string candidate;
    do {
      const std::string suffix = std::to_string(++number);
      candidate = Cut(cut[i], kPhylipNameLength - suffix.size()) + suffix;
    } while (taken.count(candidate) != 0);
    taken.insert(candidate);
    result.written[i] = candidate;
  }
  return result;
}

OutputPhylipNames MakeOutputPhylipNames(const std::vector<std::string>& otuNames,
                                        bool shareEqualNames) {
  OutputPhylipNames names;
  if (!shareEqualNames) {
    names.table = MakePhylipNames(otuNames);
    names.perOtu = names.table.written;
    return names;
  }
  std::vector<std::string> distinct;
  std::vector<std::size_t> slot(otuNames.size());
  std::unordered_map<std::string, std::size_t> slotOf;
  for (std::size_t i = 0; i < otuNames.size(); ++i) {
    const auto [found, added] = slotOf.try_emplace(otuNames[i], distinct.size());
    if (added) distinct.push_back(otuNames[i]);
    slot[i] = found->second;
  }
  names.table = MakePhylipNames(distinct);
  names.perOtu.reserve(otuNames.size());
  for (const std::size_t s : slot) names.perOtu.push_back(names.table.written[s]);
  return names;
}

void WriteNameTable(const PhylipNames& names, TextSink& out) {
  out.Append("name in file\toriginal name");
  out.EndLine();
  for (std::size_t i = 0; i < names.written.size(); ++i) {
    out.Append(names.written[i]);
    out.Append('\t');
    out.Append(names.original[i]);
    out.EndLine();
  }
}

std::string NameTablePath(const std::string& outputPath) {
  const std::size_t slash = outputPath.find_last_of('/');
  const std::size_t dot = outputPath.find_last_of('.');
  const bool hasExtension =
      dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
  return (hasExtension ? outputPath.substr(0, dot) : outputPath) + "_names.tsv";
}

std::vector<std::pair<std::string, std::string>> ReadNameTable(std::string_view text,
                                                               const std::string& name) {
  std::vector<std::pair<std::string, std::string>> table;
  std::unordered_set<std::string> seen;
  std::size_t number = 0;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find_first_of("\r\n", at);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(at, end - at);
    at = end;
    if (at < text.size() && text[at] == '\r') ++at;
    if (at < text.size() && text[at] == '\n') ++at;
    ++number;
    if (number == 1 || line.empty()) continue;  // the header
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos) {
      throw ReadFailure(ReadProblem::kNotTheLayout, InputPlace{name, 0, number},
                        "a line of a name table holds the written name, a tab and the original "
                        "name.");
    }
    std::string written(line.substr(0, tab));
    if (!seen.insert(written).second) {
      throw ReadFailure(ReadProblem::kUnknownName, InputPlace{name, 0, number},
                        "the name \"" + written + "\" is listed twice.");
    }
    table.emplace_back(std::move(written), std::string(line.substr(tab + 1)));
  }
  return table;
}

std::string QuotedNewickName(std::string_view name) {
  bool plain = !name.empty();
  for (char c : name) plain = plain && !IsNewickSpecial(c) && c != '_';
  if (plain) return std::string(name);
  std::string quoted = "'";
  for (char c : name) {
    if (c == '\'') quoted += '\'';
    quoted += c;
  }
  quoted += '\'';
  return quoted;
}

std::string RestoreTreeNames(std::string_view tree, const std::string& treeName,
                             const std::vector<std::pair<std::string, std::string>>& table) {
  std::unordered_map<std::string_view, std::string> labels;
  for (const auto& [written, original] : table) labels.emplace(written, QuotedNewickName(original));
  std::string result;
  result.reserve(tree.size() * 2);
  std::size_t line = 1;
  // A leaf's name stands after "(" or "," (blanks and line breaks between allowed); a label
  // after ")" is an internal node's and a number after ":" a branch length.
  bool leafPlace = false;
  std::size_t at = 0;
  while (at < tree.size()) {
    const char c = tree[at];
    if (c == '[') {
      const std::size_t close = tree.find(']', at);
      const std::size_t end = close == std::string_view::npos ? tree.size() : close + 1;
      result.append(tree.substr(at, end - at));
      at = end;
      continue;
    }
    if (c == '\n') ++line;
    if (c == '(' || c == ',') {
      leafPlace = true;
      result += c;
      ++at;
      continue;
    }
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      result += c;
      ++at;
      continue;
    }
    if (std::string_view("):;").find(c) != std::string_view::npos) {
      leafPlace = false;
      result += c;
      ++at;
      continue;
    }
    // A label: quoted, or up to the next character with a meaning.
    std::size_t end = at;
    std::string label;
    if (c == '\'') {
      ++end;
      while (end < tree.size()) {
        if (tree[end] == '\'') {
          if (end + 1 < tree.size() && tree[end + 1] == '\'') {
            label += '\'';
            end += 2;
            continue;
          }
          ++end;
          break;
        }
        label += tree[end++];
      }
    } else {
      while (end < tree.size() &&
             std::string_view("(),:;[ \t\r\n").find(tree[end]) == std::string_view::npos) {
        ++end;
      }
      label.assign(tree.substr(at, end - at));
    }
    if (leafPlace) {
      const auto found = labels.find(label);
      if (found == labels.end()) {
        throw ReadFailure(ReadProblem::kUnknownName, InputPlace{treeName, 0, line},
                          "the tree holds the name \"" + label +
                          "\", which the name table does not list.");
      }
      result += found->second;
    } else {
      result.append(tree.substr(at, end - at));
    }
    leafPlace = false;
    at = end;
  }
  return result;
}

ScopedOtuNames::ScopedOtuNames(DataSet& data, std::vector<std::string> names)
    : data_(data), saved_(std::move(names)) {
  data_.otuNames.swap(saved_);
}

ScopedOtuNames::~ScopedOtuNames() {
  data_.otuNames.swap(saved_);
}

}  // namespace marbleset
