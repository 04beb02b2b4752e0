// The window of an analysis's report (AMOVA, the Mantel test): its tables as text, with buttons
// that copy them as text or as CSV for a spreadsheet. The functions below ask for the files an
// analysis needs through the platform's dialogs, run it and open the window beside parent.
#pragma once

#include <QWidget>

#include "dataset/distance_matrix.h"
#include "formats/result_table_writer.h"
#include "provenance/methods_text.h"
#include "shell/platform_services.h"

class QPlainTextEdit;
class QPushButton;

namespace marbleset::shell {

class SessionLog;

class AnalysisResultWindow : public QWidget {
  Q_OBJECT

 public:
  AnalysisResultWindow(ResultTable table, PlatformServices& services, QWidget* parent = nullptr);

  QString ReportText() const;
  QString ReportCsv() const;
  void CopyText();
  void CopyCsv();
  // The facts of the methods paragraph its "Methods..." button shows (the button appears with
  // them).
  void SetMethods(const marbleset::MethodsFacts& facts);

 private:
  ResultTable table_;
  PlatformServices& services_;
  QPlainTextEdit* view_;
  QPushButton* copyTextButton_;
  QPushButton* copyCsvButton_;
  QPushButton* methodsButton_;
  marbleset::MethodsFacts facts_;
};

// The one matrix of a distance file; a file of several is refused (throws Failure) rather than
// cut to its first.
DistanceMatrix OneMatrixOfFile(const QString& path);

// Calculate > AMOVA...: a distance file, the populations of its OTUs and, if the user wants,
// the regions of the populations; folder is where the dialogs start. Problems are shown, never
// thrown. Returns the window it opened, or null. A session log, where given, records the run.
AnalysisResultWindow* AskAndShowAmova(QWidget& parent, PlatformServices& services,
                                      const QString& folder, SessionLog* log = nullptr);
// Calculate > Mantel test...: two distance files, and Pearson's or Spearman's correlation.
AnalysisResultWindow* AskAndShowMantel(QWidget& parent, PlatformServices& services,
                                       const QString& folder, SessionLog* log = nullptr);

}  // namespace marbleset::shell
