#include "shell/matrix_picture_panel.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
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

QString Swatch(pictures::Argb colour, const QString& label) {
  return QStringLiteral(
             "<span style=\"background:%1; border:1px solid #888\">&nbsp;&nbsp;&nbsp;&nbsp;</span>"
             "&nbsp;%2")
      .arg(ColourOf(colour).name(), label);
}

}  // namespace

MatrixPicturePanel::MatrixPicturePanel(QWidget* parent)
    : QWidget(parent),
      view_(new MatrixPictureView(this)),
      zoomLabel_(new QLabel(this)),
      legend_(new QLabel(this)),
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
  legend_->setTextFormat(Qt::RichText);
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
  legend_->clear();
  status_->clear();
}

QString MatrixPicturePanel::StatusText() const {
  return status_->text();
}

void MatrixPicturePanel::UpdateLegend() {
  if (data_ == nullptr) return;
  QStringList entries;
  if (data_->IsBinary()) {
    entries << Swatch(pictures::kStateZeroColour, QStringLiteral("0"))
            << Swatch(pictures::kStateOneColour, QStringLiteral("1"));
    if (data_->HasOtherValues())
      entries << Swatch(pictures::kOtherValueColour, QStringLiteral("other value"));
  } else {
    QString scale;
    for (int k = 0; k < 8; ++k) {
      scale += QStringLiteral("<span style=\"background:%1\">&nbsp;&nbsp;</span>")
                   .arg(ColourOf(pictures::ScaleColour(k / 7.0)).name());
    }
    entries << "lowest&nbsp;" + scale + "&nbsp;highest value of each character";
  }
  entries << Swatch(pictures::kMissingColour, QStringLiteral("missing"));
  legend_->setText(entries.join(QStringLiteral("&nbsp;&nbsp;&nbsp;")));
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
  AskAndExportPicture(this, *services_, pictures::MatrixPicture(*data_, options),
                      QString::fromStdString(data_->folder), name + QStringLiteral("_matrix"));
}

}  // namespace marbleset::shell
