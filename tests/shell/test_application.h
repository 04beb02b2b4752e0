// One QApplication for a whole widget test program, created on first use (GoogleTest's own main
// starts the tests, so there is no main() of ours in which to create it).
#pragma once

#include <QApplication>
#include <QString>
#include <ostream>

// GoogleTest prints Qt strings as text.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

namespace marbleset::shell::testing {

inline QApplication& TestApplication() {
  static int argc = 1;
  static char name[] = "marbleset_shell_tests";
  static char* argv[] = {name, nullptr};
  // Never destroyed: at process exit Qt's own globals may already be gone, and a QApplication
  // torn down after them crashes the test program after its tests have passed.
  static QApplication* application = new QApplication(argc, argv);
  return *application;
}

}  // namespace marbleset::shell::testing
