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

// The names an output carries: one per OTU, and the table of the distinct ones.
struct NamesForPhylip {
  std::vector<std::string> perOtu;
  marbleset::PhylipNames table;
};

// Every OTU gets its own name, except with keepEqualNamesEqual (GenStraps, which draws among
// the OTUs of one name): OTUs whose names are equal share one written name, so the groups the
// run draws from stay the same, and the table lists each name once.
NamesForPhylip MakeNamesForPhylip(const std::vector<std::string>& otuNames,
                                  bool keepEqualNamesEqual);

// While it lives, the data set's OTUs carry their names for PHYLIP (the matrix is not copied);
// the original names are back when it ends, however the output ended.
class PhylipNamesOutput {
 public:
  PhylipNamesOutput(marbleset::DataSet& data, bool keepEqualNamesEqual);
  // Writes the table to NameTablePath(outputPath) through an OutputFile. Throws WriteFailure.
  void WriteTable(const std::string& outputPath) const;

 private:
  NamesForPhylip names_;
  std::unique_ptr<marbleset::ScopedOtuNames> scoped_;
};

}  // namespace marbleset::shell
