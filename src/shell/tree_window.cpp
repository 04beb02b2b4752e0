#include "shell/tree_window.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <exception>

#include "dataset/output_file.h"
#include "distances/distance_settings.h"
#include "formats/data_io.h"
#include "formats/newick_writer.h"
#include "pictures/scene_raster.h"
#include "shell/busy_pointer.h"
#include "shell/picture_export.h"
#include "shell/session_log.h"
#include "shell/settings_store.h"
#include "shell/tree_picture.h"
#include "shell/tree_view.h"
#include "trees/cophenetic.h"
#include "trees/rooting.h"

namespace marbleset::shell {

namespace {

constexpr double kSmallestZoom = 0.02;
constexpr double kLargestZoom = 8;
constexpr double kZoomStep = 1.25;

const QString kExportNewickTitle = QStringLiteral("Export Newick");
const QString kExportPictureTitle = QStringLiteral("Export picture");

QString ResamplingText(const TreeSettings& settings) {
  switch (settings.resampling) {
    case Resampling::kBootstrap:
      return QStringLiteral("bootstrap replicates (Bootstrap % %1)").arg(settings.percent);
    case Resampling::kClassic:
      return QStringLiteral("classic bootstrap replicates");
    case Resampling::kJackknife:
      return QStringLiteral("jackknife replicates");
  }
  return {};
}

}  // namespace

TreeWindow::TreeWindow(SupportResult result, const TreeSettings& settings,
                       const std::string& dataFile, PlatformServices& services, QWidget* parent)
    : QWidget(parent, Qt::Window),
      result_(std::move(result)),
      settings_(settings),
      dataFile_(dataFile),
      services_(services) {
  setObjectName(QStringLiteral("treeWindow"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Tree - ") + FromStd(FileNameOf(dataFile_)));
  BuildControls();
  // A neighbor-joining tree has no root of its own; the midpoint is where a reader expects it.
  // A UPGMA tree is rooted where it was built.
  {
    const QSignalBlocker quiet(rootChoice_);
    rootChoice_->setCurrentIndex(settings_.method == TreeMethod::kUpgma ? 0 : 1);
  }
  Reroot();
  Redraw();
  resize(sizeHint().expandedTo(QSize(640, 480)));
}

TreeWindow::~TreeWindow() = default;

void TreeWindow::BuildControls() {
  auto named = [](auto* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
  };
  treeChoice_ = named(new QComboBox(this), "treeChoice");
  treeChoice_->addItems(
      {QStringLiteral("Tree of the data with support"), QStringLiteral("Majority-rule consensus")});
  styleChoice_ = named(new QComboBox(this), "styleChoice");
  styleChoice_->addItems({QStringLiteral("Branch lengths to scale"), QStringLiteral("Cladogram")});
  rootChoice_ = named(new QComboBox(this), "rootChoice");
  rootChoice_->addItems({QStringLiteral("As built"), QStringLiteral("At the midpoint"),
                         QStringLiteral("On the OTU")});
  otuChoice_ = named(new QComboBox(this), "otuChoice");
  FillOtuChoice();
  zoomOutButton_ = named(new QPushButton(QStringLiteral("Zoom out"), this), "zoomOutButton");
  zoomInButton_ = named(new QPushButton(QStringLiteral("Zoom in"), this), "zoomInButton");
  fitButton_ = named(new QPushButton(QStringLiteral("Fit"), this), "fitButton");
  fitButton_->setToolTip(QStringLiteral("Show the whole tree in the window"));
  exportNewickButton_ =
      named(new QPushButton(QStringLiteral("Export Newick..."), this), "exportNewickButton");
  exportPictureButton_ =
      named(new QPushButton(QStringLiteral("Export picture..."), this), "exportPictureButton");
  methodsButton_ = named(new QPushButton(QStringLiteral("Methods..."), this), "methodsButton");
  methodsButton_->hide();
  view_ = named(new TreeView(this), "treeView");
  summary_ = named(new QLabel(this), "summaryLabel");
  summary_->setWordWrap(true);
  summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* shape = new QHBoxLayout;
  shape->addWidget(treeChoice_);
  shape->addWidget(styleChoice_);
  shape->addWidget(new QLabel(QStringLiteral("Root:"), this));
  shape->addWidget(rootChoice_);
  shape->addWidget(otuChoice_, 1);
  auto* actions = new QHBoxLayout;
  actions->addWidget(zoomOutButton_);
  actions->addWidget(zoomInButton_);
  actions->addWidget(fitButton_);
  actions->addStretch();
  actions->addWidget(methodsButton_);
  actions->addWidget(exportNewickButton_);
  actions->addWidget(exportPictureButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(shape);
  layout->addLayout(actions);
  layout->addWidget(view_, 1);
  layout->addWidget(summary_);

  for (QComboBox* choice : {treeChoice_, styleChoice_, rootChoice_, otuChoice_}) {
    connect(choice, &QComboBox::currentIndexChanged, this, &TreeWindow::ControlsChanged);
  }
  connect(zoomInButton_, &QPushButton::clicked, this, [this] { SetZoom(zoom_ * kZoomStep); });
  connect(zoomOutButton_, &QPushButton::clicked, this, [this] { SetZoom(zoom_ / kZoomStep); });
  connect(fitButton_, &QPushButton::clicked, this, &TreeWindow::FitToWindow);
  connect(exportNewickButton_, &QPushButton::clicked, this, &TreeWindow::ExportNewick);
  connect(exportPictureButton_, &QPushButton::clicked, this, &TreeWindow::ExportPicture);
  connect(methodsButton_, &QPushButton::clicked, this,
          [this] { ShowMethods(this, FactsAsShown(), services_); });
  connect(view_, &TreeView::ZoomRequested, this,
          [this](double factor, QPoint anchor) { SetZoom(zoom_ * factor, anchor); });
  connect(view_, &TreeView::RootOnLeafRequested, this,
          [this](std::size_t leaf) { SetRooting(Rooting::kOnOtu, shown_.nodes[leaf].otu); });
}

void TreeWindow::FillOtuChoice() {
  // In the order of the data, so the list reads as the data window does.
  std::vector<std::pair<std::size_t, std::string>> otus;
  for (const TreeNode& node : result_.reference.nodes) {
    if (node.IsLeaf() && node.otu != kNoNode) otus.emplace_back(node.otu, node.name);
  }
  std::sort(otus.begin(), otus.end());
  for (const auto& [otu, name] : otus) {
    otuChoice_->addItem(FromStd(name), QVariant::fromValue(static_cast<qulonglong>(otu)));
  }
}

TreeChoice TreeWindow::ChosenTree() const {
  return treeChoice_->currentIndex() == 1 ? TreeChoice::kConsensus : TreeChoice::kSupported;
}

LayoutStyle TreeWindow::ChosenStyle() const {
  // The consensus has no branch lengths: it is always a cladogram.
  if (ChosenTree() == TreeChoice::kConsensus) return LayoutStyle::kCladogram;
  return styleChoice_->currentIndex() == 1 ? LayoutStyle::kCladogram : LayoutStyle::kBranchLengths;
}

Rooting TreeWindow::ChosenRooting() const {
  switch (rootChoice_->currentIndex()) {
    case 1:
      return Rooting::kMidpoint;
    case 2:
      return Rooting::kOnOtu;
    default:
      return Rooting::kAsBuilt;
  }
}

void TreeWindow::ShowTree(TreeChoice choice) {
  treeChoice_->setCurrentIndex(choice == TreeChoice::kConsensus ? 1 : 0);
}

void TreeWindow::SetStyle(LayoutStyle style) {
  styleChoice_->setCurrentIndex(style == LayoutStyle::kCladogram ? 1 : 0);
}

void TreeWindow::SetRooting(Rooting rooting, std::size_t otu) {
  {
    const QSignalBlocker quiet(otuChoice_);
    const int entry = otuChoice_->findData(QVariant::fromValue(static_cast<qulonglong>(otu)));
    if (rooting == Rooting::kOnOtu && entry >= 0) otuChoice_->setCurrentIndex(entry);
  }
  const int index = rooting == Rooting::kOnOtu ? 2 : rooting == Rooting::kMidpoint ? 1 : 0;
  if (rootChoice_->currentIndex() == index) {
    ControlsChanged();  // the OTU alone changed
  } else {
    rootChoice_->setCurrentIndex(index);
  }
}

void TreeWindow::ControlsChanged() {
  Reroot();
  Redraw();
}

void TreeWindow::Reroot() {
  const bool consensus = ChosenTree() == TreeChoice::kConsensus;
  styleChoice_->setEnabled(!consensus);
  otuChoice_->setEnabled(ChosenRooting() == Rooting::kOnOtu);
  const Tree& built = consensus ? result_.consensus.tree : result_.reference;
  try {
    switch (ChosenRooting()) {
      case Rooting::kAsBuilt:
        shown_ = built;
        break;
      case Rooting::kMidpoint:
        shown_ = RootAtMidpoint(built);
        break;
      case Rooting::kOnOtu:
        shown_ = RootOnOtu(built, otuChoice_->currentData().toULongLong());
        break;
    }
  } catch (const std::exception& problem) {
    // Rooting only turns branches; should it still fail, the tree is shown as built.
    shown_ = built;
    services_.ShowMessage(this, windowTitle(), QString::fromUtf8(problem.what()));
  }
  summary_->setText(SummaryText());
}

void TreeWindow::Redraw(double ratio, QPoint anchor) {
  const BusyPointer busy;
  TreeDrawing drawing;
  drawing.style = ChosenStyle();
  drawing.zoom = zoom_;
  view_->SetPicture(DrawTree(shown_, drawing), ratio, anchor);
}

void TreeWindow::SetZoom(double zoom, QPoint anchor) {
  zoom = std::clamp(zoom, kSmallestZoom, kLargestZoom);
  if (zoom == zoom_) return;
  const double ratio = zoom / zoom_;
  zoom_ = zoom;
  Redraw(ratio, anchor);
}

void TreeWindow::FitToWindow() {
  TreeDrawing drawing;
  drawing.style = ChosenStyle();
  const pictures::Scene whole = DrawTree(shown_, drawing).scene;
  const QSize room = view_->viewport()->size();
  if (whole.width <= 0 || whole.height <= 0) return;
  SetZoom(std::min(room.width() / whole.width, room.height() / whole.height));
}

QString TreeWindow::SummaryText() const {
  const std::size_t trees = result_.treesBuilt;
  QString text;
  if (ChosenTree() == TreeChoice::kConsensus) {
    text = QStringLiteral(
               "Majority-rule consensus (extended) of %1 replicate trees; the values "
               "are the percentages of trees holding each group. ")
               .arg(trees);
  } else {
    text = QStringLiteral(
               "%1 tree of the data; the values are the percentages of %2 replicate "
               "trees holding each branch. ")
               .arg(FromStd(TreeMethodName(settings_.method)))
               .arg(trees);
  }
  text += QStringLiteral("%1 %2, %3 distances, missing data value %4, seed %5.")
              .arg(result_.replicates)
              .arg(ResamplingText(settings_))
              .arg(FromStd(CoefficientName(settings_.distance.coefficient)))
              .arg(FromStd(MissingPolicyName(settings_.distance.policy)))
              .arg(settings_.seed);
  const std::string failed = FailedReplicatesText(result_);
  if (!failed.empty()) text += QLatin1Char(' ') + FromStd(failed);
  if (!std::isnan(cophenetic_) && ChosenTree() == TreeChoice::kSupported)
    text += QLatin1Char(' ') + FromStd(CopheneticText(cophenetic_, settings_.method)) + '.';
  return text;
}

void TreeWindow::SetCopheneticCorrelation(double r) {
  cophenetic_ = r;
  summary_->setText(SummaryText());
}

QString TreeWindow::ProposedName(const QString& extension) const {
  const QFileInfo data(FromStd(dataFile_));
  return data.dir().filePath(data.completeBaseName() + QStringLiteral("_tree") + extension);
}

QString TreeWindow::ChooseTarget(const QString& title, const QString& filter,
                                 const QString& extension, int* filterIndex) {
  FileDialogRequest request;
  request.title = title;
  request.filter = filter;
  request.initialFolder = QFileInfo(FromStd(dataFile_)).absolutePath();
  request.initialName = ProposedName(extension);
  request.askOverwrite = true;
  const std::optional<FileChoice> choice = services_.ChooseSaveFile(this, request);
  if (!choice || choice->path.isEmpty()) return {};
  if (filterIndex != nullptr) *filterIndex = choice->filterIndex;
  return choice->path;
}

void TreeWindow::ExportNewick() {
  QString path = ChooseTarget(kExportNewickTitle, QStringLiteral("Newick files (*.nwk *.tre)"),
                              QStringLiteral(".nwk"), nullptr);
  if (path.isEmpty()) return;
  // A name typed without any extension gets the usual one; any other is kept as typed.
  if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".nwk");
  try {
    const std::string target = ToStd(path);
    RefuseDataFileAsOutput(target, dataFile_);
    OutputFile file(target);
    WriteNewick(shown_, file.sink());
    file.Close();
    if (recorder_) recorder_(Shown(), false, target);
  } catch (const std::exception& problem) {
    services_.ShowMessage(this, kExportNewickTitle, QString::fromUtf8(problem.what()));
  }
}

marbleset::ShownTree TreeWindow::Shown() const {
  const Rooting rooting = ChosenRooting();
  marbleset::ShownTree shown;
  shown.consensus = ChosenTree() == TreeChoice::kConsensus;
  shown.cladogram = ChosenStyle() == LayoutStyle::kCladogram;
  shown.rooting = rooting == Rooting::kMidpoint ? TreeRooting::kMidpoint
                  : rooting == Rooting::kOnOtu  ? TreeRooting::kOnOtu
                                                : TreeRooting::kAsBuilt;
  shown.otu = static_cast<std::size_t>(otuChoice_->currentData().toULongLong());
  return shown;
}

MethodsFacts TreeWindow::FactsAsShown() const {
  MethodsFacts facts = facts_;
  facts.rootedAtMidpoint = ChosenRooting() == Rooting::kMidpoint;
  if (ChosenRooting() == Rooting::kOnOtu) facts.rootedOnOtu = ToStd(otuChoice_->currentText());
  return facts;
}

void TreeWindow::SetSession(TreeExportRecorder recorder, const MethodsFacts& facts) {
  recorder_ = std::move(recorder);
  facts_ = facts;
  methodsButton_->show();
}

void TreeWindow::ExportPicture() {
  int entry = 0;
  QString path =
      ChooseTarget(kExportPictureTitle, QStringLiteral("PNG image (*.png);;SVG drawing (*.svg)"),
                   QStringLiteral(".png"), &entry);
  if (path.isEmpty()) return;
  // The entry chosen decides the format, and the name gets its extension.
  const PictureFormat format = entry == 1 ? PictureFormat::kSvg : PictureFormat::kPng;
  const QString extension = format == PictureFormat::kSvg ? ".svg" : ".png";
  if (!path.endsWith(extension, Qt::CaseInsensitive)) path += extension;
  try {
    const BusyPointer busy;
    // Exported at the zoom a name is read at, whatever the window shows now.
    TreeDrawing drawing;
    drawing.style = ChosenStyle();
    const pictures::Scene scene = DrawTree(shown_, drawing).scene;
    const std::string target = ToStd(path);
    RefuseDataFileAsOutput(target, dataFile_);
    shell::ExportPicture(scene, target, format, pictures::ExportScale(scene));
    if (recorder_) recorder_(Shown(), true, target);
  } catch (const std::exception& problem) {
    services_.ShowMessage(this, kExportPictureTitle, QString::fromUtf8(problem.what()));
  }
}

}  // namespace marbleset::shell
