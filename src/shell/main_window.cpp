#include "shell/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <exception>
#include <memory>

#include "dataset/errors.h"
#include "dataset/progress.h"
#include "distances/distance_run.h"
#include "formats/data_io.h"
#include "formats/distance_file_reader.h"
#include "formats/format_registry.h"
#include "pictures/distance_pictures.h"
#include "provenance/sha256.h"
#include "shell/about_box.h"
#include "shell/analysis_result_window.h"
#include "shell/background_run.h"
#include "shell/busy_pointer.h"
#include "shell/crop_dialog.h"
#include "shell/data_stamp.h"
#include "shell/data_window.h"
#include "shell/distance_picture_window.h"
#include "shell/file_types.h"
#include "shell/help_window.h"
#include "shell/import_table_dialog.h"
#include "shell/matrix_picture_panel.h"
#include "shell/matrix_picture_view.h"
#include "shell/progress_window.h"
#include "shell/run_dialog.h"
#include "shell/session_log.h"
#include "shell/settings_dialog.h"
#include "shell/settings_store.h"
#include "shell/split_network_window.h"
#include "shell/tree_dialog.h"
#include "shell/window_placement.h"

namespace marbleset::shell {

namespace {

using marbleset::DataCommand;

constexpr char kReadErrorTitle[] = "File read error";
constexpr char kWriteErrorTitle[] = "File write error";
constexpr char kVcfReadTitle[] = "VCF read";
constexpr char kUnknownLayoutText[] =
    ": the layout of this file cannot be told from its content or its name; choose its entry "
    "in the list of file types.";

// "#Otu = 25": the label, then the count with a blank in front.
QString CountText(const char* label, std::size_t count) {
  return QString("%1 %2").arg(label).arg(count);
}

// The name the save dialog proposes: the data file's own name without its four-character
// extension. A name too short to lose four characters is proposed whole.
QString ProposedSaveName(const QString& fileTitle) {
  return fileTitle.size() > 4 ? fileTitle.left(fileTitle.size() - 4) : fileTitle;
}

QString JoinPath(const QString& folder, const QString& name) {
  if (folder.isEmpty()) return name;
  const QString separator = QDir::separator();
  return folder.endsWith(separator) ? folder + name : folder + separator + name;
}

}  // namespace

void SetUpApplication() {
  QApplication::setApplicationName("Marbleset");
  // Lets the desktop match the window to the launcher entry and its icon.
  QGuiApplication::setDesktopFileName("marbleset");
}

MainWindow::MainWindow(ShellContext& context, SettingsStore& settings, QWidget* parent)
    : QMainWindow(parent),
      context_(context),
      settings_(settings),
      session_(std::make_unique<SessionLog>(context.source)) {
  context_.session = session_.get();
  setObjectName("mainWindow");
  setWindowTitle("Marbleset");
  RegisterShellResources();
  setWindowIcon(QIcon(":/icons/marbleset.png"));
  BuildMenus();
  BuildStatusBar();
  ReadSettings(settings_, context_.folders);
  PlaceWindows();
  UpdateCommands();
}

MainWindow::~MainWindow() {
  if (context_.session == session_.get()) context_.session = nullptr;
}

void MainWindow::BuildMenus() {
  QMenu* file = menuBar()->addMenu("&File");
  file->setObjectName("MnuFile");
  AddCommands(file, {{"MnuOpenBin", "Open binary data file...", [this] { OpenBinary(); }},
                     {"MnuOpenQuant", "Open quantitative data...", [this] { OpenQuantitative(); }},
                     {"MnuSaveData", "Save data as...", [this] { SaveData(); }}});
  file->addSeparator();
  AddCommands(file, {{"MnuSettings", "Settings...", [this] { ShowSettings(); }}});
  file->addSeparator();
  // "Alt+F4" is part of the caption: the window system closes the window on that key.
  AddCommands(file, {{"MnuExit", "Exit                     Alt+F4", [this] { close(); }}});

  QMenu* edit = menuBar()->addMenu("&Edit");
  edit->setObjectName("MnuEdit");
  AddCommands(edit, {{"mnuCrop", "Crop...", [this] { Crop(); }}});
  edit->addSeparator();
  AddCommands(edit, {{"MnuNotePad", "in Notepad", [this] { OpenInEditor(); }}});

  QMenu* generate = menuBar()->addMenu("&Generate");
  generate->setObjectName("MnuGenerate");
  AddCommands(
      generate,
      {{"MnuBootStraps", "BootStraps...", [this] { ShowRunDialog(RunMode::kBootStraps); }},
       {"MnuPermutation", "Permutations...", [this] { ShowRunDialog(RunMode::kPermutations); }},
       {"MnuGenstraps", "GenStraps...", [this] { ShowRunDialog(RunMode::kGenStraps); }},
       {"MnuRandomResampling", "Random resampling...",
        [this] { ShowRunDialog(RunMode::kRandomResampling); }},
       {"MnuMis", "MissStraps...", [this] { ShowRunDialog(RunMode::kMissStraps); }},
       {"MnuNoise", "Noise...", [this] { ShowRunDialog(RunMode::kNoise); }}});

  // Every computation on the loaded data that is not a generator goes here.
  QMenu* calculate = menuBar()->addMenu("&Calculate");
  calculate->setObjectName("MnuCalculate");
  AddCommands(
      calculate,
      {{"MnuDistances", "Distances...", [this] { ShowRunDialog(RunMode::kDistances); }},
       {"MnuTree", "Tree with support...", [this] { ShowTreeDialog(); }},
       {"MnuDistancePicture", "Distance picture...", [this] { ShowDistanceFilePictures(); }},
       {"MnuAmova", "AMOVA...",
        [this] {
          AskAndShowAmova(*this, context_.services, FromStd(context_.data.folder), session_.get());
        }},
       {"MnuMantel", "Mantel test...",
        [this] {
          AskAndShowMantel(*this, context_.services, FromStd(context_.data.folder), session_.get());
        }},
       {"MnuSplitNetwork", "Split network...", [this] {
          AskAndShowSplitNetwork(*this, context_.services, FromStd(context_.data.folder),
                                 session_.get());
        }}});

  QMenu* help = menuBar()->addMenu("&Help");
  help->setObjectName("MnuHelp");
  AddCommands(help, {{"MnuHelpContents", "Contents", [this] { ShowHelp(); }}});
  QAction* contents = findChild<QAction*>("MnuHelpContents");
  contents->setShortcut(QKeySequence(Qt::Key_F1));
  contents->setShortcutContext(Qt::ApplicationShortcut);
  AddCommands(help, {{"MnuSessionCommands", "Session as commands", [this] { ShowSession(); }},
                     {"MnuSaveScript", "Save as script...", [this] { SaveSessionScript(); }}});
  help->addSeparator();
  AddCommands(help, {{"MnuAbout", "About Marbleset...", [this] { ShowAbout(); }}});

  for (std::size_t i = 0; i < marbleset::kDataCommandCount; ++i) {
    commandActions_[i] =
        findChild<QAction*>(FromStd(marbleset::DataCommandName(static_cast<DataCommand>(i))));
    Q_ASSERT(commandActions_[i] != nullptr);
  }
}

void MainWindow::AddCommands(QMenu* menu, std::initializer_list<MenuCommand> commands) {
  for (const MenuCommand& command : commands) {
    QAction* action = menu->addAction(command.caption);
    action->setObjectName(command.name);
    // Object names are looked up through the window, so the action belongs to it.
    action->setParent(this);
    connect(action, &QAction::triggered, this, command.run);
  }
}

void MainWindow::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName("statusBar");
  bar->setSizeGripEnabled(true);
  const int width = fontMetrics().averageCharWidth() * 16;
  for (QLabel** panel : {&fileNamePanel_, &otuCountPanel_, &charCountPanel_}) {
    *panel = new QLabel(bar);
    (*panel)->setMinimumWidth(width);
    (*panel)->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    bar->addWidget(*panel);
  }
  // After a single-set distance run: its file named, and its pictures a click away.
  pictureOfferPanel_ = new QLabel(bar);
  pictureOfferPanel_->setObjectName("pictureOfferPanel");
  showPictureButton_ = new QPushButton("Show picture", bar);
  showPictureButton_->setObjectName("showPictureButton");
  bar->addPermanentWidget(pictureOfferPanel_);
  bar->addPermanentWidget(showPictureButton_);
  connect(showPictureButton_, &QPushButton::clicked, this,
          [this] { ShowDistancePictures(offeredSettings_); });
  WithdrawPictureOffer();
  fileNamePanel_->setObjectName("fileNamePanel");
  otuCountPanel_->setObjectName("otuCountPanel");
  charCountPanel_->setObjectName("charCountPanel");
}

void MainWindow::PlaceWindows() {
  workspace_ = new QMdiArea(this);
  workspace_->setObjectName("workspace");
  workspace_->setBackground(palette().brush(QPalette::Dark));
  workspace_->viewport()->installEventFilter(this);
  setCentralWidget(workspace_);

  dataWindow_ = new DataWindow;
  dataSubWindow_ = workspace_->addSubWindow(dataWindow_);
  // Closing the data window only hides it; the next file shown brings it back.
  dataSubWindow_->setAttribute(Qt::WA_DeleteOnClose, false);
  dataSubWindow_->setWindowTitle(dataWindow_->windowTitle());
  dataWindow_->SetServices(&context_.services);
  dataWindow_->Picture()->SetExportRecorder(
      [this](std::optional<pictures::MatrixZoom> zoom, bool svg, const std::string& path) {
        std::optional<std::pair<std::size_t, std::size_t>> cells;
        if (zoom) cells.emplace(zoom->pixelsPerCell, zoom->cellsPerPixel);
        session_->Commands().MatrixPictureExported(cells, svg, path);
      });

  progress_ = new ProgressWindow(this);
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (fitDataWindow_) {
    dataSubWindow_->show();
    FitDataWindow();
  }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == workspace_->viewport() && event->type() == QEvent::Resize && fitDataWindow_) {
    FitDataWindow();
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::FitDataWindow() {
  dataSubWindow_->setGeometry(0, 0, workspace_->viewport()->width(),
                              workspace_->viewport()->height());
}

QString MainWindow::DataFileTitle() const {
  return fileNamePanel_->text();
}
QString MainWindow::OtuPanelText() const {
  return otuCountPanel_->text();
}
QString MainWindow::CharPanelText() const {
  return charCountPanel_->text();
}

RunDialog* MainWindow::OpenRunDialog() const {
  return runDialog_;
}

CropDialog* MainWindow::OpenCropDialog() const {
  return cropDialog_;
}

TreeDialog* MainWindow::OpenTreeDialog() const {
  return treeDialog_;
}

void MainWindow::UpdateCommands() {
  const marbleset::CommandStates states = marbleset::AvailableCommands(context_.data);
  for (std::size_t i = 0; i < marbleset::kDataCommandCount; ++i) {
    commandActions_[i]->setEnabled(states[i]);
  }
}

void MainWindow::OpenBinary() {
  OpenDataFile(marbleset::DataKind::kBinary);
}

void MainWindow::OpenQuantitative() {
  OpenDataFile(marbleset::DataKind::kQuantitative);
}

void MainWindow::OpenDataFile(marbleset::DataKind kind) {
  const bool binary = kind == marbleset::DataKind::kBinary;
  FileDialogRequest request;
  request.title = binary ? "Open BINARY data file" : "Open QUANTITATIVE data file";
  request.filter = OpenFilter();
  request.initialFolder = FromStd(context_.data.folder);
  request.initialName = openName_;
  request.filterIndex = openFilterIndex_;
  const std::optional<FileChoice> choice = context_.services.ChooseOpenFile(this, request);
  if (!choice || choice->path.isEmpty()) return;
  openFilterIndex_ = choice->filterIndex;
  openName_ = choice->path;

  // The entry chosen in the dialog decides the layout; the file's extension plays no part,
  // except for the entry of any file, which looks into the file.
  const marbleset::FileFormat format = FormatOfOpenEntry(choice->filterIndex, ToStd(choice->path));
  if (format != marbleset::FileFormat::kUnknown && !marbleset::EntryOf(format).readByItems) {
    ReadInFormat(choice->path, format, kind);
    return;
  }
  // A file that cannot be read at all goes to the PHYLIP reader, which says why.
  if (format == marbleset::FileFormat::kUnknown && QFileInfo(choice->path).isReadable()) {
    context_.services.ShowMessage(this, kReadErrorTitle, choice->path + kUnknownLayoutText);
    return;
  }
  const marbleset::FileFormat layout =
      format == marbleset::FileFormat::kUnknown ? marbleset::FileFormat::kPhylip : format;
  const DataStamp before = DataStamp::Of(context_.data);
  QString failure;
  std::string_view finding;
  {
    const BusyPointer busy;
    try {
      context_.readDataFile(context_.data, ToStd(choice->path), kind, layout);
    } catch (const marbleset::ReadFailure& problem) {
      // A finding is about the file's text, so the user is offered to look at it.
      finding = marbleset::FindingText(problem.Kind());
      failure = QString::fromUtf8(problem.what());
    } catch (const std::exception& problem) {
      failure = QString::fromUtf8(problem.what());
    }
  }
  // A read that succeeded, and any other that changed what is loaded, makes every window
  // follow the data now loaded.
  if (DataStamp::Of(context_.data) != before) DataChanged();
  if (failure.isEmpty()) {
    marbleset::SessionInput input;
    input.path = ToStd(choice->path);
    input.kind = kind;
    input.format = layout;
    session_->Opened(input, context_.data);
    return;
  }
  if (finding.empty()) {
    context_.services.ShowMessage(this, kReadErrorTitle, failure);
  } else if (context_.services.AskYesNo(this, kReadErrorTitle,
                                        FromStd(finding) + QStringLiteral(" Open in Notepad?"))) {
    context_.services.StartEditor(choice->path);
  }
}

void MainWindow::ReadInFormat(const QString& path, marbleset::FileFormat format,
                              marbleset::DataKind kind) {
  marbleset::ReadOptions options;
  options.kind = kind == marbleset::DataKind::kBinary ? marbleset::KindChoice::kBinary
                                                      : marbleset::KindChoice::kQuantitative;
  options.memoryLimit = context_.data.MemoryLimit();
  const std::string file = ToStd(path);
  // Read beside the loaded data and swapped in only when complete: a failed or cancelled read
  // changes nothing that is loaded.
  marbleset::DataSet fresh;
  marbleset::ReadNotes report;
  try {
    if (format == marbleset::FileFormat::kDelimited) {
      // The dialog reads the whole table once for its preview.
      std::unique_ptr<ImportTableDialog> dialog;
      {
        const BusyPointer busy;
        dialog = std::make_unique<ImportTableDialog>(file, options.kind, this);
      }
      PlaceWindow(*dialog, *this);
      if (!context_.services.RunModal(*dialog)) return;
      options.table = dialog->Options();
    }
    if (format == marbleset::FileFormat::kVcf) {
      // A genome-wide VCF takes seconds: read on a worker thread with a progress window and
      // its Cancel.
      const std::exception_ptr failure =
          RunInBackground(*progress_, this, 0, [&](marbleset::Progress& progress) {
            progress.Start("Reading " + marbleset::FileNameOf(file));
            options.progress = &progress;
            marbleset::DataSource source = marbleset::DataSource::File(file);
            fresh = marbleset::ReadData(source, format, options, &report);
          });
      if (failure) std::rethrow_exception(failure);
    } else {
      const BusyPointer busy;
      marbleset::DataSource source = marbleset::DataSource::File(file);
      fresh = marbleset::ReadData(source, format, options, &report);
    }
  } catch (const marbleset::RunCancelled&) {
    return;  // the user stopped the read; there is nothing to say
  } catch (const std::exception& problem) {
    context_.services.ShowMessage(this, kReadErrorTitle, QString::fromUtf8(problem.what()));
    return;
  }
  fresh.SetMemoryLimit(context_.data.MemoryLimit());
  context_.data.swap(fresh);
  DataChanged();
  marbleset::SessionInput input;
  input.path = file;
  input.kind = kind;
  input.format = format;
  input.table = options.table;
  session_->Opened(input, context_.data);
  const marbleset::VcfReport& vcf = report.vcf;
  if (format == marbleset::FileFormat::kVcf &&
      vcf.skippedNotBiallelic + vcf.skippedWithoutGenotype > 0) {
    context_.services.ShowMessage(
        this, kVcfReadTitle,
        QString("%1: %2 variants read; %3 skipped because they do not have two alleles, %4 "
                "skipped because they have no genotypes.")
            .arg(FromStd(marbleset::FileNameOf(file)))
            .arg(vcf.variants)
            .arg(vcf.skippedNotBiallelic)
            .arg(vcf.skippedWithoutGenotype));
  }
}

void MainWindow::DataChanged() {
  CloseDataDialogs();
  WithdrawPictureOffer();
  ShowLoadedData();
  UpdateCommands();
}

void MainWindow::CloseDataDialogs() {
  // Their choices belong to the data they were opened on.
  if (cropDialog_) cropDialog_->close();
  if (runDialog_) runDialog_->close();
  if (treeDialog_) treeDialog_->close();
}

void MainWindow::ShowLoadedData() {
  const marbleset::DataSet& data = context_.data;
  fileNamePanel_->setText(FromStd(marbleset::FileNameOf(data.fileName)));
  ShowCounts();
  if (!marbleset::HasData(data)) {
    dataWindow_->Clear();
    return;
  }
  fitDataWindow_ = false;
  try {
    const BusyPointer busy;
    dataWindow_->ShowData(data);
    dataSubWindow_->show();
  } catch (const std::exception& problem) {
    dataWindow_->Clear();
    context_.services.ShowMessage(this, kReadErrorTitle, QString::fromUtf8(problem.what()));
  }
}

void MainWindow::ShowCounts() {
  otuCountPanel_->setText(CountText("#Otu =", context_.data.OtuCount()));
  charCountPanel_->setText(CountText("#Char =", context_.data.CharCount()));
}

void MainWindow::SaveData() {
  FileDialogRequest request;
  request.title = "Save data as";
  request.filter = SaveFilter();
  request.initialFolder = FromStd(context_.data.folder);
  request.initialName = JoinPath(request.initialFolder, ProposedSaveName(DataFileTitle()));
  request.askOverwrite = true;
  const std::optional<FileChoice> choice = context_.services.ChooseSaveFile(this, request);
  if (!choice || choice->path.isEmpty()) return;
  try {
    const BusyPointer busy;
    // The entry chosen decides the layout; no extension is added to the name typed. The data
    // is in memory and the file is replaced only when complete, so saving over the data file
    // itself is safe.
    SaveDataAs(context_.data, ToStd(choice->path), choice->filterIndex);
    const SavedLayout layout = SavedLayoutOf(choice->filterIndex);
    session_->Commands().Saved(ToStd(choice->path), layout.name, layout.phylipNames);
  } catch (const std::exception& problem) {
    context_.services.ShowMessage(this, kWriteErrorTitle, QString::fromUtf8(problem.what()));
  }
}

template <typename Window, typename... Args>
Window* MainWindow::OpenOnce(QPointer<Window>& window, Args&&... args) {
  if (!window) {
    window = new Window(std::forward<Args>(args)..., this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    PlaceWindow(*window, *this);
  }
  return window;
}

void MainWindow::Crop() {
  const bool opened = !cropDialog_;
  CropDialog* dialog = OpenOnce(cropDialog_, context_);
  if (opened) {
    connect(dialog, &CropDialog::Applied, this, [this] {
      // The file on disk is unchanged, so the data window's text stays as it is; its picture
      // shows the data in memory and follows.
      if (runDialog_) runDialog_->close();
      if (treeDialog_) treeDialog_->close();
      WithdrawPictureOffer();
      dataWindow_->Picture()->ShowData(context_.data);
      ShowCounts();
      UpdateCommands();
    });
    // The picture marks what the ticked boxes would remove while the dialog is open. The
    // connections end with the data window, which may go before the dialog.
    DataWindow* data = dataWindow_;
    connect(dialog, &CropDialog::RemovalsChanged, data,
            [data](const marbleset::pictures::CropPreview& preview) {
              data->Picture()->View()->SetRemovalMarks(preview.otus, preview.characters);
              if (preview.otuCount + preview.characterCount > 0) {
                data->Tabs()->setCurrentWidget(data->Picture());
              }
            });
    const auto clearMarks = [data] { data->Picture()->View()->SetRemovalMarks({}, {}); };
    connect(dialog, &QDialog::finished, data, clearMarks);
    connect(dialog, &QObject::destroyed, data, clearMarks);
  }
  dialog->show();
  dialog->raise();
  dialog->activateWindow();
}

void MainWindow::OpenInEditor() {
  context_.services.StartEditor(FromStd(context_.data.fileName));
}

void MainWindow::ShowSettings() {
  SettingsDialog* dialog = OpenOnce(settingsDialog_, context_.folders, settings_);
  dialog->show();
  dialog->raise();
  dialog->activateWindow();
}

void MainWindow::ShowRunDialog(RunMode mode) {
  const bool opened = runDialog_ != nullptr;
  RunDialog* dialog = OpenOnce(runDialog_, context_, *progress_);
  if (!opened) {
    connect(dialog, &RunDialog::SingleMatrixWritten, this, &MainWindow::OfferPicture);
  }
  dialog->Configure(mode, DataFileTitle());
  dialog->show();
  dialog->raise();
  dialog->activateWindow();
}

void MainWindow::ShowTreeDialog() {
  TreeDialog* dialog = OpenOnce(treeDialog_, context_, *progress_);
  dialog->Configure();
  dialog->show();
  dialog->raise();
  dialog->activateWindow();
}

void MainWindow::ShowDistanceFilePictures() {
  FileDialogRequest request;
  request.title = "Distance picture";
  request.filter = "Distance matrices (infile *.txt *.dis *.dst *.phy);;All files (*)";
  request.initialFolder = FromStd(context_.data.folder);
  const std::optional<FileChoice> choice = context_.services.ChooseOpenFile(this, request);
  if (!choice) return;
  // A file of several matrices is refused, as the command line refuses it, so that a session's
  // script replays what was shown.
  marbleset::DistanceMatrix matrix;
  try {
    const BusyPointer busy;
    matrix = OneMatrixOfFile(choice->path);
  } catch (const std::exception& problem) {
    context_.services.ShowMessage(this, "Distance picture", QString::fromStdString(problem.what()));
    return;
  }
  const QString title = QFileInfo(choice->path).fileName();
  const QString valueName =
      marbleset::pictures::HoldsSimilarities(matrix) ? "Similarity" : "Distance";
  marbleset::MethodsFacts facts = session_->Facts();
  facts.data.reset();
  facts.screening.clear();
  facts.command = "picture";
  facts.distanceFiles.push_back(
      {ToStd(QFileInfo(choice->path).fileName()), marbleset::Sha256OfFile(ToStd(choice->path))});
  OpenDistancePictureWindow(std::move(matrix), valueName, title,
                            QFileInfo(choice->path).absolutePath(),
                            {.settings = std::nullopt, .distanceFile = ToStd(choice->path)}, facts);
}

void MainWindow::ShowDistancePictures(const marbleset::DistanceSettings& settings) {
  marbleset::DistanceMatrix matrix;
  try {
    const BusyPointer busy;
    marbleset::NoProgress none;
    matrix = marbleset::ComputeDistanceMatrix(context_.data, settings, none);
  } catch (const std::exception& problem) {
    context_.services.ShowMessage(this, "Distance picture", QString::fromStdString(problem.what()));
    return;
  }
  const QString valueName = FromStd(std::string(marbleset::CoefficientName(settings.coefficient))) +
                            (settings.distances ? " distance" : " similarity");
  marbleset::MethodsFacts facts = session_->Facts();
  facts.command = "distances";
  facts.distance = settings;
  OpenDistancePictureWindow(std::move(matrix), valueName, DataFileTitle(),
                            FromStd(context_.data.folder),
                            {.settings = settings, .distanceFile = {}}, facts);
}

void MainWindow::OfferPicture(const marbleset::DistanceSettings& settings, const QString& path) {
  offeredSettings_ = settings;
  pictureOfferPanel_->setText("Distances written to " + QFileInfo(path).fileName());
  pictureOfferPanel_->show();
  showPictureButton_->show();
}

void MainWindow::WithdrawPictureOffer() {
  pictureOfferPanel_->hide();
  showPictureButton_->hide();
}

void MainWindow::OpenDistancePictureWindow(marbleset::DistanceMatrix matrix,
                                           const QString& valueName, const QString& title,
                                           const QString& folder,
                                           const marbleset::PictureMatrix& source,
                                           const marbleset::MethodsFacts& facts) {
  try {
    // A matrix with a cell that is not a number cannot be clustered: the window says so
    // instead of opening.
    auto* window = new DistancePictureWindow(std::move(matrix), valueName, title, folder,
                                             context_.services, this);
    // An export is the picture command on the data as it was when the window opened.
    SessionLog* log = session_.get();
    window->SetSession(
        [log, input = log->Commands().Input(), source](
            marbleset::PictureKind kind, std::size_t prefix, const std::string& groupFile, bool svg,
            const std::string& path) {
          log->Commands().PictureExported(input, kind, source, prefix, groupFile, svg, path);
        },
        facts);
    PlaceWindow(*window, *this);
    window->show();
  } catch (const std::exception& problem) {
    context_.services.ShowMessage(this, "Distance picture", QString::fromStdString(problem.what()));
  }
}

void MainWindow::ShowHelp() {
  context_.services.ShowHelpContents(this);
}

void MainWindow::ShowSession() {
  ShowSessionCommands(this, *session_, context_.services, FromStd(context_.data.folder));
}

void MainWindow::SaveSessionScript() {
  shell::SaveSessionScript(this, *session_, context_.services, FromStd(context_.data.folder));
}

void MainWindow::ShowAbout() {
  AboutBox* box = OpenOnce(aboutBox_, context_.services);
  box->show();
  box->raise();
  box->activateWindow();
}

void MainWindow::CloseWindows() {
  dataSubWindow_->close();
  progress_->close();
  if (runDialog_) runDialog_->close();
  if (settingsDialog_) settingsDialog_->close();
  if (cropDialog_) cropDialog_->close();
  if (aboutBox_) aboutBox_->close();
  // Whatever else this window opened (the help window): closed without a question too.
  for (QWidget* child : findChildren<QWidget*>()) {
    if (child->isWindow() && child->isVisible()) child->close();
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // The one way out, whatever closes the window: nothing is asked and nothing saved.
  CloseWindows();
  event->accept();
}

}  // namespace marbleset::shell
