#include "shell/analysis_result_window.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <sstream>

#include "dataset/errors.h"
#include "distances/analysis_reports.h"
#include "formats/distance_file_reader.h"
#include "pictures/amova_groups.h"
#include "shell/busy_pointer.h"
#include "shell/session_log.h"
#include "shell/window_placement.h"

namespace marbleset::shell {

namespace {

// The report's bytes as a writer gives them, with the line ends the clipboard and the view use.
QString Written(const ResultTable& table, void (*write)(const ResultTable&, TextSink&)) {
  std::ostringstream bytes;
  {
    TextSink sink(bytes);
    write(table, sink);
    sink.Flush();
  }
  return QString::fromStdString(bytes.str()).replace("\r\n", "\n");
}

const QString kMatrixFilter = "Distance matrices (infile *.txt *.dis *.dst *.phy);;All files (*)";
const QString kGroupFilter = "Groups (*.txt *.tsv *.csv);;All files (*)";

// The path the user chooses, or empty when they cancel.
QString AskFile(QWidget& parent, PlatformServices& services, const QString& title,
                const QString& filter, const QString& folder) {
  FileDialogRequest request;
  request.title = title;
  request.filter = filter;
  request.initialFolder = folder;
  const std::optional<FileChoice> choice = services.ChooseOpenFile(&parent, request);
  return choice ? choice->path : QString();
}

AnalysisResultWindow* Open(QWidget& parent, PlatformServices& services, ResultTable table) {
  auto* window = new AnalysisResultWindow(std::move(table), services, &parent);
  PlaceWindow(*window, parent);
  window->show();
  return window;
}

}  // namespace

DistanceMatrix OneMatrixOfFile(const QString& path) {
  std::vector<DistanceMatrix> matrices = ReadDistanceMatrixFile(path.toStdString());
  if (matrices.size() != 1)
    throw Failure(path.toStdString() + " holds " + std::to_string(matrices.size()) +
                  " matrices; one is shown or analysed at a time.");
  return std::move(matrices.front());
}

AnalysisResultWindow::AnalysisResultWindow(ResultTable table, PlatformServices& services,
                                           QWidget* parent)
    : QWidget(parent, Qt::Window), table_(std::move(table)), services_(services) {
  setObjectName("analysisResultWindow");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QString::fromStdString(table_.title));
  view_ = new QPlainTextEdit(ReportText(), this);
  view_->setObjectName("reportView");
  view_->setReadOnly(true);
  view_->setLineWrapMode(QPlainTextEdit::NoWrap);
  view_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  copyTextButton_ = new QPushButton("Copy as text", this);
  copyTextButton_->setObjectName("copyTextButton");
  copyCsvButton_ = new QPushButton("Copy as CSV", this);
  copyCsvButton_->setObjectName("copyCsvButton");
  methodsButton_ = new QPushButton("Methods...", this);
  methodsButton_->setObjectName("methodsButton");
  methodsButton_->hide();
  connect(methodsButton_, &QPushButton::clicked, this,
          [this] { ShowMethods(this, facts_, services_); });
  connect(copyTextButton_, &QPushButton::clicked, this, &AnalysisResultWindow::CopyText);
  connect(copyCsvButton_, &QPushButton::clicked, this, &AnalysisResultWindow::CopyCsv);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(methodsButton_);
  buttons->addWidget(copyTextButton_);
  buttons->addWidget(copyCsvButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(view_);
  layout->addLayout(buttons);
  const QFontMetrics metrics(view_->font());
  resize(metrics.horizontalAdvance(QLatin1Char('0')) * 90, metrics.lineSpacing() * 22);
}

QString AnalysisResultWindow::ReportText() const {
  return Written(table_, WriteResultText);
}
QString AnalysisResultWindow::ReportCsv() const {
  return Written(table_, WriteResultCsv);
}
void AnalysisResultWindow::CopyText() {
  services_.SetClipboardText(ReportText());
}
void AnalysisResultWindow::CopyCsv() {
  services_.SetClipboardText(ReportCsv());
}
void AnalysisResultWindow::SetMethods(const marbleset::MethodsFacts& facts) {
  facts_ = facts;
  methodsButton_->show();
}

AnalysisResultWindow* AskAndShowAmova(QWidget& parent, PlatformServices& services,
                                      const QString& folder, SessionLog* log) {
  const QString title = "AMOVA";
  const QString matrixPath =
      AskFile(parent, services, "AMOVA: distance matrix", kMatrixFilter, folder);
  if (matrixPath.isEmpty()) return nullptr;
  const QString start = QFileInfo(matrixPath).absolutePath();
  const QString groups =
      AskFile(parent, services, "AMOVA: the population of every OTU", kGroupFilter, start);
  if (groups.isEmpty()) return nullptr;
  QString regions;
  if (services.AskYesNo(&parent, title, "Group the populations into regions as well?")) {
    regions =
        AskFile(parent, services, "AMOVA: the region of every population", kGroupFilter, start);
    if (regions.isEmpty()) return nullptr;
  }
  try {
    const BusyPointer busy;
    const DistanceMatrix matrix = OneMatrixOfFile(matrixPath);
    const AmovaDesign design =
        pictures::ReadAmovaDesign(matrix.names, groups.toStdString(), regions.toStdString());
    NoProgress none;
    const PermutationSettings permutations;
    const AmovaResult result = RunAmova(matrix, design, permutations, none);
    AnalysisResultWindow* window =
        Open(parent, services, AmovaReport(result, QFileInfo(matrixPath).fileName().toStdString()));
    if (log != nullptr) {
      log->Commands().AmovaRun(matrixPath.toStdString(), groups.toStdString(),
                               regions.toStdString());
      window->SetMethods(DistanceAnalysisFacts(log->Facts(), "amova", {matrixPath.toStdString()},
                                               permutations.permutations, permutations.seed));
    }
    return window;
  } catch (const std::exception& problem) {
    services.ShowMessage(&parent, title, QString::fromStdString(problem.what()));
    return nullptr;
  }
}

AnalysisResultWindow* AskAndShowMantel(QWidget& parent, PlatformServices& services,
                                       const QString& folder, SessionLog* log) {
  const QString title = "Mantel test";
  const QString first =
      AskFile(parent, services, "Mantel test: the first distance matrix", kMatrixFilter, folder);
  if (first.isEmpty()) return nullptr;
  const QString second = AskFile(parent, services, "Mantel test: the second distance matrix",
                                 kMatrixFilter, QFileInfo(first).absolutePath());
  if (second.isEmpty()) return nullptr;
  const bool ranks = services.AskYesNo(
      &parent, title,
      "Correlate the ranks of the distances (Spearman) rather than the distances themselves "
      "(Pearson)?");
  try {
    const BusyPointer busy;
    NoProgress none;
    const PermutationSettings permutations;
    const MantelResult result =
        RunMantel(OneMatrixOfFile(first), OneMatrixOfFile(second),
                  ranks ? MantelMethod::kSpearman : MantelMethod::kPearson, permutations, none);
    AnalysisResultWindow* window =
        Open(parent, services,
             MantelReport(result, QFileInfo(first).fileName().toStdString(),
                          QFileInfo(second).fileName().toStdString()));
    if (log != nullptr) {
      log->Commands().MantelRun(first.toStdString(), second.toStdString(), ranks);
      window->SetMethods(DistanceAnalysisFacts(log->Facts(),
                                               ranks ? "mantel spearman" : "mantel pearson",
                                               {first.toStdString(), second.toStdString()},
                                               permutations.permutations, permutations.seed));
    }
    return window;
  } catch (const std::exception& problem) {
    services.ShowMessage(&parent, title, QString::fromStdString(problem.what()));
    return nullptr;
  }
}

}  // namespace marbleset::shell
