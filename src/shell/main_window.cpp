#include "shell/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QIcon>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <exception>

#include "dataset/errors.h"
#include "editing/data_writer.h"
#include "shell/about_box.h"
#include "shell/crop_dialog.h"
#include "shell/data_window.h"
#include "shell/help_window.h"
#include "shell/progress_window.h"
#include "shell/run_dialog.h"
#include "shell/settings_dialog.h"
#include "shell/settings_store.h"
#include "shell/window_units.h"

namespace marbleset::shell {

namespace {

using marbleset::DataCommand;

constexpr char kReadErrorTitle[] = "File read error";
constexpr char kWriteErrorTitle[] = "File write error";

// The busy pointer for as long as a command reads, whatever way the command ends.
class BusyPointer {
 public:
  BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyPointer() { QApplication::restoreOverrideCursor(); }
  BusyPointer(const BusyPointer&) = delete;
  BusyPointer& operator=(const BusyPointer&) = delete;
};

// "#Otu = 25": the label, then the count with a blank in front.
QString CountText(const char* label, int count) {
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

Main::Main(ShellContext& context, SettingsStore& settings, QWidget* parent)
    : QMainWindow(parent), context_(context), settings_(settings) {
  setObjectName("Main");
  setWindowTitle("Marbleset");
  RegisterShellResources();
  setWindowIcon(QIcon(":/icons/marbleset.png"));
  BuildMenus();
  BuildStatusBar();

  ReadSettings(settings_, context_.state);
  PlaceWindows();
  marbleset::ClearFileState(context_.data);
  ApplyCommandStates(marbleset::DisableDataCommands());
}

Main::~Main() = default;

void Main::BuildMenus() {
  QMenu* file = menuBar()->addMenu("&File");
  file->setObjectName("MnuFile");
  connect(AddCommand(file, "MnuOpenBin", "Open binary data file..."), &QAction::triggered, this,
          &Main::OpenBinary);
  connect(AddCommand(file, "MnuOpenQuant", "Open quantitative data..."), &QAction::triggered, this,
          &Main::OpenQuantitative);
  connect(AddCommand(file, "MnuSaveData", "Save data as..."), &QAction::triggered, this,
          &Main::SaveData);
  file->addSeparator()->setObjectName("s1");
  connect(AddCommand(file, "MnuSettings", "Settings..."), &QAction::triggered, this,
          &Main::ShowSettings);
  file->addSeparator()->setObjectName("s2");
  // "Alt+F4" is part of the caption: the window system closes the window on that key.
  connect(AddCommand(file, "MnuExit", "Exit                     Alt+F4"), &QAction::triggered, this,
          &QWidget::close);

  QMenu* edit = menuBar()->addMenu("&Edit");
  edit->setObjectName("MnuEdit");
  connect(AddCommand(edit, "mnuCrop", "Crop..."), &QAction::triggered, this, &Main::Crop);
  edit->addSeparator()->setObjectName("s3");
  connect(AddCommand(edit, "MnuNotePad", "in Notepad"), &QAction::triggered, this,
          &Main::OpenInEditor);

  struct RunCommand {
    const char* name;
    const char* caption;
    RunMode mode;
  };
  QMenu* generate = menuBar()->addMenu("&Generate");
  generate->setObjectName("MnuGenerate");
  const RunCommand generators[] = {
      {"MnuBootStraps", "BootStraps...", RunMode::kBootStraps},
      {"MnuPermutation", "Permutations...", RunMode::kPermutations},
      {"MnuGenstraps", "GenStraps...", RunMode::kGenStraps},
      {"MnuRandomResampling", "Random resampling...", RunMode::kRandomResampling},
      {"MnuMis", "MissStraps...", RunMode::kMissStraps},
      {"MnuNoise", "Noise...", RunMode::kNoise},
  };
  for (const RunCommand& command : generators) {
    const RunMode mode = command.mode;
    connect(AddCommand(generate, command.name, command.caption), &QAction::triggered, this,
            [this, mode] { ShowRunDialog(mode); });
  }

  QMenu* calculate = menuBar()->addMenu("&Calculate");
  calculate->setObjectName("MnuCalculate");
  connect(AddCommand(calculate, "MnuDistances", "Distances..."), &QAction::triggered, this,
          [this] { ShowRunDialog(RunMode::kDistances); });

  QMenu* help = menuBar()->addMenu("&Help");
  help->setObjectName("MnuHelp");
  QAction* contents = AddCommand(help, "MnuHelpContents", "Contents");
  contents->setShortcut(QKeySequence(Qt::Key_F1));
  contents->setShortcutContext(Qt::ApplicationShortcut);
  connect(contents, &QAction::triggered, this, &Main::ShowHelp);
  help->addSeparator()->setObjectName("s6");
  connect(AddCommand(help, "MnuAbout", "About Marbleset..."), &QAction::triggered, this,
          &Main::ShowAbout);

  for (std::size_t i = 0; i < marbleset::kDataCommandCount; ++i) {
    const auto name = marbleset::DataCommandName(static_cast<DataCommand>(i));
    commandActions_[i] =
        findChild<QAction*>(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
    Q_ASSERT(commandActions_[i] != nullptr);
  }
}

QAction* Main::AddCommand(QMenu* menu, const char* name, const QString& caption) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(name);
  // Object names are looked up through the window, so the action belongs to it.
  action->setParent(this);
  return action;
}

void Main::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName("StatusBar");
  bar->setSizeGripEnabled(true);
  for (int i = 0; i < 3; ++i) {
    panels_[i] = new QLabel(bar);
    panels_[i]->setObjectName(QString("Panel%1").arg(i + 1));
    panels_[i]->setMinimumWidth(TwipsToPixelsX(*this, 1440));
    panels_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    bar->addWidget(panels_[i]);
  }
}

void Main::PlaceWindows() {
  mdi_ = new QMdiArea(this);
  mdi_->setObjectName("Workspace");
  mdi_->setBackground(palette().brush(QPalette::Dark));
  mdi_->viewport()->installEventFilter(this);
  setCentralWidget(mdi_);

  dataForm_ = new DataForm;
  dataSubWindow_ = mdi_->addSubWindow(dataForm_);
  // Closing the data window only hides it; the next file shown brings it back.
  dataSubWindow_->setAttribute(Qt::WA_DeleteOnClose, false);
  dataSubWindow_->setWindowTitle(dataForm_->windowTitle());

  progress_ = new ProgressWindow(this);
}

void Main::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (fitDataWindow_) {
    dataSubWindow_->show();
    FitDataWindow();
  }
}

bool Main::eventFilter(QObject* watched, QEvent* event) {
  if (watched == mdi_->viewport() && event->type() == QEvent::Resize && fitDataWindow_) {
    FitDataWindow();
  }
  return QMainWindow::eventFilter(watched, event);
}

void Main::FitDataWindow() {
  dataSubWindow_->setGeometry(0, 0, mdi_->viewport()->width(), mdi_->viewport()->height());
}

QString Main::DataFileTitle() const {
  return panels_[0]->text();
}
QString Main::OtuPanelText() const {
  return panels_[1]->text();
}
QString Main::CharPanelText() const {
  return panels_[2]->text();
}

QAction* Main::CommandAction(DataCommand command) const {
  return commandActions_[static_cast<std::size_t>(command)];
}

void Main::ApplyCommandStates(const marbleset::CommandStates& states) {
  for (std::size_t i = 0; i < marbleset::kDataCommandCount; ++i) {
    commandActions_[i]->setEnabled(states[i]);
  }
}

void Main::OpenBinary() {
  OpenDataFile(marbleset::DataKind::kBinary);
}

void Main::OpenQuantitative() {
  OpenDataFile(marbleset::DataKind::kQuantitative);
}

void Main::OpenDataFile(marbleset::DataKind kind) {
  const bool binary = kind == marbleset::DataKind::kBinary;
  FileDialogRequest request;
  request.title = binary ? "Open BINARY data file" : "Open QUANTITATIVE data file";
  request.filter = "Phylip files (*.phy);;Phylip files (*.*);;NT-SYS files (*.nts)";
  request.initialFolder = FromStd(context_.data.DataDir);
  request.initialName = openName_;
  request.filterIndex = openFilterIndex_;
  const std::optional<FileChoice> choice = context_.services.ChooseOpenFile(this, request);
  if (!choice || choice->path.isEmpty()) return;
  openFilterIndex_ = choice->filterIndex;
  openName_ = choice->path;

  // The entry chosen in the dialog decides the layout; the file's extension plays no part.
  const marbleset::Layout layout =
      choice->filterIndex == 2 ? marbleset::Layout::kNtsys : marbleset::Layout::kPhylip;
  try {
    marbleset::ReadStatus status;
    {
      const BusyPointer busy;
      status = marbleset::LoadDataFile(context_.data, ToStd(choice->path), kind, layout);
      if (status == marbleset::ReadStatus::kOk) ShowLoadedData();
    }
    if (status == marbleset::ReadStatus::kOk) return;
    const auto message = marbleset::ReadStatusMessage(status);
    if (context_.services.AskYesNo(
            this, kReadErrorTitle,
            QString::fromLatin1(message.data(), static_cast<qsizetype>(message.size())))) {
      context_.services.StartEditor(choice->path);
    }
  } catch (const std::exception& failure) {
    progress_->Unload();
    context_.services.ShowMessage(this, kReadErrorTitle, QString::fromLocal8Bit(failure.what()));
  }
}

void Main::ShowLoadedData() {
  fitDataWindow_ = false;
  dataForm_->ShowData(context_.data);
  dataSubWindow_->show();
  panels_[0]->setText(FromStd(marbleset::FileNameOf(context_.data.DataFileName)));
  ShowCounts();
  ApplyCommandStates(marbleset::AvailableCommands(context_.data));
}

void Main::ShowCounts() {
  panels_[1]->setText(CountText("#Otu =", context_.data.NOtu));
  panels_[2]->setText(CountText("#Char =", context_.data.NChar));
}

void Main::SaveData() {
  FileDialogRequest request;
  request.title = "Save data as";
  request.filter = "Phylip files(.phy) (*.phy);;NTsys files(.nts) (*.nts)";
  request.initialFolder = FromStd(context_.data.DataDir);
  request.initialName = JoinPath(request.initialFolder, ProposedSaveName(DataFileTitle()));
  request.askOverwrite = true;
  const std::optional<FileChoice> choice = context_.services.ChooseSaveFile(this, request);
  if (!choice || choice->path.isEmpty()) return;
  try {
    // The entry chosen decides the layout; no extension is added to the name typed.
    if (choice->filterIndex == 1) {
      marbleset::WriteNtsysData(context_.data, ToStd(choice->path));
    } else {
      marbleset::WritePhylipData(context_.data, ToStd(choice->path));
    }
  } catch (const std::exception& failure) {
    context_.services.ShowMessage(this, kWriteErrorTitle, QString::fromLocal8Bit(failure.what()));
  }
}

void Main::Crop() {
  if (!cropForm_) {
    cropForm_ = new CropForm(context_.data, this);
    cropForm_->setAttribute(Qt::WA_DeleteOnClose);
    connect(cropForm_, &CropForm::Applied, this, [this] {
      ShowCounts();
      try {
        dataForm_->ShowData(context_.data);
        dataSubWindow_->show();
      } catch (const std::exception& failure) {
        context_.services.ShowMessage(this, kReadErrorTitle,
                                      QString::fromLocal8Bit(failure.what()));
      }
    });
  }
  cropForm_->show();
  cropForm_->raise();
  cropForm_->activateWindow();
}

void Main::OpenInEditor() {
  context_.services.StartEditor(FromStd(context_.data.DataFileName));
}

void Main::ShowSettings() {
  if (!setForm_) {
    setForm_ = new SetForm(context_.state, settings_, this);
    setForm_->setAttribute(Qt::WA_DeleteOnClose);
  }
  setForm_->show();
  setForm_->raise();
  setForm_->activateWindow();
}

void Main::ShowRunDialog(RunMode mode) {
  if (!runDialog_) {
    runDialog_ = new DisStartForm(context_, *progress_, this);
    runDialog_->setAttribute(Qt::WA_DeleteOnClose);
  }
  runDialog_->Configure(mode, DataFileTitle());
  runDialog_->show();
  runDialog_->raise();
  runDialog_->activateWindow();
}

void Main::ShowHelp() {
  context_.services.ShowHelpContents(this);
}

void Main::ShowAbout() {
  if (!aboutForm_) {
    aboutForm_ = new AboutForm(context_.services, this);
    aboutForm_->setAttribute(Qt::WA_DeleteOnClose);
  }
  aboutForm_->show();
  aboutForm_->raise();
  aboutForm_->activateWindow();
}

void Main::UnloadWindows() {
  dataSubWindow_->close();
  progress_->Unload();
  if (runDialog_) runDialog_->close();
  if (setForm_) setForm_->close();
  if (cropForm_) cropForm_->close();
  if (aboutForm_) aboutForm_->close();
  // Whatever else this window opened (the help window): closed without a question too.
  for (QWidget* child : findChildren<QWidget*>()) {
    if (child->isWindow() && child->isVisible()) child->close();
  }
}

void Main::closeEvent(QCloseEvent* event) {
  // The one way out, whatever closes the window: nothing is asked and nothing saved.
  UnloadWindows();
  event->accept();
}

}  // namespace marbleset::shell
