// What the screenshot programs share: time for the window manager to frame and place what was
// shown, and a widget saved as a PNG file, each file named on standard output.
#pragma once

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QString>
#include <QThread>
#include <QWidget>
#include <cstdio>

namespace marbleset::screenshots {

inline void Settle() {
  for (int i = 0; i < 20; ++i) {
    QApplication::processEvents();
    QThread::msleep(25);
  }
}

inline bool Write(const QPixmap& picture, const QString& folder, const QString& name) {
  const QString path = QDir(folder).filePath(name + ".png");
  const bool saved = picture.save(path);
  std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
  return saved;
}

inline bool Save(QWidget* widget, const QString& folder, const QString& name) {
  Settle();
  return Write(widget->grab(), folder, name);
}

}  // namespace marbleset::screenshots
