#include "shell/output_names.h"

#include <QDir>

#include "shell/run_dialog.h"

namespace marbleset::shell {
namespace {

struct Ending {
  int cut;
  const char* suffix;
};

Ending EndingOf(RunMode mode) {
  switch (mode) {
    case RunMode::kDistances:
      return {3, "txt"};
    case RunMode::kBootStraps:
      return {4, "_bs.phy"};
    case RunMode::kPermutations:
      return {4, "_pm.phy"};
    case RunMode::kGenStraps:
      return {4, "_gs.phy"};
    case RunMode::kRandomResampling:
      return {4, "_rs.phy"};
    case RunMode::kMissStraps:
      return {4, "_ms.phy"};
    case RunMode::kNoise:
      return {4, "_n.phy"};
  }
  return {0, ""};
}

// folder + separator + name, without doubling the separator the folder already ends with (a root
// folder, or a folder the user typed with one).
QString InFolder(const QString& folder, const QString& name) {
  const bool ends = folder.endsWith(QDir::separator()) || folder.endsWith(QLatin1Char('/'));
  return ends ? folder + name : folder + QDir::separator() + name;
}

// The characters of a file ending beyond the four of ".phy": the data files Marbleset reads
// whose endings are longer lose them whole (calls.vcf.gz gives calls_bs.phy, not calls.vc_bs.phy).
int LongerEnding(const QString& name) {
  for (const char* ending : {".vcf.gz", ".Rtab"}) {
    const QLatin1String text(ending);
    if (name.endsWith(text, Qt::CaseInsensitive) && name.size() > text.size()) {
      return static_cast<int>(text.size()) - 4;
    }
  }
  return 0;
}

}  // namespace

QString ProposedOutputFile(RunMode mode, const QString& dataDir, const QString& dataFileTitle) {
  const Ending ending = EndingOf(mode);
  const int cut = ending.cut + LongerEnding(dataFileTitle);
  const QString stem = dataFileTitle.size() < cut ? dataFileTitle : dataFileTitle.chopped(cut);
  return InFolder(dataDir, stem + QLatin1String(ending.suffix));
}

QString PhylipInfile(const QString& phylipDir) {
  return InFolder(phylipDir, QStringLiteral("infile"));
}

}  // namespace marbleset::shell
