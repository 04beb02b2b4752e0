// Helpers the tree tests share: data built inline, PHYLIP runs in their own folders, and trees
// compared by their splits.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "dataset/data_set.h"
#include "trees/tree.h"

namespace marbleset::testing_trees {

namespace fs = std::filesystem;

inline std::string ReadWholeFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// PHYLIP asks before it replaces an outfile or outtree: every run gets a fresh folder.
struct TempFolder {
  fs::path path;
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "marbleset-trees-XXXXXX").string();
    path = mkdtemp(pattern.data());
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
  std::string operator/(const std::string& name) const { return (path / name).string(); }
};

struct PhylipRun {
  int status = -1;
  std::string outfile, outtree;
};

// program run in folder with its menu answers on standard input, a timeout ending any hang.
inline PhylipRun RunPhylip(const std::string& program, const TempFolder& folder,
                           const std::string& answers, int timeoutSeconds = 120) {
  std::ofstream(folder / "answers", std::ios::binary) << answers;
  const std::string command = "cd '" + folder.path.string() + "' && timeout -k 5 " +
                              std::to_string(timeoutSeconds) + " '" MARBLESET_PHYLIP_BIN "/" +
                              program + "' < answers > screen 2>&1";
  const int raw = std::system(command.c_str());
  return {raw == -1 ? -1 : WEXITSTATUS(raw), ReadWholeFile(folder / "outfile"),
          ReadWholeFile(folder / "outtree")};
}

// Names of at most 10 characters (what PHYLIP reads whole), padded to the 12-character field.
inline std::string OtuName(std::size_t otu) {
  std::string name = "T";  // appended, not concatenated: GCC 12 warns wrongly on the temporary
  name += std::to_string(otu);
  return name;
}

// Random data of either kind with a hidden tree-like structure, some missing entries.
inline DataSet RandomData(DataKind kind, std::size_t otus, std::size_t characters, unsigned seed,
                          double missingShare = 0.03) {
  DataSet data;
  const float missing = kind == DataKind::kBinary ? kBinaryMissingValue : kQuantitativeMissingValue;
  data.Resize(kind, otus, characters, missing);
  std::mt19937 draw(seed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (std::size_t i = 0; i < otus; ++i) {
    std::string name = OtuName(i);
    name.resize(12, ' ');
    data.otuNames[i] = name;
    for (std::size_t k = 0; k < characters; ++k) {
      // The character follows a bit of the OTU's index, with noise.
      const bool bit = ((i >> (k % 7)) & 1) != (unit(draw) < 0.2);
      float value = kind == DataKind::kBinary
                        ? static_cast<float>(bit)
                        : static_cast<float>(bit * 2.0 + unit(draw) + static_cast<double>(k % 3));
      if (unit(draw) < missingShare) value = missing;
      data.SetValue(i, k, value);
    }
  }
  return data;
}

// The branches of a tree as the OTU names on the side without the first OTU (by name order of
// `names`), each with the summed length of the branch (both halves of a two-child root).
using Side = std::set<std::string>;
std::map<Side, double> BranchesByNames(const Tree& tree, const std::vector<std::string>& names);

}  // namespace marbleset::testing_trees
