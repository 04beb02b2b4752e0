// A read-only view of a text file of any size. The file is never held in memory: a pass on a
// worker thread finds where its lines start, the lines found so far can be scrolled to at once,
// and only the characters in sight are read from the file when the view is painted. Each byte
// is one character (Latin-1); a tab moves to the next multiple of eight columns; lines end at
// LF, CR LF or CR.
//
// Text is selected with the mouse (drag, shift+click, a double click for a word) and the keyboard
// (shift with the arrows, Home, End and the page keys), copied (read from the file only then),
// selected whole, and searched on a worker thread. Positions are a line and a column as shown.
#pragma once

#include <QAbstractScrollArea>
#include <QFile>
#include <QStringList>
#include <atomic>
#include <compare>
#include <cstdint>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace marbleset::shell {

class PlatformServices;

struct TextPosition {
  std::size_t line = 0;
  std::size_t column = 0;
  auto operator<=>(const TextPosition&) const = default;
};

class DataTextView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  // Files up to this size are indexed before ShowFile returns, larger ones in the background.
  static constexpr qint64 kIndexAtOnceLimit = 4 * 1024 * 1024;
  // The most text one copy puts on the clipboard; a larger selection is refused with a message.
  static constexpr std::uint64_t kMostCopiedBytes = 64 * 1024 * 1024;

  explicit DataTextView(QWidget* parent = nullptr);
  ~DataTextView() override;

  // Shows the file at path from its first line. Throws ReadFailure when it cannot be opened.
  void ShowFile(const QString& path);
  // Shows lines held in memory.
  void ShowLines(const QStringList& lines);
  void Clear();
  // For tests: files larger than bytes are indexed in the background.
  void SetIndexAtOnceLimit(qint64 bytes) { indexAtOnceLimit_ = bytes; }
  // The clipboard and messages of the copy command (without: Qt's clipboard, no message).
  void SetServices(PlatformServices* services) { services_ = services; }

  bool IsIndexing() const { return indexer_.joinable() && !indexed_; }
  std::size_t LineCount() const;
  // The widest line, in columns.
  std::size_t Columns() const { return columns_; }
  // A line's length in columns.
  std::size_t LineColumns(std::size_t index) const;
  // A line as shown, tabs expanded.
  QString Line(std::size_t index) const;
  // The columns [first, first + count) of a line as shown.
  QString LineSlice(std::size_t index, std::size_t first, std::size_t count) const;
  // Every line, each followed by a line feed (tests and small files only).
  QString Text() const;

  // The selection runs from the anchor to the cursor (empty when they are equal).
  TextPosition Anchor() const { return anchor_; }
  TextPosition Cursor() const { return cursor_; }
  void Select(TextPosition anchor, TextPosition cursor);
  void SelectAll();
  bool HasSelection() const { return anchor_ != cursor_; }
  // The selected text as in the file (tabs kept), lines joined by line feeds. Empty when the
  // selection holds more than kMostCopiedBytes.
  QString SelectedText() const;
  std::uint64_t SelectedBytes() const;
  void CopySelection();

  // Looks for text (letters in either case) after the selection, or before it, going round
  // the file's end; the match found is selected. Files are searched on a worker thread;
  // SearchDone tells the outcome.
  void Find(const QString& text, bool forward);
  bool IsSearching() const { return searching_; }

  // The lines in sight: the first and how many.
  std::size_t FirstLineInSight() const;
  std::size_t LinesInSight() const;
  // Where a position is drawn in the viewport, and the position under a viewport point.
  QRect CharacterRect(TextPosition position) const;
  TextPosition PositionAt(QPoint point) const;
  void ScrollTo(TextPosition position);

 signals:
  // The pass over the file has found every line.
  void Indexed();
  // A search has ended: found (and selected) or not; wrapped when it went round the file.
  void SearchDone(bool found, bool wrapped);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 public:
  // Where a line of the file is: its first byte, its length in bytes and in columns.
  struct LineSpan {
    std::uint64_t start;
    std::uint32_t bytes : 31;  // lines longer than 2 GB are cut there
    std::uint32_t tabs : 1;    // the line holds a tab, so columns and bytes differ
    std::uint32_t columns;
  };

 private:
  void StopIndexing();
  void StopSearching();
  void Append(std::uint64_t generation, std::vector<LineSpan> lines, std::size_t columns,
              bool last);
  void UpdateScrollBars();
  QByteArray ReadBytes(std::uint64_t start, std::uint32_t length) const;
  QByteArray LineBytes(std::size_t index) const;
  // The byte of a line at a column as shown, and back.
  std::size_t ByteOfColumn(std::size_t index, std::size_t column) const;
  std::size_t ColumnOfByte(std::size_t index, std::size_t byte) const;
  std::uint64_t FileOffset(TextPosition position) const;
  std::optional<std::size_t> LineOfOffset(std::uint64_t offset) const;
  void SearchEnded(std::uint64_t generation, std::optional<std::uint64_t> offset, bool wrapped);
  bool SelectMatch();
  TextPosition Moved(TextPosition from, int key, bool control) const;
  void MoveCursor(TextPosition to, bool extend);
  void SelectionChanged();
  int LineHeight() const;
  qreal CharWidth() const;

  qint64 indexAtOnceLimit_ = kIndexAtOnceLimit;
  PlatformServices* services_ = nullptr;
  QStringList memoryLines_;
  std::vector<LineSpan> lines_;
  std::size_t columns_ = 0;
  mutable QFile file_;
  std::thread indexer_;
  std::atomic<bool> stop_{false};
  std::atomic<std::uint64_t> generation_{0};
  bool indexed_ = true;

  TextPosition anchor_, cursor_;
  bool dragging_ = false;
  std::thread searcher_;
  std::atomic<bool> stopSearch_{false};
  std::uint64_t searchGeneration_ = 0;
  bool searching_ = false;
  // A match found beyond the lines indexed so far: its bytes, selected once they are indexed.
  std::optional<std::pair<std::uint64_t, std::uint64_t>> pendingMatch_;
  std::uint64_t pendingLength_ = 0;
  bool pendingWrapped_ = false;
};

// Finds the lines of data[0, size) that starts at byte offset `offset` of a file; carries the
// state of a line that is still open from one piece of the file to the next. Kept apart from the
// view so the rule can be tested on its own.
class LineScanner {
 public:
  void Scan(const char* data, std::size_t size, std::vector<DataTextView::LineSpan>& out);
  // The last line, when the file does not end with a line end.
  void Finish(std::vector<DataTextView::LineSpan>& out);
  std::size_t Columns() const { return widest_; }

 private:
  void EndLine(std::vector<DataTextView::LineSpan>& out);

  std::uint64_t position_ = 0;
  std::uint64_t lineStart_ = 0;
  std::uint64_t columns_ = 0;
  std::size_t widest_ = 0;
  bool tabs_ = false;
  bool afterCr_ = false;
};

}  // namespace marbleset::shell
