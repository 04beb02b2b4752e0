// A read-only view of a text file of any size. The file is never held in memory: a pass on a
// worker thread finds where its lines start, the lines found so far can be scrolled to at once,
// and only the characters in sight are read from the file when the view is painted. Each byte
// is one character (Latin-1); a tab moves to the next multiple of eight columns; lines end at
// LF, CR LF or CR.
#pragma once

#include <QAbstractScrollArea>
#include <QFile>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

namespace marbleset::shell {

class DataTextView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  // Files up to this size are indexed before ShowFile returns, larger ones in the background.
  static constexpr qint64 kIndexAtOnceLimit = 4 * 1024 * 1024;

  explicit DataTextView(QWidget* parent = nullptr);
  ~DataTextView() override;

  // Shows the file at path from its first line. Throws ReadFailure when it cannot be opened.
  void ShowFile(const QString& path);
  // Shows lines held in memory.
  void ShowLines(const QStringList& lines);
  void Clear();
  // For tests: files larger than bytes are indexed in the background.
  void SetIndexAtOnceLimit(qint64 bytes) { indexAtOnceLimit_ = bytes; }

  bool IsIndexing() const { return indexer_.joinable() && !indexed_; }
  std::size_t LineCount() const;
  // The widest line, in columns.
  std::size_t Columns() const { return columns_; }
  // A line as shown, tabs expanded.
  QString Line(std::size_t index) const;
  // The columns [first, first + count) of a line as shown.
  QString LineSlice(std::size_t index, std::size_t first, std::size_t count) const;
  // Every line, each followed by a line feed (tests and small files only).
  QString Text() const;

 signals:
  // The pass over the file has found every line.
  void Indexed();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 public:
  // Where a line of the file is: its first byte, its length in bytes and in columns.
  struct LineSpan {
    std::uint64_t start;
    std::uint32_t bytes : 31;  // lines longer than 2 GB are cut there
    std::uint32_t tabs : 1;    // the line holds a tab, so columns and bytes differ
    std::uint32_t columns;
  };

 private:
  struct Batch;
  void StopIndexing();
  void Append(std::uint64_t generation, std::vector<LineSpan> lines, std::size_t columns,
              bool last);
  void UpdateScrollBars();
  QByteArray ReadBytes(std::uint64_t start, std::uint32_t length) const;

  qint64 indexAtOnceLimit_ = kIndexAtOnceLimit;
  QStringList memoryLines_;
  std::vector<LineSpan> lines_;
  std::size_t columns_ = 0;
  mutable QFile file_;
  std::thread indexer_;
  std::atomic<bool> stop_{false};
  std::atomic<std::uint64_t> generation_{0};
  bool indexed_ = true;
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
