#include "shell/data_text_accessible.h"

#include <QAccessibleWidget>
#include <algorithm>
#include <mutex>
#include <vector>

#include "shell/data_text_view.h"

namespace marbleset::shell {

namespace {

// The lines in sight as one text, lines joined by line feeds, with where each line starts.
struct Sight {
  std::size_t firstLine = 0;
  QString text;
  std::vector<int> starts;
};

class DataTextAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit DataTextAccessible(DataTextView* view)
      : QAccessibleWidget(view, QAccessible::EditableText) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    state.multiLine = true;
    state.selectableText = true;
    return state;
  }

  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Value) return Current().text;
    if (kind == QAccessible::Name && View()->accessibleName().isEmpty()) return "Data file text";
    return QAccessibleWidget::text(kind);
  }

  void selection(int index, int* start, int* end) const override {
    *start = *end = 0;
    if (index != 0 || !View()->HasSelection()) return;
    const Sight sight = Current();
    const TextPosition anchor = View()->Anchor(), cursor = View()->Cursor();
    *start = Offset(sight, std::min(anchor, cursor));
    *end = Offset(sight, std::max(anchor, cursor));
  }
  int selectionCount() const override { return View()->HasSelection() ? 1 : 0; }
  void addSelection(int start, int end) override { setSelection(0, start, end); }
  void removeSelection(int) override { View()->Select(View()->Cursor(), View()->Cursor()); }
  void setSelection(int, int start, int end) override {
    const Sight sight = Current();
    View()->Select(Position(sight, start), Position(sight, end));
  }

  int cursorPosition() const override { return Offset(Current(), View()->Cursor()); }
  void setCursorPosition(int position) override {
    const TextPosition at = Position(Current(), position);
    View()->Select(at, at);
  }

  QString text(int start, int end) const override {
    return Current().text.mid(start, std::max(0, end - start));
  }
  int characterCount() const override { return static_cast<int>(Current().text.size()); }

  QRect characterRect(int offset) const override {
    const QRect rect = View()->CharacterRect(Position(Current(), offset));
    return QRect(View()->viewport()->mapToGlobal(rect.topLeft()), rect.size());
  }
  int offsetAtPoint(const QPoint& point) const override {
    const QPoint inside = View()->viewport()->mapFromGlobal(point);
    if (!View()->viewport()->rect().contains(inside)) return -1;
    return Offset(Current(), View()->PositionAt(inside));
  }
  void scrollToSubstring(int start, int end) override {
    const Sight sight = Current();
    View()->ScrollTo(Position(sight, end));
    View()->ScrollTo(Position(sight, start));
  }
  QString attributes(int offset, int* start, int* end) const override {
    *start = *end = offset;
    return {};
  }

 private:
  DataTextView* View() const { return static_cast<DataTextView*>(widget()); }

  Sight Current() const {
    Sight sight;
    sight.firstLine = View()->FirstLineInSight();
    const std::size_t count = View()->LinesInSight();
    for (std::size_t i = 0; i < count; ++i) {
      if (i > 0) sight.text += '\n';
      sight.starts.push_back(static_cast<int>(sight.text.size()));
      sight.text += View()->Line(sight.firstLine + i);
    }
    return sight;
  }

  // Positions before the lines in sight count as its start, after them as its end.
  static int Offset(const Sight& sight, TextPosition position) {
    if (sight.starts.empty() || position.line < sight.firstLine) return 0;
    const std::size_t row = position.line - sight.firstLine;
    if (row >= sight.starts.size()) return static_cast<int>(sight.text.size());
    const int end = row + 1 < sight.starts.size() ? sight.starts[row + 1] - 1
                                                  : static_cast<int>(sight.text.size());
    return std::min(sight.starts[row] + static_cast<int>(position.column), end);
  }

  static TextPosition Position(const Sight& sight, int offset) {
    if (sight.starts.empty()) return {};
    offset = std::clamp(offset, 0, static_cast<int>(sight.text.size()));
    const auto after = std::upper_bound(sight.starts.begin(), sight.starts.end(), offset);
    const auto row = static_cast<std::size_t>(after - sight.starts.begin()) - 1;
    return {sight.firstLine + row, static_cast<std::size_t>(offset - sight.starts[row])};
  }
};

QAccessibleInterface* DataTextFactory(const QString&, QObject* object) {
  auto* view = qobject_cast<DataTextView*>(object);
  return view != nullptr ? new DataTextAccessible(view) : nullptr;
}

}  // namespace

void InstallDataTextAccessibility() {
  static std::once_flag installed;
  std::call_once(installed, [] { QAccessible::installFactory(&DataTextFactory); });
}

}  // namespace marbleset::shell
