// The user guide bundled into the program, shown in a browser window of its own.
#pragma once

#include <QWidget>

class QTextBrowser;

namespace marbleset::shell {

// Makes the guide and the program's icon, compiled into this library, available as resources.
void RegisterShellResources();

class HelpWindow : public QWidget {
  Q_OBJECT

 public:
  // The guide's contents page inside the program's resources.
  static constexpr char kContentsUrl[] = "qrc:/help/index.html";

  explicit HelpWindow(QWidget* parent);

  // Shows the contents page and brings the window forward.
  void ShowContents();
  QTextBrowser* Browser() const { return browser_; }

 private:
  QTextBrowser* browser_;
};

}  // namespace marbleset::shell
