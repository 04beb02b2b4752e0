// Fuzz target: Newick text read as trees, each tree written and read back to the same text,
// and the same text given to the name restoration with a table of the names it holds.
#include "formats/newick_reader.h"
#include "formats/newick_writer.h"
#include "formats/phylip_names.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  using namespace marbleset;
  const std::string text = fuzz::TextOf(bytes, size);
  NewickNames names;
  std::vector<Tree> trees;
  try {
    trees = ReadNewick(text, names, "fuzz.tre");
  } catch (const Failure&) {
    return 0;  // text that is not Newick fails with its place named
  }
  for (const Tree& tree : trees) {
    const std::string written = NewickText(tree);
    NewickNames again{names.names, true};
    const std::vector<Tree> back = ReadNewick(written, again, "written.tre");
    if (back.size() != 1 || NewickText(back.front()) != written) __builtin_trap();
  }
  std::vector<std::pair<std::string, std::string>> table;
  for (const std::string& name : names.names) table.emplace_back(name, name + "_x");
  try {
    RestoreTreeNames(text, "fuzz.tre", table);
  } catch (const Failure&) {
  }
  return 0;
}
