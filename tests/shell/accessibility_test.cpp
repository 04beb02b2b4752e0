// The data window as a text view: what Qt's accessibility interface (screen readers, testing
// tools) reads of it, selection by keyboard and mouse, copy and find checked against a plain
// reading of the file; and a distance run that opens no window until its picture is asked for.
#include <QAccessible>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "shell/data_text_view.h"
#include "shell/data_window.h"
#include "shell/distance_picture_window.h"
#include "shell/file_search.h"
#include "shell/run_dialog.h"
#include "shell_fixture.h"

namespace marbleset::shell::testing {
namespace {

QAccessibleTextInterface* AccessibleText(DataTextView* view) {
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(view);
  return accessible != nullptr ? accessible->textInterface() : nullptr;
}

void Keys(QWidget* widget, QKeySequence keys) {
  for (int k = 0; k < keys.count(); ++k)
    QTest::keyClick(widget, keys[k].key(), keys[k].keyboardModifiers());
}

// A point at the left edge of a column, where a click puts the cursor before it.
QPoint At(DataTextView* view, std::size_t line, std::size_t column) {
  return view->CharacterRect({line, column}).topLeft() + QPoint(1, 2);
}

TEST_F(ShellTest, DataWindowText_IsReadSelectedAndCopiedThroughAccessibilityKeysAndMouse) {
  window->show();
  OpenBinary(WriteFile("three.phy", kBinaryPhylip));
  DataTextView* view = window->Data().TextView();
  QAccessibleTextInterface* text = AccessibleText(view);
  ASSERT_NE(text, nullptr);
  // The lines in sight, as in the file, CR LF ends read as line ends.
  const QString plain = QString::fromLatin1(kBinaryPhylip).chopped(1);
  EXPECT_EQ(text->text(0, text->characterCount()), plain);
  EXPECT_EQ(text->selectionCount(), 0);

  // Down, then Shift+End selects the second line; the interface reads it, Ctrl+C copies it.
  view->setFocus();
  Keys(view,
       QKeySequence(QKeyCombination(Qt::Key_Down), Qt::SHIFT | Qt::Key_End, Qt::CTRL | Qt::Key_C));
  int start = -1, end = -1;
  text->selection(0, &start, &end);
  EXPECT_EQ(text->text(start, end), "Alpha       0110");
  EXPECT_EQ(services.clipboard, "Alpha       0110");
  EXPECT_EQ(text->cursorPosition(), end);

  // A drag from Beta's state 3 to Gamma's 5th column; Shift+click stretches it on.
  QTest::mousePress(view->viewport(), Qt::LeftButton, {}, At(view, 2, 14));
  QTest::mouseMove(view->viewport(), At(view, 3, 5));
  QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, At(view, 3, 5));
  view->CopySelection();
  EXPECT_EQ(services.clipboard, "01\nGamma");
  QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ShiftModifier, At(view, 3, 14));
  view->CopySelection();
  EXPECT_EQ(services.clipboard, "01\nGamma       00");
  text->selection(0, &start, &end);
  EXPECT_EQ(text->text(start, end), "01\nGamma       00");

  // A double click takes the word under the pointer.
  QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, At(view, 2, 13));
  EXPECT_EQ(view->SelectedText(), "1?01");

  // Select all gives the file back; the interface can set a selection of its own.
  Keys(view, QKeySequence(Qt::CTRL | Qt::Key_A, Qt::CTRL | Qt::Key_C));
  EXPECT_EQ(services.clipboard, plain);
  text->setSelection(0, 5, 10);
  EXPECT_EQ(view->SelectedText(), plain.mid(5, 5));
}

TEST_F(ShellTest, LargeFile_IsSearchedOnAWorkerAndCopiedAsTheFileHoldsIt) {
  // More than two pieces of the search, with a match across the first boundary; every kind of
  // line end, lines with and without a tab.
  QByteArray bytes;
  for (int i = 0; bytes.size() < 9 * 1024 * 1024; ++i) {
    bytes += "Otu" + QByteArray::number(i).leftJustified(8) + (i % 5 == 0 ? " " : "\t");
    bytes += QByteArray(60, '0' + i % 2) + (i % 7 == 0 ? "\r" : (i % 3 == 0 ? "\n" : "\r\n"));
  }
  qsizetype boundary = 4 * 1024 * 1024 - 5;
  while (bytes.mid(boundary, 6).contains('\r') || bytes.mid(boundary, 6).contains('\n')) ++boundary;
  ASSERT_LT(boundary, 4 * 1024 * 1024);
  bytes.replace(boundary, 6, "NEEDLE");
  bytes.replace(100, 6, "needle");
  bytes.replace(bytes.size() - 40, 6, "NeEdLe");
  const QString path = WriteRaw("big.phy", bytes);

  // The search against a plain find over the whole text, in both directions and round the end.
  const std::string lower = bytes.toLower().toStdString();
  const std::atomic<bool> never{false};
  for (const std::uint64_t from : {std::uint64_t{0}, std::uint64_t{101}, std::uint64_t(boundary),
                                   std::uint64_t(boundary + 1), std::uint64_t(bytes.size())}) {
    const auto forward = FindInFile(ToStd(path), "needle", from, true, never);
    std::size_t expected = lower.find("needle", from);
    ASSERT_TRUE(forward);
    EXPECT_EQ(forward->wrapped, expected == std::string::npos) << from;
    EXPECT_EQ(forward->offset, forward->wrapped ? lower.find("needle") : expected) << from;
    const auto backward = FindInFile(ToStd(path), "needle", from, false, never);
    expected = from == 0 ? std::string::npos : lower.rfind("needle", from - 1);
    ASSERT_TRUE(backward);
    EXPECT_EQ(backward->wrapped, expected == std::string::npos) << from;
    EXPECT_EQ(backward->offset, backward->wrapped ? lower.rfind("needle") : expected) << from;
  }
  EXPECT_FALSE(FindInFile(ToStd(path), "absent", 0, true, never));

  // In the window: Ctrl+F, the text, Enter; the match is selected where a plain reading puts it.
  DataWindow data;
  data.SetServices(&services);
  data.TextView()->SetIndexAtOnceLimit(1000);
  data.resize(600, 400);
  data.show();
  data.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&data));
  QSignalSpy indexed(data.TextView(), &DataTextView::Indexed);
  data.TextView()->ShowFile(path);
  ASSERT_TRUE(indexed.count() == 1 || indexed.wait(60000));
  // Indexed on the worker, the view gives the lines and slices across their tabs as a plain
  // reading does (every 13th: a line lost or split anywhere shifts all after it).
  const QStringList lines = ReferenceLines(bytes, false), shown = ReferenceLines(bytes);
  ASSERT_EQ(data.TextView()->LineCount(), static_cast<std::size_t>(shown.size()));
  for (qsizetype i = 0; i < shown.size(); i += 13) {
    ASSERT_EQ(data.TextView()->Line(std::size_t(i)), shown[i]) << i;
    ASSERT_EQ(data.TextView()->LineSlice(std::size_t(i), 10, 4), shown[i].mid(10, 4)) << i;
  }
  const auto located = [&shown](qsizetype from) {  // the line and column of the n-th match
    for (qsizetype i = 0; i < shown.size(); ++i) {
      const qsizetype at = shown[i].indexOf("needle", 0, Qt::CaseInsensitive);
      if (at >= 0 && from-- == 0) return TextPosition{std::size_t(i), std::size_t(at)};
    }
    return TextPosition{};
  };
  QSignalSpy done(data.TextView(), &DataTextView::SearchDone);
  data.TextView()->setFocus();
  Keys(data.TextView(), QKeySequence(Qt::CTRL | Qt::Key_F));
  auto* edit = data.findChild<QLineEdit*>("findEdit");
  ASSERT_TRUE(edit->hasFocus());
  QTest::keyClicks(edit, "needle");
  for (const qsizetype n : {0, 1, 2, 0}) {
    QTest::keyClick(edit, Qt::Key_Return);
    ASSERT_TRUE(done.wait(20000));
    EXPECT_EQ(data.TextView()->Anchor(), located(n)) << n;
    EXPECT_EQ(data.TextView()->SelectedText().toLower(), "needle");
  }
  EXPECT_EQ(data.FindStatus(), "Went round the file");
  QTest::keyClick(edit, Qt::Key_Return, Qt::ShiftModifier);
  ASSERT_TRUE(done.wait(20000));
  EXPECT_EQ(data.TextView()->Anchor(), located(2));

  // Lines 3 to 5 copied: tabs and text as in the file, lines joined by line feeds.
  data.TextView()->Select({3, 2}, {5, 9});
  data.TextView()->CopySelection();
  EXPECT_EQ(services.clipboard, lines[3].mid(2) + "\n" + lines[4] + "\n" + lines[5].left(9));
  EXPECT_EQ(services.clipboard.count('\t'), 2);
}

TEST_F(ShellTest, DistanceRun_OpensNoWindowUntilItsPictureIsAskedFor) {
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  OpenBinary(WriteFile("three.phy", kBinaryPhylip));
  window->ShowRunDialog(RunMode::kDistances);
  RunDialog* dialog = window->OpenRunDialog();
  dialog->findChild<QLineEdit*>("outputPathEdit")->setText(scratch.filePath("three_dist.txt"));
  auto* offer = window->findChild<QPushButton*>("showPictureButton");
  EXPECT_FALSE(offer->isVisible());
  dialog->findChild<QPushButton*>("okButton")->click();
  QApplication::processEvents();
  for (QWidget* widget : QApplication::topLevelWidgets())
    EXPECT_FALSE(widget->isVisible() && widget != window.get())
        << widget->objectName().toStdString();
  EXPECT_TRUE(offer->isVisible());

  // Asked for, the picture window opens clear of the menu bar.
  offer->click();
  auto* picture = window->findChild<DistancePictureWindow*>();
  ASSERT_NE(picture, nullptr);
  EXPECT_TRUE(picture->isVisible());
  const QMenuBar* menus = window->menuBar();
  const QRect menuBar(menus->mapToGlobal(QPoint(0, 0)), menus->size());
  EXPECT_FALSE(picture->frameGeometry().intersects(menuBar));
  picture->close();

  // New data withdraws the offer.
  OpenBinary(WriteFile("again.phy", kBinaryPhylip));
  EXPECT_FALSE(offer->isVisible());
}

}  // namespace
}  // namespace marbleset::shell::testing
