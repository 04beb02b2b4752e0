#include "shell/about_box.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSysInfo>
#include <QVBoxLayout>

#include "marbleset_version.h"
#include "shell/platform_services.h"

namespace marbleset::shell {

namespace {

QString PlatformName() {
#if defined(Q_OS_WIN)
  return "Windows";
#elif defined(Q_OS_MACOS)
  return "macOS";
#elif defined(Q_OS_LINUX)
  return "Linux";
#else
  return QSysInfo::productType();
#endif
}

QLabel* Line(QWidget* parent, const QString& text, double points, bool bold) {
  auto* label = new QLabel(text, parent);
  label->setAlignment(Qt::AlignCenter);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  QFont font = label->font();
  font.setPointSizeF(points);
  font.setBold(bold);
  label->setFont(font);
  return label;
}

}  // namespace

QString AboutBox::VersionLine() {
  return QString("Version %1 for %2").arg(MARBLESET_VERSION, PlatformName());
}

QString AboutBox::ReferenceLine() {
  return "The Marbleset contributors (2026). Marbleset v. 1.3, a workbench for marker data bound "
         "for PHYLIP.";
}

AboutBox::AboutBox(PlatformServices& services, QWidget* parent)
    : QDialog(parent), services_(services) {
  setObjectName("aboutBox");
  setWindowTitle("About Marbleset!");

  auto* layout = new QVBoxLayout(this);
  layout->setSpacing(2);
  layout->addWidget(Line(this, "Workbench for marker data bound for PHYLIP", 8.25, true));
  layout->addWidget(Line(this, "Marbleset", 14.25, true));
  layout->addWidget(Line(this, VersionLine(), 8.25, true));
  layout->addWidget(Line(this, "the Marbleset contributors, 2026", 9.75, false));
  layout->addSpacing(12);
  layout->addWidget(Line(this, "Prepares binary and quantitative characters,", 9, false));
  layout->addWidget(Line(this, "distance matrices and resampled data sets for PHYLIP.", 9, false));
  layout->addSpacing(12);

  auto* okButton = new QPushButton("OK", this);
  okButton->setObjectName("okButton");
  okButton->setDefault(true);
  auto* copyButton = new QPushButton("Copy reference to clipboard", this);
  copyButton->setObjectName("copyReferenceButton");
  connect(okButton, &QPushButton::clicked, this, &QDialog::close);
  connect(copyButton, &QPushButton::clicked, this,
          [this] { services_.SetClipboardText(ReferenceLine()); });
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(okButton, 1);
  buttons->addWidget(copyButton, 2);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace marbleset::shell
