#include "shell/split_network_window.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "dataset/errors.h"
#include "pictures/distance_pictures.h"
#include "pictures/split_network.h"
#include "shell/analysis_result_window.h"
#include "shell/busy_pointer.h"
#include "shell/picture_export.h"
#include "shell/scene_view.h"
#include "shell/session_log.h"
#include "shell/window_placement.h"

namespace marbleset::shell {

SplitNetworkWindow::SplitNetworkWindow(SplitNetwork network, const QString& title,
                                       const QString& folder, PlatformServices& services,
                                       QWidget* parent)
    : QWidget(parent, Qt::Window),
      network_(std::move(network)),
      folder_(folder),
      services_(services) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle("Split network - " + title);
  view_ = new SceneView(this);
  zoom_ = new QSpinBox(this);
  zoom_->setObjectName("zoom");
  zoom_->setRange(1, 4);
  zoom_->setSuffix(" x");
  auto* groups = new QPushButton("Groups...", this);
  groups->setObjectName("groupsButton");
  auto* exportButton = new QPushButton("Export...", this);
  exportButton->setObjectName("exportButton");
  char fit[64];
  std::snprintf(fit, sizeof fit, " %zu splits, least-squares fit %.2f %%.", network_.splits.size(),
                network_.fit);
  auto* method = new QLabel(QString::fromStdString(NeighborNetMethodText() + fit), this);
  method->setWordWrap(true);
  method->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(new QLabel("Zoom:", this));
  buttons->addWidget(zoom_);
  buttons->addStretch();
  methodsButton_ = new QPushButton("Methods...", this);
  methodsButton_->setObjectName("methodsButton");
  methodsButton_->hide();
  connect(methodsButton_, &QPushButton::clicked, this,
          [this] { ShowMethods(this, facts_, services_); });
  buttons->addWidget(methodsButton_);
  buttons->addWidget(groups);
  buttons->addWidget(exportButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(view_, 1);
  layout->addWidget(method);
  layout->addLayout(buttons);
  connect(zoom_, &QSpinBox::valueChanged, this, [this] { Redraw(); });
  connect(groups, &QPushButton::clicked, this, [this] { ChooseGroups(); });
  connect(exportButton, &QPushButton::clicked, this, [this] {
    AskAndExportPicture(this, services_, view_->Scene(), folder_, "split_network");
  });
  Redraw();
  resize(760, 820);
}

void SplitNetworkWindow::Redraw() {
  view_->SetScene(pictures::SplitNetworkPicture(network_, groups_, zoom_->value()));
}

void SplitNetworkWindow::ChooseGroups() {
  FileDialogRequest request;
  request.title = "Groups of the OTUs";
  request.filter = "Groups (*.txt *.tsv *.csv);;All files (*)";
  request.initialFolder = folder_;
  const std::optional<FileChoice> choice = services_.ChooseOpenFile(this, request);
  if (!choice) return;
  try {
    groups_ = pictures::ReadOtuGroupFile(choice->path.toStdString(), network_.names);
  } catch (const Failure& problem) {
    services_.ShowMessage(this, "Groups", QString::fromStdString(problem.what()));
    return;
  }
  Redraw();
}

void SplitNetworkWindow::SetMethods(const marbleset::MethodsFacts& facts) {
  facts_ = facts;
  methodsButton_->show();
}

SplitNetworkWindow* AskAndShowSplitNetwork(QWidget& parent, PlatformServices& services,
                                           const QString& folder, SessionLog* log) {
  FileDialogRequest request;
  request.title = "Split network: the distance matrix";
  request.filter = "Distance matrices (infile *.txt *.dis *.dst *.phy);;All files (*)";
  request.initialFolder = folder;
  const std::optional<FileChoice> choice = services.ChooseOpenFile(&parent, request);
  if (!choice) return nullptr;
  try {
    const BusyPointer busy;
    const DistanceMatrix matrix = pictures::AsDistances(OneMatrixOfFile(choice->path));
    NoProgress none;
    auto* window =
        new SplitNetworkWindow(NeighborNet(matrix, none), QFileInfo(choice->path).fileName(),
                               QFileInfo(choice->path).absolutePath(), services, &parent);
    if (log != nullptr) {
      const std::string path = choice->path.toStdString();
      log->Commands().NetworkRun(path);
      window->SetMethods(DistanceAnalysisFacts(log->Facts(), "network", {path}, 0, 0));
    }
    PlaceWindow(*window, parent);
    window->show();
    return window;
  } catch (const std::exception& problem) {
    services.ShowMessage(&parent, "Split network", QString::fromStdString(problem.what()));
    return nullptr;
  }
}

}  // namespace marbleset::shell
