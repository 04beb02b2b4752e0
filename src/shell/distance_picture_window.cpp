#include "shell/distance_picture_window.h"

#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>
#include <cmath>

#include "dataset/errors.h"
#include "pictures/distance_pictures.h"
#include "shell/busy_pointer.h"
#include "shell/picture_export.h"
#include "shell/scene_view.h"
#include "shell/session_log.h"
#include "shell/settings_store.h"

namespace marbleset::shell {

DistancePictureWindow::DistancePictureWindow(marbleset::DistanceMatrix matrix,
                                             const QString& valueName, const QString& title,
                                             const QString& folder, PlatformServices& services,
                                             QWidget* parent)
    : QWidget(parent, Qt::Window),
      matrix_(std::move(matrix)),
      valueName_(valueName),
      folder_(folder),
      services_(services),
      tabs_(new QTabWidget(this)),
      heatMapView_(new SceneView(this)),
      pcoaView_(new SceneView(this)),
      groupChoice_(new QComboBox(this)),
      prefixLength_(new QSpinBox(this)),
      exportButton_(new QPushButton(QStringLiteral("Export picture..."), this)),
      methodsButton_(new QPushButton(QStringLiteral("Methods..."), this)),
      status_(new QLabel(this)) {
  setObjectName(QStringLiteral("DistancePictureWindow"));
  setWindowTitle(QStringLiteral("Distance picture - ") + title);
  setAttribute(Qt::WA_DeleteOnClose);
  heatMapView_->setObjectName(QStringLiteral("heatMapView"));
  pcoaView_->setObjectName(QStringLiteral("pcoaView"));
  tabs_->addTab(heatMapView_, QStringLiteral("Heat map"));
  tabs_->addTab(pcoaView_, QStringLiteral("Principal coordinates"));

  groupChoice_->addItems({QStringLiteral("No groups"), QStringLiteral("Groups by name prefix"),
                          QStringLiteral("Groups from a file...")});
  prefixLength_->setRange(1, 12);
  prefixLength_->setValue(3);
  prefixLength_->setSuffix(QStringLiteral(" characters"));
  prefixLength_->setEnabled(false);
  auto* controls = new QHBoxLayout;
  controls->addWidget(new QLabel(QStringLiteral("Colour OTUs:"), this));
  controls->addWidget(groupChoice_);
  controls->addWidget(prefixLength_);
  controls->addStretch();
  controls->addWidget(methodsButton_);
  controls->addWidget(exportButton_);
  methodsButton_->setObjectName(QStringLiteral("methodsButton"));
  methodsButton_->hide();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_, 1);
  layout->addLayout(controls);
  layout->addWidget(status_);

  {
    const BusyPointer busy;
    pictures::HeatMapLayout heatLayout;
    heatMapView_->SetScene(
        pictures::HeatMapPicture(matrix_, valueName_.toStdString(), 1, &heatLayout));
    heatMapView_->SetTip([this, heatLayout](QPointF point) -> QString {
      const double column = (point.x() - heatLayout.cellsX) / heatLayout.cellSize;
      const double row = (point.y() - heatLayout.cellsY) / heatLayout.cellSize;
      if (row < 0 || column < 0 || row >= matrix_.n || column >= matrix_.n) return {};
      const std::size_t i = heatLayout.order[static_cast<std::size_t>(row)];
      const std::size_t j = heatLayout.order[static_cast<std::size_t>(column)];
      return QString::fromStdString(matrix_.names[i] + " - " + matrix_.names[j] + ": ") +
             QString::number(matrix_.At(i, j), 'g', 6);
    });
    coordinates_ = pictures::ComputePrincipalCoordinates(pictures::AsDistances(matrix_));
  }
  pcoaView_->SetTip([this](QPointF point) { return PointName(point); });
  ShowPcoa();

  for (SceneView* view : {heatMapView_, pcoaView_}) {
    connect(view, &SceneView::PointedAt, status_, &QLabel::setText);
  }
  connect(groupChoice_, &QComboBox::activated, this, [this] { GroupChoiceChanged(); });
  connect(prefixLength_, &QSpinBox::valueChanged, this, [this](int length) {
    if (groupChoice_->currentIndex() == 1) GroupByPrefix(static_cast<std::size_t>(length));
  });
  connect(exportButton_, &QPushButton::clicked, this, [this] { ExportCurrent(); });
  connect(methodsButton_, &QPushButton::clicked, this,
          [this] { ShowMethods(this, facts_, services_); });
  resize(900, 720);
}

void DistancePictureWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (fitted_) return;
  fitted_ = true;
  // At first sight the whole heat map and its key, as far as the screen has room: the window
  // is the picture's size, what it has around the picture's view, and room for the text of
  // the screen's font, which may run a little wider than the picture's own.
  const pictures::Scene& heatMap = heatMapView_->Scene();
  const int slack = 2 * style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  QSize wanted = size() - heatMapView_->maximumViewportSize() +
                 QSize(static_cast<int>(std::ceil(heatMap.width)) + slack,
                       static_cast<int>(std::ceil(heatMap.height)) + slack);
  if (screen() != nullptr) wanted = wanted.boundedTo(screen()->availableGeometry().size() * 0.9);
  resize(wanted.expandedTo(QSize(640, 480)));
}

void DistancePictureWindow::ShowPcoa() {
  pictures::PcoaLayout layout;
  pcoaView_->SetScene(
      pictures::PcoaPicture(matrix_, coordinates_, groups_, valueName_.toStdString(), 1, &layout));
  pointX_ = layout.x;
  pointY_ = layout.y;
  radius_ = layout.radius;
}

QString DistancePictureWindow::PointName(QPointF point) const {
  // The nearest point within reach of the pointer; points drawn later lie on top.
  QString name;
  double best = radius_ + 2;
  for (std::size_t i = 0; i < pointX_.size(); ++i) {
    const double distance = std::hypot(point.x() - pointX_[i], point.y() - pointY_[i]);
    if (distance <= best) {
      best = distance;
      name = QString::fromStdString(matrix_.names[i]);
      if (i < groups_.groupOf.size() && groups_.groupOf[i] != pictures::kNoGroup) {
        name += QStringLiteral(" (") + QString::fromStdString(groups_.names[groups_.groupOf[i]]) +
                QStringLiteral(")");
      }
    }
  }
  return name;
}

void DistancePictureWindow::GroupByPrefix(std::size_t length) {
  groups_ = length == 0 ? pictures::OtuGroups{} : pictures::GroupsByPrefix(matrix_.names, length);
  groupPrefix_ = length;
  groupFile_.clear();
  // The controls show the grouping, also when it was chosen by a call rather than by them.
  const QSignalBlocker blockChoice(groupChoice_);
  const QSignalBlocker blockLength(prefixLength_);
  groupChoice_->setCurrentIndex(length == 0 ? 0 : 1);
  prefixLength_->setEnabled(length != 0);
  if (length != 0) prefixLength_->setValue(static_cast<int>(length));
  ShowPcoa();
}

void DistancePictureWindow::GroupFromFile(const QString& path) {
  groups_ = pictures::ReadOtuGroupFile(path.toStdString(), matrix_.names);
  groupPrefix_ = 0;
  groupFile_ = path;
  const QSignalBlocker blockChoice(groupChoice_);
  groupChoice_->setCurrentIndex(2);
  prefixLength_->setEnabled(false);
  ShowPcoa();
}

void DistancePictureWindow::GroupChoiceChanged() {
  const int choice = groupChoice_->currentIndex();
  prefixLength_->setEnabled(choice == 1);
  if (choice == 0) GroupByPrefix(0);
  if (choice == 1) GroupByPrefix(static_cast<std::size_t>(prefixLength_->value()));
  if (choice != 2) return;
  FileDialogRequest request;
  request.title = QStringLiteral("Groups of OTUs");
  request.filter = QStringLiteral("Text files (*.txt *.tsv *.csv);;All files (*)");
  request.initialFolder = folder_;
  const std::optional<FileChoice> file = services_.ChooseOpenFile(this, request);
  if (!file) {
    groupChoice_->setCurrentIndex(groups_.Empty() ? 0 : 1);
    return;
  }
  try {
    GroupFromFile(file->path);
  } catch (const Failure& failure) {
    services_.ShowMessage(this, QStringLiteral("Groups of OTUs"),
                          QString::fromStdString(failure.what()));
  }
  tabs_->setCurrentWidget(pcoaView_);
}

void DistancePictureWindow::ExportCurrent() {
  const bool heatMap = tabs_->currentWidget() == heatMapView_;
  const SceneView* view = heatMap ? heatMapView_ : pcoaView_;
  const QString path =
      AskAndExportPicture(this, services_, view->Scene(), folder_,
                          heatMap ? QStringLiteral("heatmap") : QStringLiteral("pcoa"));
  if (path.isEmpty() || !recorder_) return;
  recorder_(heatMap ? marbleset::PictureKind::kHeatMap : marbleset::PictureKind::kPcoa,
            groupPrefix_, ToStd(groupFile_),
            path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive), ToStd(path));
}

void DistancePictureWindow::SetSession(PictureExportRecorder recorder,
                                       const marbleset::MethodsFacts& facts) {
  recorder_ = std::move(recorder);
  facts_ = facts;
  methodsButton_->show();
}

QString DistancePictureWindow::StatusText() const {
  return status_->text();
}

}  // namespace marbleset::shell
