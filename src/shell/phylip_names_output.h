// Names for PHYLIP on one output file: PHYLIP's programs read 10 characters of a name, so the
// output carries unique names of at most 10 characters and a table beside it gives each its
// original name.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dataset/data_set.h"
#include "formats/phylip_names.h"

namespace marbleset::shell {

// While it lives, the data set's OTUs carry their names for PHYLIP (MakeOutputPhylipNames, with
// keepEqualNamesEqual for GenStraps; the matrix is not copied); the original names are back
// when it ends, however the output ended.
class PhylipNamesOutput {
 public:
  PhylipNamesOutput(marbleset::DataSet& data, bool keepEqualNamesEqual);
  // Writes the table to NameTablePath(outputPath) through an OutputFile. Throws WriteFailure.
  void WriteTable(const std::string& outputPath) const;

 private:
  marbleset::OutputPhylipNames names_;
  std::unique_ptr<marbleset::ScopedOtuNames> scoped_;
};

}  // namespace marbleset::shell
