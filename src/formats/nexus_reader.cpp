#include "formats/nexus_reader.h"

#include <cctype>
#include <cmath>
#include <limits>
#include <unordered_map>
#include <vector>

#include "dataset/errors.h"
#include "formats/delimited_reader.h"
#include "formats/value_text.h"

namespace marbleset {

namespace {

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

bool IsLineEnd(char c) {
  return c == '\n' || c == '\r';
}

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// Characters that end a word: NEXUS punctuation that matters for the commands read here.
bool IsPunctuation(char c) {
  switch (c) {
    case ';':
    case '=':
    case ',':
    case '(':
    case ')':
    case '{':
    case '}':
    case '[':
    case '\'':
    case '"':
      return true;
    default:
      return false;
  }
}

// Reading position in the text, with the line it stands on.
class NexusCursor {
 public:
  NexusCursor(std::string_view text, const std::string& name) : text_(text), name_(name) {
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") at_ = 3;
  }

  bool AtEnd() const { return at_ >= text_.size(); }
  char Peek() const { return AtEnd() ? '\0' : text_[at_]; }
  std::size_t Line() const { return line_; }
  std::size_t Remaining() const { return AtEnd() ? 0 : text_.size() - at_; }

  char Take() {
    const char c = text_[at_++];
    if (c == '\n' || (c == '\r' && Peek() != '\n')) ++line_;
    return c;
  }

  // Skips blanks, line ends and [comments].
  void SkipSpace() {
    while (!AtEnd()) {
      if (IsSpace(Peek())) {
        Take();
      } else if (Peek() == '[') {
        SkipComment();
      } else {
        return;
      }
    }
  }

  // Skips blanks and [comments] on the current line; true when a line end (or the end of the
  // text) follows, which is then consumed.
  bool SkipSpaceToLineEnd() {
    while (!AtEnd()) {
      const char c = Peek();
      if (IsLineEnd(c)) {
        Take();
        if (c == '\r' && Peek() == '\n') Take();
        return true;
      }
      if (IsSpace(c)) {
        Take();
      } else if (c == '[') {
        SkipComment();
      } else {
        return false;
      }
    }
    return true;
  }

  // The next token after blanks and comments: a word, a quoted word ('' inside for a quote,
  // "..." strings too), or one punctuation character. Empty at the end of the text.
  std::string Next() {
    SkipSpace();
    tokenLine_ = line_;
    if (AtEnd()) return "";
    const char c = Peek();
    if (c == '\'' || c == '"') {
      const std::size_t line = line_;
      Take();
      std::string word;
      for (;;) {
        if (AtEnd()) Fail(line, "a quoted name or string is never closed.");
        const char d = Take();
        if (d == c) {
          if (Peek() != c) break;
          Take();
        }
        word += d;
      }
      lastQuoted_ = true;
      return word;
    }
    lastQuoted_ = false;
    if (IsPunctuation(c)) return std::string(1, Take());
    std::string word;
    while (!AtEnd() && !IsSpace(Peek()) && !IsPunctuation(Peek())) word += Take();
    return word;
  }
  bool LastQuoted() const { return lastQuoted_; }
  // The line the last token began on.
  std::size_t TokenLine() const { return tokenLine_; }

  [[noreturn]] void Fail(std::size_t line, const std::string& problem) const {
    throw ReadFailure(ReadProblem::kNotTheLayout, InputPlace{name_, 0, line}, problem);
  }
  [[noreturn]] void Fail(const std::string& problem) const { Fail(line_, problem); }

 private:
  void SkipComment() {
    const std::size_t line = line_;
    int depth = 0;
    do {
      if (AtEnd()) Fail(line, "a [comment] is never closed.");
      const char c = Take();
      depth += c == '[';
      depth -= c == ']';
    } while (depth > 0);
  }

  std::string_view text_;
  const std::string& name_;
  std::size_t at_ = 0;
  std::size_t line_ = 1;
  std::size_t tokenLine_ = 1;
  bool lastQuoted_ = false;
};

enum class NexusType { kStandard, kContinuous };

constexpr float kNoValue = std::numeric_limits<float>::quiet_NaN();

// The matrix as read, before it becomes a data set.
struct NexusMatrix {
  NexusType type = NexusType::kStandard;
  std::size_t taxa = 0;
  std::size_t characters = 0;
  std::vector<std::string> names;
  std::vector<float> cells;  // taxa x characters; NaN for missing
  // The first cell that is neither 0, 1 nor missing, for the message that refuses binary.
  std::size_t otherLine = 0;
  std::string otherText;
  std::size_t reservedLine = 0;
};

class NexusReader {
 public:
  NexusReader(std::string_view text, const std::string& name) : in_(text, name), name_(name) {}

  NexusMatrix Read() {
    const std::string magic = in_.Next();
    if (Upper(magic) != "#NEXUS") in_.Fail(1, "a NEXUS file begins with #NEXUS.");
    bool haveMatrix = false;
    NexusMatrix matrix;
    for (;;) {
      const std::string token = Upper(in_.Next());
      if (token.empty()) break;
      if (token != "BEGIN") continue;
      const std::string block = Upper(in_.Next());
      ExpectSemicolon();
      if (block == "TAXA") {
        ReadTaxa();
      } else if ((block == "CHARACTERS" || block == "DATA") && !haveMatrix) {
        ReadCharacters(matrix);
        haveMatrix = true;
      } else {
        SkipBlock();
      }
    }
    if (!haveMatrix)
      throw ReadFailure(ReadProblem::kNotTheLayout, InputPlace{name_},
                        "the file holds no DATA or CHARACTERS block.");
    return matrix;
  }

 private:
  void ExpectSemicolon() {
    const std::size_t line = in_.Line();
    if (in_.Next() != ";") in_.Fail(line, "a semicolon is missing after a command.");
  }

  // The tokens of a command up to its semicolon.
  std::vector<std::string> RestOfCommand() {
    std::vector<std::string> tokens;
    for (;;) {
      const std::size_t line = in_.Line();
      std::string token = in_.Next();
      if (token.empty()) in_.Fail(line, "the file ends inside a command (a semicolon is missing).");
      if (token == ";" && !in_.LastQuoted()) return tokens;
      tokens.push_back(std::move(token));
    }
  }

  void SkipBlock() {
    for (;;) {
      const std::string token = Upper(in_.Next());
      if (token.empty()) return;
      if ((token == "END" || token == "ENDBLOCK") && !in_.LastQuoted()) {
        ExpectSemicolon();
        return;
      }
    }
  }

  // Key=value pairs of a command (DIMENSIONS, FORMAT); a key without "=" has an empty value,
  // a parenthesised value is kept as its tokens joined by blanks.
  std::vector<std::pair<std::string, std::string>> Settings(std::vector<std::string> tokens) {
    std::vector<std::pair<std::string, std::string>> settings;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
      std::string key = Upper(tokens[i]);
      std::string value;
      if (i + 1 < tokens.size() && tokens[i + 1] == "=") {
        i += 2;
        if (i < tokens.size() && tokens[i] == "(") {
          while (++i < tokens.size() && tokens[i] != ")")
            value += (value.empty() ? "" : " ") + tokens[i];
        } else if (i < tokens.size()) {
          value = tokens[i];
        }
      }
      settings.emplace_back(std::move(key), std::move(value));
    }
    return settings;
  }

  std::size_t Count(const std::string& value, std::size_t line, const char* what) {
    const std::optional<float> number = ParseNumber(value);
    if (!number || *number < 1 || *number != std::floor(*number) || *number > 1e9f) {
      in_.Fail(line,
               std::string(what) + " must be a whole number of at least 1, not \"" + value + "\".");
    }
    return static_cast<std::size_t>(*number);
  }

  void ReadTaxa() {
    for (;;) {
      const std::string command = Upper(in_.Next());
      const std::size_t line = in_.TokenLine();
      if (command.empty()) in_.Fail(line, "the file ends inside the TAXA block.");
      if (command == "END" || command == "ENDBLOCK") return ExpectSemicolon();
      if (command == "DIMENSIONS") {
        for (const auto& [key, value] : Settings(RestOfCommand())) {
          if (key == "NTAX") taxaCount_ = Count(value, line, "NTAX");
        }
      } else if (command == "TAXLABELS") {
        labels_ = RestOfCommand();
      } else {
        RestOfCommand();
      }
    }
  }

  void ReadCharacters(NexusMatrix& matrix) {
    std::size_t taxa = taxaCount_ != 0 ? taxaCount_ : labels_.size();
    for (;;) {
      const std::string command = Upper(in_.Next());
      const std::size_t line = in_.TokenLine();
      if (command.empty()) in_.Fail(line, "the file ends inside the block of the matrix.");
      if (command == "END" || command == "ENDBLOCK") {
        in_.Fail(line, "the block ends without a MATRIX.");
      }
      if (command == "DIMENSIONS") {
        for (const auto& [key, value] : Settings(RestOfCommand())) {
          if (key == "NTAX") taxa = Count(value, line, "NTAX");
          if (key == "NCHAR") matrix.characters = Count(value, line, "NCHAR");
        }
      } else if (command == "FORMAT") {
        ReadFormat(line, matrix);
      } else if (command == "TAXLABELS") {
        labels_ = RestOfCommand();
        if (taxa == 0) taxa = labels_.size();
      } else if (command == "ELIMINATE") {
        in_.Fail(line,
                 "ELIMINATE cannot be applied; remove the command and the characters "
                 "it names.");
      } else if (command == "MATRIX") {
        if (matrix.characters == 0) in_.Fail(line, "the MATRIX comes before NCHAR is given.");
        if (taxa == 0) in_.Fail(line, "the MATRIX comes before the number of taxa (NTAX).");
        if (!labels_.empty() && labels_.size() != taxa) {
          in_.Fail(line, "NTAX is " + std::to_string(taxa) + " but " +
                             std::to_string(labels_.size()) + " taxon labels are given.");
        }
        matrix.taxa = taxa;
        CheckShapeFits(matrix, line);
        ReadMatrix(matrix);
        SkipBlock();
        return;
      } else {
        RestOfCommand();
      }
    }
  }

  void ReadFormat(std::size_t line, NexusMatrix& matrix) {
    for (const auto& [key, value] : Settings(RestOfCommand())) {
      if (key == "DATATYPE") {
        const std::string type = Upper(value);
        if (type == "STANDARD" || type == "RESTRICTION") {
          matrix.type = NexusType::kStandard;
        } else if (type == "CONTINUOUS") {
          matrix.type = NexusType::kContinuous;
        } else {
          in_.Fail(line, "DATATYPE=" + value +
                             " cannot be represented; Marbleset reads STANDARD and CONTINUOUS "
                             "character data, not sequences.");
        }
      } else if (key == "MISSING") {
        missing_ = Symbol(value, line, key);
      } else if (key == "GAP") {
        gap_ = Symbol(value, line, key);
      } else if (key == "MATCHCHAR") {
        match_ = Symbol(value, line, key);
      } else if (key == "INTERLEAVE") {
        interleave_ = Upper(value) != "NO";
      } else if (key == "TRANSPOSE") {
        in_.Fail(line, "a TRANSPOSEd matrix cannot be read; write the taxa as rows.");
      } else if (key == "EQUATE") {
        in_.Fail(line, "EQUATE macros cannot be represented; write the states themselves.");
      } else if (key == "ITEMS" && Upper(value) != "AVERAGE" && Upper(value) != "STATES") {
        in_.Fail(line, "ITEMS=" + value + " cannot be represented; one value a cell is held.");
      } else if (key == "TOKENS") {
        tokens_ = true;
      } else if (key == "NOLABELS") {
        in_.Fail(line, "a matrix without taxon labels (NOLABELS) cannot be read.");
      }
    }
  }

  char Symbol(const std::string& value, std::size_t line, const std::string& key) {
    if (value.size() != 1) in_.Fail(line, key + " must be a single symbol, not \"" + value + "\".");
    return value[0];
  }

  // An unquoted underscore stands for a blank, so 'Festuca rubra' and Festuca_rubra match;
  // blanks at a name's end count for nothing, as in every layout's names.
  static std::string Key(std::string name) {
    for (char& c : name) c = c == '_' ? ' ' : c;
    return std::string(TrimTrailingBlanks(name));
  }

  // The taxon a matrix row belongs to, by its label when labels are known, else in order.
  std::size_t TaxonOf(const std::string& name, std::size_t line, NexusMatrix& matrix,
                      std::size_t& named) {
    auto found = index_.find(Key(name));
    if (found != index_.end()) return found->second;
    if (!labels_.empty()) in_.Fail(line, "the taxon \"" + name + "\" is not in the taxa list.");
    if (named >= matrix.taxa) {
      in_.Fail(line, "the matrix holds more than the " + std::to_string(matrix.taxa) +
                         " taxa of NTAX (\"" + name + "\").");
    }
    matrix.names[named] = name;
    index_.emplace(Key(name), named);
    return named++;
  }

  // Every taxon's row takes at least one character a cell, so a shape larger than the rest of
  // the text is refused before its cells take memory.
  void CheckShapeFits(const NexusMatrix& matrix, std::size_t line) const {
    const std::size_t remaining = in_.Remaining();
    if (matrix.characters <= remaining && matrix.taxa <= remaining / matrix.characters) return;
    in_.Fail(line, "NTAX=" + std::to_string(matrix.taxa) + " and NCHAR=" +
                       std::to_string(matrix.characters) + " declare more cells than the " +
                       std::to_string(remaining) + " characters after MATRIX can hold.");
  }

  void ReadMatrix(NexusMatrix& matrix) {
    matrix.names.assign(matrix.taxa, std::string());
    matrix.cells.assign(matrix.taxa * matrix.characters, kNoValue);
    for (std::size_t t = 0; t < labels_.size(); ++t) {
      matrix.names[t] = labels_[t];
      index_.emplace(Key(labels_[t]), t);
    }
    std::vector<std::size_t> filled(matrix.taxa, 0);
    std::size_t named = 0;
    firstRow_ = matrix.taxa;
    for (;;) {
      in_.SkipSpace();
      const std::size_t line = in_.Line();
      if (in_.Peek() == ';') {
        in_.Take();
        break;
      }
      const std::string name = in_.Next();
      if (name.empty()) in_.Fail(line, "the file ends inside the MATRIX.");
      if (!in_.LastQuoted() && IsPunctuation(name[0])) {
        in_.Fail(line, "a taxon name is expected here, not \"" + name + "\".");
      }
      const std::size_t taxon = TaxonOf(name, line, matrix, named);
      if (firstRow_ == matrix.taxa) firstRow_ = taxon;
      if (!interleave_ && filled[taxon] != 0) {
        in_.Fail(line, "the taxon \"" + name + "\" has a second row.");
      }
      std::size_t& count = filled[taxon];
      if (interleave_) {
        while (!in_.SkipSpaceToLineEnd()) {
          if (in_.Peek() == ';') break;
          ReadCell(matrix, taxon, count, name);
        }
      } else {
        while (count < matrix.characters) {
          in_.SkipSpace();
          if (in_.AtEnd() || in_.Peek() == ';') {
            in_.Fail("the row of \"" + name + "\" ends after " + std::to_string(count) + " of " +
                     std::to_string(matrix.characters) + " characters.");
          }
          ReadCell(matrix, taxon, count, name);
        }
      }
    }
    for (std::size_t cell : matches_) {
      matrix.cells[cell] = matrix.cells[firstRow_ * matrix.characters + cell % matrix.characters];
    }
    for (std::size_t t = 0; t < matrix.taxa; ++t) {
      if (filled[t] != matrix.characters) {
        in_.Fail("the matrix ends with " + std::to_string(filled[t]) + " of " +
                 std::to_string(matrix.characters) + " characters for the taxon \"" +
                 matrix.names[t] + "\".");
      }
    }
  }

  void ReadCell(NexusMatrix& matrix, std::size_t taxon, std::size_t& count,
                const std::string& name) {
    const std::size_t line = in_.Line();
    if (count >= matrix.characters) {
      in_.Fail(line, "the row of \"" + name + "\" holds more than the " +
                         std::to_string(matrix.characters) + " characters of NCHAR.");
    }
    const char c = in_.Peek();
    const std::string where =
        " (taxon \"" + name + "\", character " + std::to_string(count + 1) + ")";
    if (c == '(' || c == '{') {
      in_.Fail(line, std::string("the polymorphic or uncertain state beginning with \"") + c +
                         "\" cannot be represented; a data set holds one value a cell" + where +
                         ".");
    }
    float value = kNoValue;
    std::string text;
    if (matrix.type == NexusType::kStandard && !tokens_) {
      text.assign(1, in_.Take());
    } else {
      text = in_.Next();
    }
    const auto same = [](const std::string& t, char symbol) {
      return t.size() == 1 && std::tolower(static_cast<unsigned char>(t[0])) ==
                                  std::tolower(static_cast<unsigned char>(symbol));
    };
    if (same(text, missing_) || (gap_ != '\0' && same(text, gap_))) {
      value = kNoValue;
    } else if (match_ != '\0' && same(text, match_)) {
      if (taxon == firstRow_) in_.Fail(line, "the first row cannot use MATCHCHAR" + where + ".");
      // The first row's state may come later in an interleaved matrix: copied at the end.
      matches_.push_back(taxon * matrix.characters + count);
      ++count;
      return;
    } else if (matrix.type == NexusType::kStandard && text.size() == 1 && text[0] >= '0' &&
               text[0] <= '9') {
      value = static_cast<float>(text[0] - '0');
    } else if (matrix.type == NexusType::kContinuous) {
      const std::optional<float> number = ParseNumber(text);
      if (!number) in_.Fail(line, "\"" + text + "\" is not a number" + where + ".");
      value = *number;
      if (value == kQuantitativeMissingValue && matrix.reservedLine == 0) {
        matrix.reservedLine = line;
      }
    } else {
      in_.Fail(line, "the state \"" + text +
                         "\" cannot be represented; STANDARD states are read as the digits 0 "
                         "to 9" +
                         where + ".");
    }
    if (!std::isnan(value) && value != 0.0f && value != 1.0f && matrix.otherLine == 0) {
      matrix.otherLine = line;
      matrix.otherText = text + where;
    }
    matrix.cells[taxon * matrix.characters + count] = value;
    ++count;
  }

  NexusCursor in_;
  const std::string& name_;
  std::size_t taxaCount_ = 0;
  std::vector<std::string> labels_;
  std::unordered_map<std::string, std::size_t> index_;
  char missing_ = '?';
  char gap_ = '\0';
  char match_ = '\0';
  bool interleave_ = false;
  bool tokens_ = false;
  std::size_t firstRow_ = 0;
  std::vector<std::size_t> matches_;
};

}  // namespace

DataSet ReadNexusText(std::string_view text, const std::string& name, KindChoice kind,
                      std::uint64_t memoryLimit) {
  NexusReader reader(text, name);
  const NexusMatrix matrix = reader.Read();
  const bool binaryValues = matrix.otherLine == 0;
  if (kind == KindChoice::kBinary && !binaryValues) {
    throw ReadFailure(ReadProblem::kOtherKind, InputPlace{name, 0, matrix.otherLine},
                      "the value " + matrix.otherText +
                          " is neither 0, 1 nor missing, so the matrix cannot be read as binary "
                          "data.");
  }
  const bool binary = kind == KindChoice::kBinary || (kind == KindChoice::kAuto && binaryValues &&
                                                      matrix.type == NexusType::kStandard);
  if (!binary && matrix.reservedLine != 0) {
    throw ReadFailure(ReadProblem::kNotAValue, InputPlace{name, 0, matrix.reservedLine},
                      "the value -9999 is the code quantitative data sets hold for missing "
                      "entries; write it as the MISSING symbol if it is missing.");
  }
  DataSet data;
  data.SetMemoryLimit(memoryLimit);
  const float missing = binary ? kBinaryMissingValue : kQuantitativeMissingValue;
  data.Resize(binary ? DataKind::kBinary : DataKind::kQuantitative, matrix.taxa, matrix.characters,
              missing);
  for (std::size_t t = 0; t < matrix.taxa; ++t) {
    data.otuNames[t] = std::string(TrimTrailingBlanks(matrix.names[t]));
    const float* row = matrix.cells.data() + t * matrix.characters;
    for (std::size_t k = 0; k < matrix.characters; ++k) {
      data.SetValue(t, k, std::isnan(row[k]) ? missing : row[k]);
    }
  }
  return data;
}

DataSet ReadNexusFile(const std::string& path, KindChoice kind, std::uint64_t memoryLimit) {
  const std::string text = ReadWholeFile(path);
  return ReadNexusText(text, path, kind, memoryLimit);
}

}  // namespace marbleset
