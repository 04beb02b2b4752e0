#include "shell/phylip_names_output.h"

#include <unordered_map>

#include "dataset/output_file.h"

namespace marbleset::shell {

NamesForPhylip MakeNamesForPhylip(const std::vector<std::string>& otuNames,
                                  bool keepEqualNamesEqual) {
  NamesForPhylip names;
  if (!keepEqualNamesEqual) {
    names.table = marbleset::MakePhylipNames(otuNames);
    names.perOtu = names.table.written;
    return names;
  }
  // Equal as the run compares them: the whole name field.
  std::vector<std::string> distinct;
  std::vector<std::size_t> slot(otuNames.size());
  std::unordered_map<std::string, std::size_t> slotOf;
  for (std::size_t i = 0; i < otuNames.size(); ++i) {
    const auto [found, added] = slotOf.try_emplace(otuNames[i], distinct.size());
    if (added) distinct.push_back(otuNames[i]);
    slot[i] = found->second;
  }
  names.table = marbleset::MakePhylipNames(distinct);
  names.perOtu.reserve(otuNames.size());
  for (std::size_t i = 0; i < otuNames.size(); ++i) {
    names.perOtu.push_back(names.table.written[slot[i]]);
  }
  return names;
}

PhylipNamesOutput::PhylipNamesOutput(marbleset::DataSet& data, bool keepEqualNamesEqual)
    : names_(MakeNamesForPhylip(data.otuNames, keepEqualNamesEqual)),
      scoped_(std::make_unique<marbleset::ScopedOtuNames>(data, names_.perOtu)) {}

void PhylipNamesOutput::WriteTable(const std::string& outputPath) const {
  marbleset::OutputFile file(marbleset::NameTablePath(outputPath));
  marbleset::WriteNameTable(names_.table, file.sink());
  file.Close();
}

}  // namespace marbleset::shell
