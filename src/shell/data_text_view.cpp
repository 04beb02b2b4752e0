#include "shell/data_text_view.h"

#include <QFontDatabase>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cstdio>
#include <limits>

#include "dataset/errors.h"
#include "shell/settings_store.h"

namespace marbleset::shell {

namespace {

constexpr int kTabWidth = 8;
// The pass reads the file in pieces of this size and hands the lines of each piece to the view.
constexpr std::size_t kPieceSize = 4 * 1024 * 1024;
// Room left of the text, in pixels.
constexpr int kMargin = 4;

QFont DataFont() {
  QFont font = QFontDatabase::families().contains("Courier New")
                   ? QFont("Courier New")
                   : QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setStyleHint(QFont::TypeWriter);
  font.setPointSizeF(8.25);
  font.setWeight(QFont::Normal);
  return font;
}

QString ExpandTabs(const QByteArray& bytes) {
  QString text;
  text.reserve(bytes.size());
  for (const char c : bytes) {
    if (c == '\t') {
      text.append(QString(kTabWidth - text.size() % kTabWidth, QChar(' ')));
    } else {
      text.append(QChar(static_cast<unsigned char>(c)));
    }
  }
  return text;
}

}  // namespace

void LineScanner::EndLine(std::vector<DataTextView::LineSpan>& out) {
  constexpr std::uint64_t kMostBytes = (std::uint64_t{1} << 31) - 1;
  constexpr std::uint64_t kMostColumns = std::numeric_limits<std::uint32_t>::max();
  DataTextView::LineSpan line{};
  line.start = lineStart_;
  line.bytes = static_cast<std::uint32_t>(std::min(position_ - lineStart_, kMostBytes));
  line.tabs = tabs_ ? 1 : 0;
  line.columns = static_cast<std::uint32_t>(std::min(columns_, kMostColumns));
  out.push_back(line);
  widest_ = std::max(widest_, static_cast<std::size_t>(line.columns));
  columns_ = 0;
  tabs_ = false;
}

void LineScanner::Scan(const char* data, std::size_t size,
                       std::vector<DataTextView::LineSpan>& out) {
  for (std::size_t i = 0; i < size; ++i, ++position_) {
    const char c = data[i];
    if (afterCr_) {
      afterCr_ = false;
      if (c == '\n') {  // the LF of a CR LF: the line ended at the CR
        lineStart_ = position_ + 1;
        continue;
      }
    }
    if (c == '\n' || c == '\r') {
      EndLine(out);
      lineStart_ = position_ + 1;
      afterCr_ = c == '\r';
    } else if (c == '\t') {
      columns_ = (columns_ / kTabWidth + 1) * kTabWidth;
      tabs_ = true;
    } else {
      ++columns_;
    }
  }
}

void LineScanner::Finish(std::vector<DataTextView::LineSpan>& out) {
  if (position_ > lineStart_) EndLine(out);
  lineStart_ = position_;
}

DataTextView::DataTextView(QWidget* parent) : QAbstractScrollArea(parent) {
  setFont(DataFont());
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  setFocusPolicy(Qt::StrongFocus);
}

DataTextView::~DataTextView() {
  StopIndexing();
}

void DataTextView::StopIndexing() {
  stop_ = true;
  if (indexer_.joinable()) indexer_.join();
  stop_ = false;
  ++generation_;  // batches still queued from the pass that stopped are dropped
  indexed_ = true;
}

void DataTextView::Clear() {
  StopIndexing();
  file_.close();
  memoryLines_.clear();
  lines_.clear();
  lines_.shrink_to_fit();
  columns_ = 0;
  verticalScrollBar()->setValue(0);
  horizontalScrollBar()->setValue(0);
  UpdateScrollBars();
  viewport()->update();
}

void DataTextView::ShowLines(const QStringList& lines) {
  Clear();
  memoryLines_ = lines;
  for (const QString& line : lines)
    columns_ = std::max(columns_, static_cast<std::size_t>(line.size()));
  UpdateScrollBars();
}

void DataTextView::ShowFile(const QString& path) {
  Clear();
  file_.setFileName(path);
  if (!file_.open(QIODevice::ReadOnly)) {
    throw marbleset::ReadFailure(ToStd(path) + ": " + ToStd(file_.errorString()));
  }
  const qint64 size = file_.size();
  const std::string name = ToStd(path);
  if (size <= indexAtOnceLimit_) {
    // Small files are read through at once, so the view is complete when it is first shown.
    LineScanner scanner;
    const QByteArray bytes = file_.readAll();
    scanner.Scan(bytes.constData(), static_cast<std::size_t>(bytes.size()), lines_);
    scanner.Finish(lines_);
    columns_ = scanner.Columns();
    UpdateScrollBars();
    emit Indexed();
    return;
  }
  indexed_ = false;
  const std::uint64_t generation = ++generation_;
  indexer_ = std::thread([this, name, generation] {
    std::FILE* in = std::fopen(name.c_str(), "rb");
    LineScanner scanner;
    std::vector<char> piece(kPieceSize);
    bool more = in != nullptr;
    while (more && !stop_) {
      const std::size_t got = std::fread(piece.data(), 1, piece.size(), in);
      std::vector<LineSpan> found;
      scanner.Scan(piece.data(), got, found);
      more = got == piece.size();
      if (!more) scanner.Finish(found);
      const std::size_t columns = scanner.Columns();
      const bool last = !more;
      QMetaObject::invokeMethod(
          this,
          [this, generation, columns, last,
           lines = std::make_shared<std::vector<LineSpan>>(std::move(found))] {
            Append(generation, std::move(*lines), columns, last);
          },
          Qt::QueuedConnection);
    }
    if (in != nullptr) std::fclose(in);
    if (in == nullptr) {
      QMetaObject::invokeMethod(
          this, [this, generation] { Append(generation, {}, 0, true); }, Qt::QueuedConnection);
    }
  });
}

void DataTextView::Append(std::uint64_t generation, std::vector<LineSpan> lines,
                          std::size_t columns, bool last) {
  if (generation != generation_) return;
  const std::size_t before = lines_.size();
  lines_.insert(lines_.end(), lines.begin(), lines.end());
  columns_ = std::max(columns_, columns);
  UpdateScrollBars();
  const int first = verticalScrollBar()->value();
  const int shown = viewport()->height() / std::max(1, fontMetrics().lineSpacing()) + 1;
  if (static_cast<std::size_t>(first + shown) > before) viewport()->update();
  if (last) {
    if (indexer_.joinable()) indexer_.join();
    indexed_ = true;
    emit Indexed();
  }
}

std::size_t DataTextView::LineCount() const {
  return memoryLines_.isEmpty() ? lines_.size() : static_cast<std::size_t>(memoryLines_.size());
}

QByteArray DataTextView::ReadBytes(std::uint64_t start, std::uint32_t length) const {
  if (!file_.isOpen() || !file_.seek(static_cast<qint64>(start))) return {};
  return file_.read(length);
}

QString DataTextView::LineSlice(std::size_t index, std::size_t first, std::size_t count) const {
  if (index >= LineCount()) return {};
  if (!memoryLines_.isEmpty()) {
    return memoryLines_[static_cast<qsizetype>(index)].mid(static_cast<qsizetype>(first),
                                                           static_cast<qsizetype>(count));
  }
  const LineSpan& line = lines_[index];
  if (first >= line.columns) return {};
  if (!line.tabs) {  // a column is a byte
    const auto length =
        static_cast<std::uint32_t>(std::min<std::size_t>(count, line.bytes - first));
    return QString::fromLatin1(ReadBytes(line.start + first, length));
  }
  return ExpandTabs(ReadBytes(line.start, line.bytes))
      .mid(static_cast<qsizetype>(first), static_cast<qsizetype>(count));
}

QString DataTextView::Line(std::size_t index) const {
  return LineSlice(index, 0, std::numeric_limits<std::uint32_t>::max());
}

QString DataTextView::Text() const {
  QString text;
  for (std::size_t i = 0; i < LineCount(); ++i) text += Line(i) + '\n';
  return text;
}

void DataTextView::UpdateScrollBars() {
  const QFontMetrics metrics = fontMetrics();
  const int lineHeight = std::max(1, metrics.lineSpacing());
  const int charWidth = std::max(1, metrics.horizontalAdvance(QChar('0')));
  const int rows = std::max(1, viewport()->height() / lineHeight);
  const int columns = std::max(1, (viewport()->width() - kMargin) / charWidth);
  constexpr std::size_t kMostSteps = std::numeric_limits<int>::max() / 2;
  const auto lineCount = static_cast<int>(std::min(LineCount(), kMostSteps));
  const auto widest = static_cast<int>(std::min(columns_ + 1, kMostSteps));
  verticalScrollBar()->setRange(0, std::max(0, lineCount - rows));
  verticalScrollBar()->setPageStep(rows);
  verticalScrollBar()->setSingleStep(1);
  horizontalScrollBar()->setRange(0, std::max(0, widest - columns));
  horizontalScrollBar()->setPageStep(columns);
  horizontalScrollBar()->setSingleStep(1);
}

void DataTextView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
}

void DataTextView::scrollContentsBy(int, int) {
  viewport()->update();
}

void DataTextView::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  painter.setFont(font());
  painter.setPen(palette().color(QPalette::Text));
  const QFontMetrics metrics = fontMetrics();
  const int lineHeight = std::max(1, metrics.lineSpacing());
  const int charWidth = std::max(1, metrics.horizontalAdvance(QChar('0')));
  const QRect area = event->rect();
  const auto firstLine = static_cast<std::size_t>(verticalScrollBar()->value());
  const auto firstColumn = static_cast<std::size_t>(horizontalScrollBar()->value());
  const auto columns = static_cast<std::size_t>(viewport()->width() / charWidth + 2);
  const int top = area.top() / lineHeight;
  const int bottom = area.bottom() / lineHeight;
  for (int row = top; row <= bottom; ++row) {
    const std::size_t line = firstLine + static_cast<std::size_t>(row);
    if (line >= LineCount()) break;
    const QString text = LineSlice(line, firstColumn, columns);
    if (!text.isEmpty()) painter.drawText(kMargin, row * lineHeight + metrics.ascent(), text);
  }
}

}  // namespace marbleset::shell
