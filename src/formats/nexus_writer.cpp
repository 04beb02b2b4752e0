#include "formats/nexus_writer.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>

#include "dataset/errors.h"
#include "formats/value_text.h"

namespace marbleset {

namespace {

void Line(TextSink& out, std::string_view text) {
  out.Append(text);
  out.EndLine();
}

// How a NEXUS reader tells taxa apart: an unquoted "_" stands for a blank.
std::string TaxonKey(std::string_view name) {
  std::string key(name);
  std::replace(key.begin(), key.end(), '_', ' ');
  return key;
}

// NEXUS matches matrix rows to taxa by name, so two taxa that read as one name would merge or
// be refused by every reader; the file is refused before anything is written.
void RefuseRepeatedNames(const std::vector<std::string>& names) {
  std::unordered_map<std::string, std::size_t> firstOf;
  std::string repeated;
  std::size_t count = 0;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const auto [first, added] = firstOf.try_emplace(TaxonKey(names[i]), i);
    if (added) continue;
    if (++count <= 5) {
      repeated += (count > 1 ? ", " : "") +
                  ("\"" + names[first->second] + "\" (OTU " + std::to_string(first->second + 1) +
                   ") and \"" + names[i] + "\" (OTU " + std::to_string(i + 1) + ")");
    }
  }
  if (count == 0) return;
  throw WriteFailure(
      "NEXUS needs a distinct name for every taxon (\"_\" counts as a blank), "
      "but " +
      std::to_string(count) + (count == 1 ? " name repeats" : " names repeat") +
      " another: " + repeated + (count > 5 ? ", ..." : "") +
      ". Give each a name of its own in the data file, then save again.");
}

// An empty name would have to be written as "_", which reads back as a name of its own.
void RefuseEmptyNames(const std::vector<std::string>& names) {
  const auto empty = std::find(names.begin(), names.end(), std::string());
  if (empty == names.end()) return;
  throw WriteFailure("NEXUS needs a name for every taxon, but OTU " +
                     std::to_string(empty - names.begin() + 1) +
                     " has none. Name it in the data file, then save again.");
}

std::vector<std::string> TokensOf(const std::vector<std::string>& names) {
  std::vector<std::string> trimmed;
  trimmed.reserve(names.size());
  for (const std::string& name : names) trimmed.emplace_back(TrimTrailingBlanks(name));
  RefuseEmptyNames(trimmed);
  RefuseRepeatedNames(trimmed);
  std::vector<std::string> tokens;
  tokens.reserve(names.size());
  for (const std::string& name : trimmed) tokens.push_back(NexusName(name));
  return tokens;
}

void WriteTaxa(const std::vector<std::string>& tokens, TextSink& out) {
  Line(out, "BEGIN TAXA;");
  Line(out, "  DIMENSIONS NTAX=" + std::to_string(tokens.size()) + ";");
  Line(out, "  TAXLABELS");
  for (const std::string& token : tokens) Line(out, "    " + token);
  Line(out, "  ;");
  Line(out, "END;");
  out.EndLine();
}

// The name column of a matrix: every name padded to the longest and two blanks.
void RowName(TextSink& out, const std::string& token, std::size_t width) {
  out.Append("    ");
  out.Append(token);
  out.Append(std::string(width + 2 - token.size(), ' '));
}

std::size_t Widest(const std::vector<std::string>& tokens) {
  std::size_t widest = 0;
  for (const std::string& token : tokens) widest = std::max(widest, token.size());
  return widest;
}

}  // namespace

std::string NexusName(std::string_view name) {
  if (name.empty()) return "_";
  bool plain = true;
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    // NEXUS punctuation, blanks and control characters need quotes.
    if (std::isspace(u) || u < 32 ||
        std::string_view("()[]{}/\\,;:=*'\"`+-<>").find(c) != std::string_view::npos) {
      plain = false;
    }
  }
  if (plain) return std::string(name);
  std::string quoted = "'";
  for (char c : name) {
    if (c == '\'') quoted += '\'';
    quoted += c;
  }
  quoted += '\'';
  return quoted;
}

void WriteNexusData(const DataSet& data, TextSink& out) {
  const std::vector<std::string> tokens = TokensOf(data.otuNames);
  const std::size_t width = Widest(tokens);
  Line(out, "#NEXUS");
  out.EndLine();
  WriteTaxa(tokens, out);
  // Binary data holding values other than 0 and 1 (from an NTSYS file) cannot be STANDARD
  // with symbols "01"; as CONTINUOUS it keeps every value.
  const bool standard = data.IsBinary() && !data.HasOtherValues();
  Line(out, "BEGIN CHARACTERS;");
  Line(out, "  DIMENSIONS NCHAR=" + std::to_string(data.CharCount()) + ";");
  Line(out, standard ? "  FORMAT DATATYPE=STANDARD SYMBOLS=\"01\" MISSING=?;"
                     : "  FORMAT DATATYPE=CONTINUOUS MISSING=?;");
  Line(out, "  MATRIX");
  for (std::size_t i = 0; i < data.OtuCount(); ++i) {
    RowName(out, tokens[i], width);
    if (standard) {
      const std::uint64_t* ones = data.OnesRow(i);
      const std::uint64_t* missing = data.MissingRow(i);
      char* place = out.Reserve(data.CharCount());
      for (std::size_t k = 0; k < data.CharCount(); ++k) {
        const std::uint64_t bit = std::uint64_t{1} << (k % 64);
        place[k] = (missing[k / 64] & bit) ? '?' : (ones[k / 64] & bit) ? '1' : '0';
      }
      out.Commit(data.CharCount());
    } else {
      for (std::size_t k = 0; k < data.CharCount(); ++k) {
        if (k != 0) out.Append(' ');
        if (data.IsMissing(i, k)) {
          out.Append('?');
        } else {
          AppendShortestFloat(out, data.Value(i, k));
        }
      }
    }
    out.EndLine();
  }
  Line(out, "  ;");
  Line(out, "END;");
}

void WriteNexusDistances(const DistanceMatrix& matrix, TextSink& out) {
  const std::vector<std::string> tokens = TokensOf(matrix.names);
  const std::size_t width = Widest(tokens);
  Line(out, "#NEXUS");
  out.EndLine();
  WriteTaxa(tokens, out);
  Line(out, "BEGIN DISTANCES;");
  Line(out, "  DIMENSIONS NTAX=" + std::to_string(matrix.n) + ";");
  Line(out, "  FORMAT TRIANGLE=BOTH DIAGONAL LABELS=LEFT;");
  Line(out, "  MATRIX");
  for (std::size_t i = 0; i < matrix.n; ++i) {
    RowName(out, tokens[i], width);
    for (std::size_t j = 0; j < matrix.n; ++j) {
      if (j != 0) out.Append(' ');
      AppendSixDecimals(out, matrix.At(i, j));
    }
    out.EndLine();
  }
  Line(out, "  ;");
  Line(out, "END;");
}

}  // namespace marbleset
