#include "formats/splits_nexus_writer.h"

#include <algorithm>
#include <charconv>

#include "formats/nexus_writer.h"

namespace marbleset {

namespace {

// The shortest text that reads back as the same double.
std::string ExactNumber(double value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

void AppendLine(TextSink& out, const std::string& text) {
  out.Append(text);
  out.EndLine();
}

void WriteTaxa(const WeightedSplits& splits, TextSink& out) {
  AppendLine(out, "BEGIN TAXA;");
  AppendLine(out, "\tDIMENSIONS ntax=" + std::to_string(splits.names.size()) + ";");
  AppendLine(out, "\tTAXLABELS");
  for (std::size_t i = 0; i < splits.names.size(); ++i)
    AppendLine(out, "\t\t[" + std::to_string(i + 1) + "] " + NexusName(splits.names[i]));
  AppendLine(out, "\t;");
  AppendLine(out, "END;");
}

// The side of a split without OTU 0, in increasing order, counted from 1.
std::vector<std::size_t> ListedSide(const std::vector<std::size_t>& side, std::size_t otus) {
  std::vector<char> in(otus, 0);
  for (std::size_t otu : side) in[otu] = 1;
  std::vector<std::size_t> listed;
  const bool complement = otus > 0 && in[0];
  for (std::size_t otu = 0; otu < otus; ++otu)
    if ((in[otu] != 0) != complement) listed.push_back(otu + 1);
  return listed;
}

}  // namespace

void WriteSplitsNexus(const WeightedSplits& splits, TextSink& out) {
  const std::size_t otus = splits.names.size();
  AppendLine(out, "#NEXUS");
  out.EndLine();
  WriteTaxa(splits, out);
  out.EndLine();
  AppendLine(out, "BEGIN SPLITS;");
  AppendLine(out, "\tDIMENSIONS ntax=" + std::to_string(otus) +
                      " nsplits=" + std::to_string(splits.sides.size()) + ";");
  AppendLine(out, "\tFORMAT labels=no weights=yes confidences=no intervals=no;");
  std::string properties;
  if (splits.fit >= 0) properties += " fit=" + ExactNumber(splits.fit);
  if (!splits.cycle.empty()) properties += " cyclic";
  if (!properties.empty()) AppendLine(out, "\tPROPERTIES" + properties + ";");
  if (!splits.cycle.empty()) {
    // The circle read from the first OTU, as SplitsTree shows it.
    const auto start = std::find(splits.cycle.begin(), splits.cycle.end(), 0);
    std::vector<std::size_t> cycle(start, splits.cycle.end());
    cycle.insert(cycle.end(), splits.cycle.begin(), start);
    std::string line = "\tCYCLE";
    for (std::size_t otu : cycle) line.append(" ").append(std::to_string(otu + 1));
    AppendLine(out, line + ";");
  }
  AppendLine(out, "\tMATRIX");
  for (std::size_t s = 0; s < splits.sides.size(); ++s) {
    const std::vector<std::size_t> side = ListedSide(splits.sides[s], otus);
    std::string line = "\t\t[" + std::to_string(s + 1) + ", size=" + std::to_string(side.size()) +
                       "]\t" + ExactNumber(splits.weights[s]) + "\t";
    for (std::size_t k = 0; k < side.size(); ++k)
      line.append(k ? " " : "").append(std::to_string(side[k]));
    AppendLine(out, line + ",");
  }
  AppendLine(out, "\t;");
  AppendLine(out, "END;");
}

}  // namespace marbleset
