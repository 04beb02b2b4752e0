#include "shell/matrix_picture_panel.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QToolButton>
#include <QVBoxLayout>

#include "pictures/colour_scale.h"
#include "pictures/matrix_picture.h"
#include "shell/matrix_picture_view.h"
#include "shell/picture_export.h"
#include "shell/scene_painter.h"

namespace marbleset::shell {

namespace {

QToolButton* Button(QWidget* parent, const QString& text, const QString& tip) {
  auto* button = new QToolButton(parent);
  button->setText(text);
  button->setToolTip(tip);
  return button;
}

// A square of colour with a grey outline, so the light state shows on a light window too.
QLabel* Swatch(QWidget* parent, pictures::Argb colour) {
  QPixmap square(12, 12);
  square.fill(ColourOf(colour));
  QPainter painter(&square);
  painter.setPen(QColor(0x88, 0x88, 0x88));
  painter.drawRect(0, 0, 11, 11);
  painter.end();
  auto* label = new QLabel(parent);
  label->setPixmap(square);
  return label;
}

QLabel* ScaleStrip(QWidget* parent) {
  QPixmap strip(64, 12);
  QPainter painter(&strip);
  for (int x = 0; x < 64; ++x) {
    painter.setPen(ColourOf(pictures::ScaleColour((x + 0.5) / 64)));
    painter.drawLine(x, 0, x, 11);
  }
  painter.end();
  auto* label = new QLabel(parent);
  label->setPixmap(strip);
  return label;
}

}  // namespace

MatrixPicturePanel::MatrixPicturePanel(QWidget* parent)
    : QWidget(parent),
      view_(new MatrixPictureView(this)),
      zoomLabel_(new QLabel(this)),
      legend_(new QWidget(this)),
      status_(new QLabel(this)),
      exportButton_(Button(this, QStringLiteral("Export picture..."),
                           QStringLiteral("Save the matrix picture as PNG or SVG"))) {
  setObjectName(QStringLiteral("matrixPicturePanel"));
  auto* zoomIn =
      Button(this, QStringLiteral("Zoom in"), QStringLiteral("Larger cells (Ctrl+wheel, +)"));
  auto* zoomOut = Button(this, QStringLiteral("Zoom out"),
                         QStringLiteral("More cells on the screen (Ctrl+wheel, -)"));
  auto* fit = Button(this, QStringLiteral("Whole matrix"),
                     QStringLiteral("Fit the whole matrix into the window"));
  auto* onePixel =
      Button(this, QStringLiteral("1 pixel a cell"), QStringLiteral("Every cell one pixel"));
  zoomIn->setObjectName(QStringLiteral("zoomInButton"));
  zoomOut->setObjectName(QStringLiteral("zoomOutButton"));
  fit->setObjectName(QStringLiteral("fitButton"));
  exportButton_->setObjectName(QStringLiteral("exportPictureButton"));
  exportButton_->setVisible(false);
  new QHBoxLayout(legend_);
  legend_->layout()->setContentsMargins(0, 0, 0, 0);
  status_->setObjectName(QStringLiteral("pictureStatus"));

  auto* tools = new QHBoxLayout;
  for (QToolButton* button : {zoomOut, zoomIn, fit, onePixel}) tools->addWidget(button);
  tools->addWidget(zoomLabel_);
  tools->addStretch();
  tools->addWidget(legend_);
  tools->addWidget(exportButton_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(tools);
  layout->addWidget(view_, 1);
  layout->addWidget(status_);

  connect(zoomIn, &QToolButton::clicked, view_, [this] { view_->ZoomIn(); });
  connect(zoomOut, &QToolButton::clicked, view_, [this] { view_->ZoomOut(); });
  connect(fit, &QToolButton::clicked, view_, &MatrixPictureView::FitToView);
  connect(onePixel, &QToolButton::clicked, view_, [this] { view_->SetZoom({1, 1}); });
  connect(view_, &MatrixPictureView::ZoomChanged, this,
          [this] { zoomLabel_->setText(view_->ZoomText()); });
  connect(view_, &MatrixPictureView::PointedAt, status_, &QLabel::setText);
  connect(exportButton_, &QToolButton::clicked, this, &MatrixPicturePanel::Export);
}

void MatrixPicturePanel::SetServices(PlatformServices* services) {
  services_ = services;
  exportButton_->setVisible(services_ != nullptr);
}

void MatrixPicturePanel::ShowData(const marbleset::DataSet& data) {
  data_ = &data;
  view_->ShowData(data);
  status_->clear();
  UpdateLegend();
}

void MatrixPicturePanel::Clear() {
  data_ = nullptr;
  view_->Clear();
  for (QWidget* child : legend_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) delete child;
  status_->clear();
}

QString MatrixPicturePanel::StatusText() const {
  return status_->text();
}

void MatrixPicturePanel::UpdateLegend() {
  for (QWidget* child : legend_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) delete child;
  if (data_ == nullptr) return;
  auto* layout = static_cast<QHBoxLayout*>(legend_->layout());
  const auto entry = [&](QWidget* mark, const QString& text) {
    layout->addWidget(mark);
    layout->addWidget(new QLabel(text, legend_));
    layout->addSpacing(8);
  };
  if (data_->IsBinary()) {
    entry(Swatch(legend_, pictures::kStateZeroColour), "0");
    entry(Swatch(legend_, pictures::kStateOneColour), "1");
    if (data_->HasOtherValues()) entry(Swatch(legend_, pictures::kOtherValueColour), "other value");
  } else {
    layout->addWidget(new QLabel("lowest", legend_));
    entry(ScaleStrip(legend_), "highest value of each character");
  }
  entry(Swatch(legend_, pictures::kMissingColour), "missing");
}

void MatrixPicturePanel::Export() {
  if (data_ == nullptr || services_ == nullptr) return;
  // The zoom shown when the whole picture stays within 4000 pixels a side; the whole matrix
  // fitted otherwise.
  pictures::MatrixPictureOptions options;
  const pictures::MatrixPainter painter(*data_);
  if (painter.Width(view_->Zoom()) <= 4000 && painter.Height(view_->Zoom()) <= 4000) {
    options.fitting = false;
    options.zoom = view_->Zoom();
  }
  const QString name = QFileInfo(QString::fromStdString(data_->fileName)).completeBaseName();
  const QString path =
      AskAndExportPicture(this, *services_, pictures::MatrixPicture(*data_, options),
                          QString::fromStdString(data_->folder), name + QStringLiteral("_matrix"));
  if (path.isEmpty() || !recorder_) return;
  recorder_(options.fitting ? std::nullopt : std::optional(options.zoom),
            path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive), path.toStdString());
}

}  // namespace marbleset::shell
