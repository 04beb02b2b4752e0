#include "shell/file_types.h"

#include <QStringList>

#include "dataset/output_file.h"
#include "formats/data_writer.h"
#include "formats/csv_writer.h"
#include "formats/nexus_writer.h"
#include "shell/phylip_names_output.h"

namespace marbleset::shell {

using marbleset::FileFormat;

QString OpenFilter() {
  return QStringList{"Phylip files (*.phy)",
                     "Phylip files (*.*)",
                     "NT-SYS files (*.nts)",
                     "Delimited tables (*.csv *.tsv *.txt *.Rtab)",
                     "NEXUS files (*.nex *.nxs)",
                     "VCF/BCF files (*.vcf *.vcf.gz *.bcf)",
                     "All files, layout found from the file (*)"}
      .join(";;");
}

FileFormat FormatOfOpenEntry(int entry, const std::string& path) {
  switch (static_cast<OpenEntry>(entry)) {
    case OpenEntry::kNtsys:
      return FileFormat::kNtsys;
    case OpenEntry::kTable:
      return FileFormat::kDelimited;
    case OpenEntry::kNexus:
      return FileFormat::kNexus;
    case OpenEntry::kVcf:
      return FileFormat::kVcf;
    case OpenEntry::kDetected:
      return marbleset::DetectFileFormat(path);
    default:
      // Both PHYLIP entries, and whatever a platform dialog reports that the list lacks, read
      // the PHYLIP layout, as the Open commands always have.
      return FileFormat::kPhylip;
  }
}

QString SaveFilter() {
  return QStringList{"Phylip files(.phy) (*.phy)", "NTsys files(.nts) (*.nts)",
                     "NEXUS files(.nex) (*.nex)", "CSV files(.csv) (*.csv)",
                     "Phylip files, names for PHYLIP (10 characters) (*.phy)"}
      .join(";;");
}

void SaveDataAs(marbleset::DataSet& data, const std::string& path, int entry) {
  switch (static_cast<SaveEntry>(entry)) {
    case SaveEntry::kNtsys:
      marbleset::WriteNtsysData(data, path);
      return;
    case SaveEntry::kNexus: {
      marbleset::OutputFile file(path);
      marbleset::WriteNexusData(data, file.sink());
      file.Close();
      return;
    }
    case SaveEntry::kCsv: {
      marbleset::OutputFile file(path);
      marbleset::WriteCsvData(data, file.sink());
      file.Close();
      return;
    }
    case SaveEntry::kPhylipNames: {
      // The data is in memory, so the save may replace the data file; the table may not, since
      // it would not hold the data.
      marbleset::RefuseDataFileAsOutput(marbleset::NameTablePath(path), data.fileName);
      const PhylipNamesOutput names(data, false);
      marbleset::WritePhylipData(data, path);
      names.WriteTable(path);
      return;
    }
    default:
      marbleset::WritePhylipData(data, path);
      return;
  }
}

}  // namespace marbleset::shell
