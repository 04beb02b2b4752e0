// What screen readers and testing tools read of the data window's text view through Qt's
// accessibility interface: the lines in sight as one text, the cursor and the selection within
// it. A file of hundreds of megabytes is never handed over whole; scrolling (or moving the
// cursor with the keyboard) brings other lines into that text.
#pragma once

namespace marbleset::shell {

// Registers the view's accessible text with Qt; the first view calls it, later calls do nothing.
void InstallDataTextAccessibility();

}  // namespace marbleset::shell
