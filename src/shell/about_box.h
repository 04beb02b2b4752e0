// The about box: the program's name and version, its credit, and a reference line for papers
// that the user can put on the clipboard.
#pragma once

#include <QDialog>

namespace marbleset::shell {

class PlatformServices;

class AboutBox : public QDialog {
  Q_OBJECT

 public:
  AboutBox(PlatformServices& services, QWidget* parent);

  // "Version 1.32 for Linux", "Version 1.32 for Windows", ...
  static QString VersionLine();
  // The literature reference, one line.
  static QString ReferenceLine();

 private:
  PlatformServices& services_;
};

}  // namespace marbleset::shell
