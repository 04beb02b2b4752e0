#include "shell/data_text_view.h"

#include <QAccessible>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cstdio>
#include <limits>

#include "dataset/errors.h"
#include "shell/data_text_accessible.h"
#include "shell/file_search.h"
#include "shell/platform_services.h"
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
  InstallDataTextAccessibility();
  setFont(DataFont());
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  viewport()->setCursor(Qt::IBeamCursor);
  setFocusPolicy(Qt::StrongFocus);
}

DataTextView::~DataTextView() {
  StopSearching();
  StopIndexing();
}

void DataTextView::StopIndexing() {
  stop_ = true;
  if (indexer_.joinable()) indexer_.join();
  stop_ = false;
  ++generation_;  // batches still queued from the pass that stopped are dropped
  indexed_ = true;
}

void DataTextView::StopSearching() {
  stopSearch_ = true;
  if (searcher_.joinable()) searcher_.join();
  stopSearch_ = false;
  ++searchGeneration_;  // an outcome still queued from the search that stopped is dropped
  pendingMatch_.reset();
  searching_ = false;
}

void DataTextView::Clear() {
  StopSearching();
  StopIndexing();
  file_.close();
  memoryLines_.clear();
  lines_.clear();
  lines_.shrink_to_fit();
  columns_ = 0;
  anchor_ = cursor_ = TextPosition{};
  verticalScrollBar()->setValue(0);
  horizontalScrollBar()->setValue(0);
  UpdateScrollBars();
  viewport()->update();
  SelectionChanged();
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
    throw marbleset::ReadFailure(marbleset::ReadProblem::kUnreadable,
                                 marbleset::InputPlace{ToStd(path)}, ToStd(file_.errorString()));
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
  const std::size_t first = FirstLineInSight();
  if (first + LinesInSight() + 1 > before) viewport()->update();
  if (last) {
    if (indexer_.joinable()) indexer_.join();
    indexed_ = true;
    emit Indexed();
  }
  if (pendingMatch_ && SelectMatch()) emit SearchDone(true, pendingWrapped_);
}

std::size_t DataTextView::LineCount() const {
  return memoryLines_.isEmpty() ? lines_.size() : static_cast<std::size_t>(memoryLines_.size());
}

std::size_t DataTextView::LineColumns(std::size_t index) const {
  if (index >= LineCount()) return 0;
  if (!memoryLines_.isEmpty())
    return static_cast<std::size_t>(memoryLines_[qsizetype(index)].size());
  return lines_[index].columns;
}

QByteArray DataTextView::ReadBytes(std::uint64_t start, std::uint32_t length) const {
  if (!file_.isOpen() || !file_.seek(static_cast<qint64>(start))) return {};
  return file_.read(length);
}

QByteArray DataTextView::LineBytes(std::size_t index) const {
  if (index >= LineCount()) return {};
  if (!memoryLines_.isEmpty()) return memoryLines_[qsizetype(index)].toLatin1();
  return ReadBytes(lines_[index].start, lines_[index].bytes);
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

std::size_t DataTextView::ByteOfColumn(std::size_t index, std::size_t column) const {
  if (memoryLines_.isEmpty() && index < lines_.size() && !lines_[index].tabs) {
    return std::min<std::size_t>(column, lines_[index].bytes);
  }
  const QByteArray bytes = LineBytes(index);
  std::size_t at = 0;
  for (qsizetype byte = 0; byte < bytes.size(); ++byte) {
    if (at >= column) return static_cast<std::size_t>(byte);
    at = bytes[byte] == '\t' ? (at / kTabWidth + 1) * kTabWidth : at + 1;
  }
  return static_cast<std::size_t>(bytes.size());
}

std::size_t DataTextView::ColumnOfByte(std::size_t index, std::size_t byte) const {
  if (memoryLines_.isEmpty() && index < lines_.size() && !lines_[index].tabs) return byte;
  const QByteArray bytes = LineBytes(index);
  std::size_t at = 0;
  for (qsizetype k = 0; k < bytes.size() && static_cast<std::size_t>(k) < byte; ++k) {
    at = bytes[k] == '\t' ? (at / kTabWidth + 1) * kTabWidth : at + 1;
  }
  return at;
}

// Memory lines count as if each ended with one line feed.
std::uint64_t DataTextView::FileOffset(TextPosition position) const {
  if (position.line >= LineCount()) return 0;
  std::uint64_t start = 0;
  if (memoryLines_.isEmpty()) {
    start = lines_[position.line].start;
  } else {
    for (std::size_t i = 0; i < position.line; ++i) start += memoryLines_[qsizetype(i)].size() + 1;
  }
  return start + ByteOfColumn(position.line, position.column);
}

std::optional<std::size_t> DataTextView::LineOfOffset(std::uint64_t offset) const {
  if (!memoryLines_.isEmpty()) {
    std::uint64_t start = 0;
    for (std::size_t i = 0; i < LineCount(); ++i) {
      start += memoryLines_[qsizetype(i)].size() + 1;
      if (offset < start) return i;
    }
    return std::nullopt;
  }
  const auto after =
      std::upper_bound(lines_.begin(), lines_.end(), offset,
                       [](std::uint64_t at, const LineSpan& line) { return at < line.start; });
  if (after == lines_.begin()) return std::nullopt;
  const auto line = static_cast<std::size_t>(after - lines_.begin()) - 1;
  // Beyond the last line indexed so far, the line is not known yet.
  if (after == lines_.end() && !indexed_ && offset >= lines_[line].start + lines_[line].bytes) {
    return std::nullopt;
  }
  return line;
}

void DataTextView::Select(TextPosition anchor, TextPosition cursor) {
  const auto settle = [this](TextPosition position) {
    if (LineCount() == 0) return TextPosition{};
    position.line = std::min(position.line, LineCount() - 1);
    position.column = std::min(position.column, LineColumns(position.line));
    return position;
  };
  anchor_ = settle(anchor);
  cursor_ = settle(cursor);
  ScrollTo(cursor_);
  SelectionChanged();
}

void DataTextView::SelectAll() {
  const std::size_t last = LineCount() > 0 ? LineCount() - 1 : 0;
  Select({0, 0}, {last, LineColumns(last)});
}

std::uint64_t DataTextView::SelectedBytes() const {
  const auto [from, to] = std::minmax(anchor_, cursor_);
  return FileOffset(to) - FileOffset(from);
}

QString DataTextView::SelectedText() const {
  const auto [from, to] = std::minmax(anchor_, cursor_);
  if (from == to || SelectedBytes() > kMostCopiedBytes) return {};
  QString text;
  for (std::size_t line = from.line; line <= to.line; ++line) {
    const QByteArray bytes = LineBytes(line);
    const std::size_t first = line == from.line ? ByteOfColumn(line, from.column) : 0;
    const std::size_t end =
        line == to.line ? ByteOfColumn(line, to.column) : static_cast<std::size_t>(bytes.size());
    if (line != from.line) text += '\n';
    text += QString::fromLatin1(bytes.mid(qsizetype(first), qsizetype(end - first)));
  }
  return text;
}

void DataTextView::CopySelection() {
  if (!HasSelection()) return;
  if (SelectedBytes() > kMostCopiedBytes) {
    if (services_ != nullptr) {
      services_->ShowMessage(this, "Copy",
                             QString("The selection holds %1 MB; at most %2 MB can be copied at "
                                     "once. Select less, or open the file in a text editor.")
                                 .arg(SelectedBytes() / (1024 * 1024))
                                 .arg(kMostCopiedBytes / (1024 * 1024)));
    }
    return;
  }
  const QString text = SelectedText();
  if (services_ != nullptr) {
    services_->SetClipboardText(text);
  } else {
    QGuiApplication::clipboard()->setText(text);
  }
}

void DataTextView::Find(const QString& text, bool forward) {
  StopSearching();
  // The file's bytes are Latin-1 characters: text with any other character is nowhere in it.
  const QByteArray needle = text.toLatin1();
  if (text.isEmpty() || QString::fromLatin1(needle) != text) {
    emit SearchDone(false, false);
    return;
  }
  pendingLength_ = static_cast<std::uint64_t>(needle.size());
  const auto [from, to] = std::minmax(anchor_, cursor_);
  const std::uint64_t start = FileOffset(forward ? to : from);
  const std::uint64_t generation = searchGeneration_;
  searching_ = true;
  if (!memoryLines_.isEmpty()) {
    const std::string all = ToStd(memoryLines_.join('\n'));
    const auto match = FindInText(all, needle.toStdString(), start, forward);
    SearchEnded(generation, match ? std::optional(match->offset) : std::nullopt,
                match && match->wrapped);
    return;
  }
  searcher_ = std::thread([this, generation, forward, start, path = ToStd(file_.fileName()),
                           sought = needle.toStdString()] {
    const auto match = FindInFile(path, sought, start, forward, stopSearch_);
    if (stopSearch_) return;
    QMetaObject::invokeMethod(
        this,
        [this, generation, match] {
          // A search started since has its own thread; this one's outcome is dropped.
          if (generation != searchGeneration_) return;
          if (searcher_.joinable()) searcher_.join();
          SearchEnded(generation, match ? std::optional(match->offset) : std::nullopt,
                      match && match->wrapped);
        },
        Qt::QueuedConnection);
  });
}

void DataTextView::SearchEnded(std::uint64_t generation, std::optional<std::uint64_t> offset,
                               bool wrapped) {
  if (generation != searchGeneration_) return;
  searching_ = false;
  if (!offset) {
    emit SearchDone(false, false);
    return;
  }
  pendingMatch_ = std::make_pair(*offset, *offset + pendingLength_);
  pendingWrapped_ = wrapped;
  // A match beyond the lines indexed so far is selected when its line is found.
  if (SelectMatch()) emit SearchDone(true, wrapped);
}

bool DataTextView::SelectMatch() {
  const auto [begin, end] = *pendingMatch_;
  const std::optional<std::size_t> first = LineOfOffset(begin);
  const std::optional<std::size_t> last = LineOfOffset(end > begin ? end - 1 : begin);
  if (!first || !last) return false;
  pendingMatch_.reset();
  const auto lineStart = [this](std::size_t line) { return FileOffset(TextPosition{line, 0}); };
  const TextPosition from{*first, ColumnOfByte(*first, begin - lineStart(*first))};
  const TextPosition to{*last, ColumnOfByte(*last, end - lineStart(*last))};
  Select(from, to);
  return true;
}

std::size_t DataTextView::FirstLineInSight() const {
  return static_cast<std::size_t>(verticalScrollBar()->value());
}

std::size_t DataTextView::LinesInSight() const {
  const std::size_t rows =
      static_cast<std::size_t>((viewport()->height() + LineHeight() - 1) / LineHeight());
  const std::size_t first = FirstLineInSight();
  return first >= LineCount() ? 0 : std::min(rows, LineCount() - first);
}

int DataTextView::LineHeight() const {
  return std::max(1, fontMetrics().lineSpacing());
}

// A column's width: the font's advance, which may fall between pixels, taken over many
// characters so that columns and the text drawn in one piece line up.
qreal DataTextView::CharWidth() const {
  constexpr int kSample = 64;
  return std::max<qreal>(
      1, QFontMetricsF(font()).horizontalAdvance(QString(kSample, QChar('0'))) / kSample);
}

QRect DataTextView::CharacterRect(TextPosition position) const {
  const auto row = static_cast<qint64>(position.line) - verticalScrollBar()->value();
  const auto column = static_cast<qint64>(position.column) - horizontalScrollBar()->value();
  return QRect(qRound(kMargin + static_cast<qreal>(column) * CharWidth()),
               static_cast<int>(row * LineHeight()), qCeil(CharWidth()), LineHeight());
}

TextPosition DataTextView::PositionAt(QPoint point) const {
  if (LineCount() == 0) return {};
  const qint64 row = std::max(0, point.y()) / LineHeight() + verticalScrollBar()->value();
  const auto column =
      static_cast<qint64>(std::max<qreal>(0, point.x() - kMargin + CharWidth() / 2) / CharWidth()) +
      horizontalScrollBar()->value();
  TextPosition position;
  position.line = std::min(static_cast<std::size_t>(row), LineCount() - 1);
  position.column = std::min(static_cast<std::size_t>(column), LineColumns(position.line));
  return position;
}

void DataTextView::ScrollTo(TextPosition position) {
  const int rows = std::max(1, viewport()->height() / LineHeight());
  const int columns = std::max(1, static_cast<int>((viewport()->width() - kMargin) / CharWidth()));
  const auto line = static_cast<qint64>(position.line);
  const auto column = static_cast<qint64>(position.column);
  QScrollBar* vertical = verticalScrollBar();
  QScrollBar* horizontal = horizontalScrollBar();
  if (line < vertical->value()) vertical->setValue(static_cast<int>(line));
  if (line >= vertical->value() + rows) vertical->setValue(static_cast<int>(line - rows + 1));
  if (column < horizontal->value()) horizontal->setValue(static_cast<int>(column));
  if (column >= horizontal->value() + columns) {
    horizontal->setValue(static_cast<int>(column - columns + 1));
  }
}

void DataTextView::SelectionChanged() {
  viewport()->update();
  if (!QAccessible::isActive()) return;
  const auto [from, to] = std::minmax(anchor_, cursor_);
  QAccessibleTextSelectionEvent selection(this, 0, 0);
  if (QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(this)) {
    if (QAccessibleTextInterface* text = accessible->textInterface()) {
      int start = 0, end = 0;
      text->selection(0, &start, &end);
      selection.setSelection(start, end);
      QAccessibleTextCursorEvent cursor(this, text->cursorPosition());
      QAccessible::updateAccessibility(&cursor);
    }
  }
  if (from != to) QAccessible::updateAccessibility(&selection);
}

TextPosition DataTextView::Moved(TextPosition at, int key, bool control) const {
  const std::size_t last = LineCount() > 0 ? LineCount() - 1 : 0;
  const auto page = static_cast<std::size_t>(std::max(1, viewport()->height() / LineHeight()));
  switch (key) {
    case Qt::Key_Left:
      if (at.column > 0) return {at.line, at.column - 1};
      return at.line > 0 ? TextPosition{at.line - 1, LineColumns(at.line - 1)} : at;
    case Qt::Key_Right:
      if (at.column < LineColumns(at.line)) return {at.line, at.column + 1};
      return at.line < last ? TextPosition{at.line + 1, 0} : at;
    case Qt::Key_Up:
      return {at.line > 0 ? at.line - 1 : 0, at.column};
    case Qt::Key_Down:
      return {std::min(at.line + 1, last), at.column};
    case Qt::Key_PageUp:
      return {at.line > page ? at.line - page : 0, at.column};
    case Qt::Key_PageDown:
      return {std::min(at.line + page, last), at.column};
    case Qt::Key_Home:
      return control ? TextPosition{} : TextPosition{at.line, 0};
    case Qt::Key_End:
      return control ? TextPosition{last, LineColumns(last)}
                     : TextPosition{at.line, LineColumns(at.line)};
    default:
      return at;
  }
}

void DataTextView::MoveCursor(TextPosition to, bool extend) {
  Select(extend ? anchor_ : to, to);
}

void DataTextView::keyPressEvent(QKeyEvent* event) {
  if (event == QKeySequence::SelectAll) return SelectAll();
  if (event == QKeySequence::Copy) return CopySelection();
  const int key = event->key();
  static constexpr int kMoves[] = {Qt::Key_Left,   Qt::Key_Right,    Qt::Key_Up,   Qt::Key_Down,
                                   Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Home, Qt::Key_End};
  if (std::find(std::begin(kMoves), std::end(kMoves), key) == std::end(kMoves)) {
    QAbstractScrollArea::keyPressEvent(event);
    return;
  }
  const bool control = event->modifiers() & Qt::ControlModifier;
  MoveCursor(Moved(cursor_, key, control), event->modifiers() & Qt::ShiftModifier);
}

void DataTextView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const TextPosition at = PositionAt(event->position().toPoint());
  MoveCursor(at, event->modifiers() & Qt::ShiftModifier);
  dragging_ = true;
}

void DataTextView::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) return;
  // Beyond the edges the view scrolls along, as PositionAt sees the next line or column.
  QPoint point = event->position().toPoint();
  if (point.y() >= viewport()->height()) point.setY(viewport()->height() + LineHeight() / 2);
  MoveCursor(PositionAt(point), true);
}

void DataTextView::mouseReleaseEvent(QMouseEvent*) {
  dragging_ = false;
}

void DataTextView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  // The word under the pointer (a name, a row of states): the characters up to the blanks.
  const TextPosition at = PositionAt(event->position().toPoint());
  const QString line = Line(at.line);
  const auto blank = [&line](std::size_t column) { return line[qsizetype(column)].isSpace(); };
  std::size_t first = std::min(at.column, static_cast<std::size_t>(line.size()));
  std::size_t end = first;
  while (first > 0 && !blank(first - 1)) --first;
  while (end < static_cast<std::size_t>(line.size()) && !blank(end)) ++end;
  Select({at.line, first}, {at.line, end});
}

void DataTextView::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  QAction* copy = menu.addAction("Copy", QKeySequence::Copy, this, &DataTextView::CopySelection);
  copy->setEnabled(HasSelection());
  menu.addAction("Select all", QKeySequence::SelectAll, this, &DataTextView::SelectAll);
  menu.exec(event->globalPos());
}

void DataTextView::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  viewport()->update();
}

void DataTextView::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  viewport()->update();
}

void DataTextView::UpdateScrollBars() {
  const int rows = std::max(1, viewport()->height() / LineHeight());
  const int columns = std::max(1, static_cast<int>((viewport()->width() - kMargin) / CharWidth()));
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
  if (QAccessible::isActive()) {
    QAccessibleEvent event(this, QAccessible::VisibleDataChanged);
    QAccessible::updateAccessibility(&event);
  }
}

void DataTextView::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  painter.setFont(font());
  const QFontMetrics metrics = fontMetrics();
  const int lineHeight = LineHeight();
  const qreal charWidth = CharWidth();
  const QRect area = event->rect();
  const auto firstLine = static_cast<std::size_t>(verticalScrollBar()->value());
  const auto firstColumn = static_cast<std::size_t>(horizontalScrollBar()->value());
  const auto columns = static_cast<std::size_t>(viewport()->width() / charWidth + 2);
  const auto [from, to] = std::minmax(anchor_, cursor_);
  const QColor text = palette().color(QPalette::Text);
  const QColor selected = palette().color(QPalette::HighlightedText);
  const int top = area.top() / lineHeight;
  const int bottom = area.bottom() / lineHeight;
  for (int row = top; row <= bottom; ++row) {
    const std::size_t line = firstLine + static_cast<std::size_t>(row);
    if (line >= LineCount()) break;
    const QString shown = LineSlice(line, firstColumn, columns);
    const int baseline = row * lineHeight + metrics.ascent();
    // The selected columns of this line, its line end counted as one more column.
    std::size_t begin = 0, end = 0;
    if (line >= from.line && line <= to.line && from != to) {
      begin = line == from.line ? from.column : 0;
      end = line == to.line ? to.column : LineColumns(line) + 1;
    }
    begin = std::max(begin, firstColumn) - firstColumn;
    end = std::max(end, firstColumn) - firstColumn;
    const auto part = [&](std::size_t first, std::size_t last, const QColor& colour) {
      if (last <= first || first >= static_cast<std::size_t>(shown.size())) return;
      painter.setPen(colour);
      painter.drawText(QPointF(kMargin + static_cast<qreal>(first) * charWidth, baseline),
                       shown.mid(qsizetype(first), qsizetype(last - first)));
    };
    if (end > begin) {
      painter.fillRect(
          QRectF(kMargin + static_cast<qreal>(begin) * charWidth, row * lineHeight,
                 static_cast<qreal>(std::min(end, columns) - begin) * charWidth, lineHeight),
          palette().brush(QPalette::Highlight));
    }
    part(0, begin, text);
    part(begin, end, selected);
    part(std::max(begin, end), static_cast<std::size_t>(shown.size()), text);
  }
  if (hasFocus()) {  // the cursor, where the keyboard moves from
    const QRect at = CharacterRect(cursor_);
    painter.fillRect(at.left() - 1, at.top(), 1, at.height(), text);
  }
}

}  // namespace marbleset::shell
