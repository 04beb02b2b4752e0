#include "shell/phylip_names_output.h"

#include "dataset/output_file.h"

namespace marbleset::shell {

PhylipNamesOutput::PhylipNamesOutput(marbleset::DataSet& data, bool keepEqualNamesEqual)
    : names_(marbleset::MakeOutputPhylipNames(data.otuNames, keepEqualNamesEqual)),
      scoped_(std::make_unique<marbleset::ScopedOtuNames>(data, names_.perOtu)) {}

void PhylipNamesOutput::WriteTable(const std::string& outputPath) const {
  marbleset::OutputFile file(marbleset::NameTablePath(outputPath));
  marbleset::WriteNameTable(names_.table, file.sink());
  file.Close();
}

}  // namespace marbleset::shell
