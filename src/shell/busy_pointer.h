// The busy pointer over every window for as long as an object of this type lives, so it is put
// back however a command ends (a return, a failure).
#pragma once

#include <QApplication>

namespace marbleset::shell {

class BusyPointer {
 public:
  BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyPointer() { QApplication::restoreOverrideCursor(); }
  BusyPointer(const BusyPointer&) = delete;
  BusyPointer& operator=(const BusyPointer&) = delete;
};

}  // namespace marbleset::shell
