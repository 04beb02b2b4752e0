#include "formats/phylip_names.h"

#include <algorithm>
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

// The records of a tab-separated table: fields end at a tab or a line end (CR LF, LF or CR);
// a field that begins with a double quote runs to the closing quote, over tabs and line ends,
// with doubled quotes inside. A quote never closed is taken as an ordinary character.
class TableScanner {
 public:
  explicit TableScanner(std::string_view text) : text_(text) {}

  bool AtEnd() const { return at_ >= text_.size(); }
  std::size_t Line() const { return line_; }

  std::vector<std::string> Record() {
    std::vector<std::string> fields;
    for (;;) {
      fields.push_back(Field());
      if (AtEnd()) return fields;
      const char c = text_[at_++];
      if (c == '\t') continue;
      if (c == '\r' && at_ < text_.size() && text_[at_] == '\n') ++at_;
      ++line_;
      return fields;
    }
  }

 private:
  std::string Field() {
    if (at_ < text_.size() && text_[at_] == '"' && Closed(at_ + 1)) return QuotedField();
    const std::size_t end = std::min(text_.find_first_of("\t\r\n", at_), text_.size());
    std::string field(text_.substr(at_, end - at_));
    at_ = end;
    return field;
  }

  bool Closed(std::size_t from) const { return text_.find('"', from) != std::string_view::npos; }

  std::string QuotedField() {
    std::string field;
    ++at_;
    while (at_ < text_.size()) {
      const char c = text_[at_++];
      if (c == '"') {
        if (at_ >= text_.size() || text_[at_] != '"') break;
        ++at_;
      } else if (c == '\n' || (c == '\r' && (at_ >= text_.size() || text_[at_] != '\n'))) {
        ++line_;
      }
      field += c;
    }
    // Anything after the closing quote up to the field's end belongs to it as written.
    const std::size_t end = std::min(text_.find_first_of("\t\r\n", at_), text_.size());
    field.append(text_.substr(at_, end - at_));
    at_ = end;
    return field;
  }

  std::string_view text_;
  std::size_t at_ = 0;
  std::size_t line_ = 1;
};

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

// A field of the table as spreadsheets, R's read.delim and Python's csv read tab-separated
// text: in double quotes (inner quotes doubled) when it holds a tab, a line end or a quote.
std::string TableField(std::string_view text) {
  if (text.find_first_of("\t\r\n\"") == std::string_view::npos) return std::string(text);
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

void WriteNameTable(const PhylipNames& names, TextSink& out) {
  out.Append("name in file\toriginal name");
  out.EndLine();
  for (std::size_t i = 0; i < names.written.size(); ++i) {
    out.Append(TableField(names.written[i]));
    out.Append('\t');
    out.Append(TableField(names.original[i]));
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
  TableScanner in(text);
  while (!in.AtEnd()) {
    const std::size_t line = in.Line();
    const std::vector<std::string> fields = in.Record();
    if (line == 1 || (fields.size() == 1 && fields[0].empty())) continue;  // the header
    if (fields.size() < 2) {
      throw ReadFailure(ReadProblem::kNotTheLayout, InputPlace{name, 0, line},
                        "a line of a name table holds the written name, a tab and the original "
                        "name.");
    }
    if (!seen.insert(fields[0]).second) {
      throw ReadFailure(ReadProblem::kUnknownName, InputPlace{name, 0, line},
                        "the name \"" + fields[0] + "\" is listed twice.");
    }
    // An unquoted original name keeps any further tabs, as the table had no other use for them.
    std::string original = fields[1];
    for (std::size_t k = 2; k < fields.size(); ++k) original += '\t' + fields[k];
    table.emplace_back(fields[0], std::move(original));
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

namespace {

// Where the restoration stands in the tree text, to refuse text that is not a tree a line.
struct TreeShape {
  std::size_t line = 1;
  std::size_t depth = 0;    // parentheses open in the current tree
  std::size_t trees = 0;    // trees ended by ';'
  bool inTree = false;      // something of a tree was read since the last ';'
  std::size_t endLine = 0;  // the line of the last ';'
};

[[noreturn]] void RefuseTree(const std::string& treeName, std::size_t line,
                             const std::string& problem) {
  throw ReadFailure(ReadProblem::kNotTheLayout, InputPlace{treeName, 0, line},
                    problem + " The tree file is refused; nothing was written.");
}

// A quoted label from at (its opening quote) on: its text, and the place after it.
std::size_t QuotedLabel(std::string_view tree, std::size_t at, std::string& label,
                        const std::string& treeName, const TreeShape& shape) {
  std::size_t end = at + 1;
  while (end < tree.size()) {
    if (tree[end] == '\'') {
      if (end + 1 < tree.size() && tree[end + 1] == '\'') {
        label += '\'';
        end += 2;
        continue;
      }
      return end + 1;
    }
    label += tree[end++];
  }
  RefuseTree(treeName, shape.line, "a quoted name is never closed.");
}

void CheckPunctuation(char c, TreeShape& shape, const std::string& treeName) {
  if (c == '(') {
    if (shape.trees > 0 && !shape.inTree && shape.endLine == shape.line) {
      RefuseTree(treeName, shape.line, "a second tree begins on the line of the tree before it.");
    }
    ++shape.depth;
  } else if (c == ')') {
    if (shape.depth == 0) RefuseTree(treeName, shape.line, "a ')' closes no '('.");
    --shape.depth;
  } else if (c == ';') {
    if (shape.depth != 0) {
      RefuseTree(treeName, shape.line,
                 "the tree ends with " + std::to_string(shape.depth) + " '(' not closed.");
    }
    if (!shape.inTree) RefuseTree(treeName, shape.line, "a ';' ends no tree.");
    ++shape.trees;
    shape.endLine = shape.line;
    shape.inTree = false;
    return;
  }
  shape.inTree = true;
}

}  // namespace

std::string RestoreTreeNames(std::string_view tree, const std::string& treeName,
                             const std::vector<std::pair<std::string, std::string>>& table) {
  std::unordered_map<std::string_view, std::string> labels;
  for (const auto& [written, original] : table) labels.emplace(written, QuotedNewickName(original));
  std::string result;
  result.reserve(tree.size() * 2);
  TreeShape shape;
  // A leaf's name stands after "(" or "," (blanks and line breaks between allowed); a label
  // after ")" is an internal node's and a number after ":" a branch length.
  bool leafPlace = false;
  std::size_t at = 0;
  while (at < tree.size()) {
    const char c = tree[at];
    if (c == '[') {
      const std::size_t close = tree.find(']', at);
      if (close == std::string_view::npos)
        RefuseTree(treeName, shape.line, "a [comment] is never closed.");
      for (std::size_t k = at; k < close; ++k) shape.line += tree[k] == '\n';
      result.append(tree.substr(at, close + 1 - at));
      at = close + 1;
      continue;
    }
    if (c == '\n') ++shape.line;
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      result += c;
      ++at;
      continue;
    }
    if (std::string_view("(),:;").find(c) != std::string_view::npos) {
      if (leafPlace && c != '(') RefuseTree(treeName, shape.line, "a leaf has no name.");
      CheckPunctuation(c, shape, treeName);
      leafPlace = c == '(' || c == ',';
      result += c;
      ++at;
      continue;
    }
    if (!shape.inTree && shape.trees > 0 && shape.endLine == shape.line) {
      RefuseTree(treeName, shape.line, "a second tree begins on the line of the tree before it.");
    }
    if (!shape.inTree) leafPlace = true;  // a tree of one leaf
    shape.inTree = true;
    // A label: quoted, or up to the next character with a meaning.
    std::size_t end = at;
    std::string label;
    if (c == '\'') {
      end = QuotedLabel(tree, at, label, treeName, shape);
    } else {
      while (end < tree.size() &&
             std::string_view("(),:;[ \t\r\n'").find(tree[end]) == std::string_view::npos) {
        ++end;
      }
      label.assign(tree.substr(at, end - at));
    }
    if (leafPlace) {
      const auto found = labels.find(label);
      if (found == labels.end()) {
        throw ReadFailure(
            ReadProblem::kUnknownName, InputPlace{treeName, 0, shape.line},
            "the tree holds the name \"" + label + "\", which the name table does not list.");
      }
      result += found->second;
    } else {
      result.append(tree.substr(at, end - at));
    }
    leafPlace = false;
    at = end;
  }
  if (shape.inTree) {
    RefuseTree(treeName, shape.line, "the last tree is not ended by ';' (is the file cut short?).");
  }
  if (shape.trees == 0) RefuseTree(treeName, shape.line, "the file holds no tree.");
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
