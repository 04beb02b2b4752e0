#include "shell/help_window.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

// The guide is compiled into this static library; a static library's resources must be
// registered by name, and only outside any namespace.
static void RegisterHelpResources() {
  Q_INIT_RESOURCE(help);
}

namespace marbleset::shell {

void RegisterShellResources() {
  RegisterHelpResources();
}

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  RegisterShellResources();
  setObjectName("HelpWindow");
  setWindowTitle("Marbleset Help");
  browser_ = new QTextBrowser(this);
  browser_->setObjectName("HelpBrowser");
  browser_->setOpenExternalLinks(true);

  auto* contents = new QPushButton("Contents", this);
  auto* back = new QPushButton("Back", this);
  auto* forward = new QPushButton("Forward", this);
  back->setEnabled(false);
  forward->setEnabled(false);
  connect(contents, &QPushButton::clicked, this, &HelpWindow::ShowContents);
  connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
  connect(forward, &QPushButton::clicked, browser_, &QTextBrowser::forward);
  connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
  connect(browser_, &QTextBrowser::forwardAvailable, forward, &QPushButton::setEnabled);
  connect(browser_, &QTextBrowser::sourceChanged, this, [this] {
    const QString title = browser_->documentTitle();
    setWindowTitle(title.isEmpty() ? QString("Marbleset Help") : "Marbleset Help - " + title);
  });

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(contents);
  buttons->addWidget(back);
  buttons->addWidget(forward);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(browser_);

  const QFontMetrics metrics(font());
  resize(metrics.averageCharWidth() * 100, metrics.height() * 40);
}

void HelpWindow::ShowContents() {
  browser_->setSource(QUrl(kContentsUrl));
  show();
  raise();
  activateWindow();
}

}  // namespace marbleset::shell
