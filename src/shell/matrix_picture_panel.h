// The data window's picture page: the matrix picture with its zoom commands, the legend, the
// line that names the cell under the pointer, and export as PNG or SVG.
#pragma once

#include <QWidget>
#include <functional>
#include <optional>
#include <string>

#include "dataset/data_set.h"
#include "pictures/matrix_tiles.h"
#include "shell/platform_services.h"

class QLabel;
class QToolButton;

namespace marbleset::shell {

class MatrixPictureView;

class MatrixPicturePanel : public QWidget {
  Q_OBJECT

 public:
  explicit MatrixPicturePanel(QWidget* parent = nullptr);

  // Where exports ask for their file (in the data's folder); without services the export
  // command is hidden.
  void SetServices(PlatformServices* services);
  void ShowData(const marbleset::DataSet& data);
  void Clear();
  MatrixPictureView* View() const { return view_; }
  QString StatusText() const;
  void Export();
  // Told of each export: the zoom written (none: the whole matrix fitted), whether as SVG, and
  // the path written.
  using ExportRecorder = std::function<void(std::optional<pictures::MatrixZoom> zoom, bool svg,
                                            const std::string& path)>;
  void SetExportRecorder(ExportRecorder recorder) { recorder_ = std::move(recorder); }

 private:
  void UpdateLegend();

  const marbleset::DataSet* data_ = nullptr;
  PlatformServices* services_ = nullptr;
  ExportRecorder recorder_;
  MatrixPictureView* view_;
  QLabel* zoomLabel_;
  QWidget* legend_;
  QLabel* status_;
  QToolButton* exportButton_;
};

}  // namespace marbleset::shell
