#include "pictures/matrix_picture.h"

#include <algorithm>
#include <memory>
#include <string>

#include "pictures/colour_scale.h"
#include "pictures/glyphs.h"
#include "pictures/picture_text.h"
#include "pictures/picture_units.h"

namespace marbleset::pictures {

namespace {

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// One rectangle per run of equal colours in a row (per cell once cells have grid lines).
void AddCellRects(Scene& scene, const MatrixPainter& painter, MatrixZoom zoom,
                  const MatrixPictureLayout& layout, double cellPixels, const Units& units) {
  const DataSet& data = painter.Data();
  const bool grid = zoom.pixelsPerCell >= kGridFromPixels;
  const double inner = grid ? cellPixels - units.u : cellPixels;
  for (std::size_t otu = 0; otu < data.OtuCount(); ++otu) {
    std::size_t start = 0;
    while (start < data.CharCount()) {
      const Argb colour = painter.CellColour(otu, start);
      std::size_t end = start + 1;
      while (!grid && end < data.CharCount() && painter.CellColour(otu, end) == colour) ++end;
      scene.Add(SceneRect{layout.cellsX + start * cellPixels, layout.cellsY + otu * cellPixels,
                          (end - start - 1) * cellPixels + inner, inner, colour, kNoColour});
      start = end;
    }
  }
}

// Values written into cells large enough to hold them, white on dark cells.
void AddCellValues(Scene& scene, const MatrixPainter& painter, const MatrixPictureLayout& layout,
                   double cellPixels, const Units& units) {
  const DataSet& data = painter.Data();
  const std::size_t fits = static_cast<std::size_t>((cellPixels - 4 * units.u) / units.charWidth());
  for (std::size_t otu = 0; otu < data.OtuCount(); ++otu) {
    for (std::size_t k = 0; k < data.CharCount(); ++k) {
      std::string text = CellText(data, otu, k);
      if (text.size() > fits) continue;
      const Argb colour = painter.CellColour(otu, k);
      const double lightness = 0.299 * Red(colour) + 0.587 * Green(colour) + 0.114 * Blue(colour);
      SceneText item = Text(layout.cellsX + (k + 0.5) * cellPixels,
                            layout.cellsY + (otu + 0.5) * cellPixels + 4 * units.u, std::move(text),
                            units, TextAnchor::kMiddle);
      item.colour = lightness < 128 ? Rgb(255, 255, 255) : kInkColour;
      scene.Add(std::move(item));
    }
  }
}

// The mean of shares first .. first + count - 1 (a pixel that stands for several OTUs or
// characters shows their mean).
double MeanShare(const std::vector<double>& shares, std::size_t first, std::size_t count) {
  const std::size_t end = std::min(first + count, shares.size());
  double sum = 0;
  for (std::size_t k = first; k < end; ++k) sum += shares[k];
  return end > first ? sum / (end - first) : 0;
}

double AddLegend(Scene& scene, const MatrixPainter& painter, double x, double y,
                 const Units& units) {
  const DataSet& data = painter.Data();
  const double box = 12 * units.u;
  const auto swatch = [&](double& at, Argb colour, const std::string& label) {
    scene.Add(SceneRect{at, y, box, box, colour, kFaintColour});
    scene.Add(Text(at + box + 4 * units.u, y + box - 2 * units.u, label, units));
    at += box + 4 * units.u + TextWidth(label, units.font()) + 3 * units.gap();
  };
  double at = x;
  if (data.IsBinary()) {
    swatch(at, kStateZeroColour, "0");
    swatch(at, kStateOneColour, "1");
    swatch(at, kMissingColour, "missing");
    if (data.HasOtherValues()) swatch(at, kOtherValueColour, "other value");
    return at;
  }
  // Each character runs from its own lowest to its own highest value.
  const std::string low = "lowest";
  const std::string high = "highest value of each character";
  scene.Add(Text(at, y + box - 2 * units.u, low, units));
  at += TextWidth(low, units.font()) + 4 * units.u;
  const int steps = 64;
  const double step = 160 * units.u / steps;
  for (int k = 0; k < steps; ++k) {
    scene.Add(SceneRect{at + k * step, y, step, box, ScaleColour((k + 0.5) / steps), kNoColour});
  }
  at += steps * step + 4 * units.u;
  scene.Add(Text(at, y + box - 2 * units.u, high, units));
  at += TextWidth(high, units.font()) + 3 * units.gap();
  swatch(at, kMissingColour, "missing");
  return at;
}

}  // namespace

std::size_t LabelStep(double pixelsPerStep, double room) {
  std::size_t step = 1;
  for (int k = 0; pixelsPerStep * static_cast<double>(step) < room && k < 60; ++k) {
    step = (k % 3 == 1) ? step / 2 * 5 : step * 2;  // 1, 2, 5, 10, 20, 50, ...
  }
  return step;
}

Scene MatrixPicture(const DataSet& data, const MatrixPictureOptions& options,
                    MatrixPictureLayout* layoutOut) {
  const Units units{static_cast<double>(std::max(options.scale, 1))};
  const MatrixPainter painter(data);
  MatrixPictureLayout layout;
  layout.zoom = options.fitting ? FittingZoom(data, kExportCells, kExportCells, 24) : options.zoom;
  const MatrixZoom zoom = layout.zoom;
  const std::size_t otus = data.OtuCount();
  const std::size_t characters = data.CharCount();
  const double cellPixels =
      (zoom.cellsPerPixel > 1 ? 1.0 / zoom.cellsPerPixel : zoom.pixelsPerCell) * units.u;
  const bool names = cellPixels >= 12 * units.u;
  std::size_t labelWidth = std::to_string(otus).size();
  if (names) {
    for (const std::string& name : data.otuNames) {
      labelWidth = std::max(labelWidth, Trimmed(name).size());
    }
  }
  Scene scene;
  std::string caption =
      CountText(otus, "OTU", "OTUs") + " x " + CountText(characters, "character", "characters");
  if (zoom.cellsPerPixel > 1) {
    caption += ", a pixel shows " + std::to_string(zoom.cellsPerPixel) + " x " +
               std::to_string(zoom.cellsPerPixel) + " cells";
  }
  scene.Add(Text(units.margin(), units.margin() + kGlyphAscent * units.u, caption, units));

  layout.cellsX = units.margin() + labelWidth * units.charWidth() + units.gap();
  layout.cellsY = units.margin() + 2 * units.line() + 3 * units.gap();
  layout.cellsWidth = painter.Width(zoom) * units.u;
  layout.cellsHeight = painter.Height(zoom) * units.u;
  layout.barLength = 60 * units.u;
  layout.otuBarsX = layout.cellsX + layout.cellsWidth + 2 * units.gap();
  layout.characterBarsY = layout.cellsY + layout.cellsHeight + 2 * units.gap();

  // Character numbers above, counted from 1 as the data window counts them.
  const double digits = std::to_string(characters).size() * units.charWidth();
  const std::size_t charStep = LabelStep(cellPixels, digits + 2 * units.gap());
  for (std::size_t number = 1; number <= characters; ++number) {
    const bool first = number == 1 && (charStep - 1) * cellPixels >= digits + 2 * units.gap();
    if (number % charStep != 0 && !first) continue;
    const double x = layout.cellsX + (number - 0.5) * cellPixels;
    scene.Add(
        Text(x, layout.cellsY - units.gap(), std::to_string(number), units, TextAnchor::kMiddle));
    scene.Add(SceneLine{x, layout.cellsY - units.gap() + 2 * units.u, x, layout.cellsY - units.u,
                        kFaintColour, units.u});
  }
  // OTU names, or their numbers where rows are too thin for names.
  const std::size_t otuStep = names ? 1 : LabelStep(cellPixels, units.line() + units.u);
  for (std::size_t otu = 0; otu < otus; ++otu) {
    const std::size_t number = otu + 1;
    if (!names && number % otuStep != 0) continue;
    const std::string label = names ? Trimmed(data.otuNames[otu]) : std::to_string(number);
    scene.Add(Text(layout.cellsX - units.gap(),
                   layout.cellsY + (otu + 0.5) * cellPixels + 4 * units.u, label, units,
                   TextAnchor::kEnd));
  }

  // The cells.
  if (zoom.cellsPerPixel <= 1 && otus * characters <= kMostSvgCells) {
    AddCellRects(scene, painter, zoom, layout, cellPixels, units);
    if (cellPixels >= 28 * units.u) AddCellValues(scene, painter, layout, cellPixels, units);
  } else {
    auto raster = std::make_shared<Raster>(painter.Draw(
        zoom, 0, 0, static_cast<int>(painter.Width(zoom)), static_cast<int>(painter.Height(zoom))));
    scene.Add(SceneImage{layout.cellsX, layout.cellsY, layout.cellsWidth, layout.cellsHeight,
                         std::move(raster)});
  }

  // Missing shares: OTUs on the right, characters below; a pixel for several shows their mean.
  const MissingShares shares = CountMissingShares(data);
  const std::size_t perPixel = std::max<std::size_t>(zoom.cellsPerPixel, 1);
  const double rowPixels = zoom.cellsPerPixel > 1 ? units.u : cellPixels;
  scene.Add(Text(layout.otuBarsX, layout.cellsY - units.gap(), "Missing", units));
  scene.Add(SceneRect{layout.otuBarsX, layout.cellsY, layout.barLength, layout.cellsHeight,
                      Rgb(0xFA, 0xFA, 0xFA), kNoColour});
  for (std::size_t row = 0; row * perPixel < otus; ++row) {
    const double share = MeanShare(shares.perOtu, row * perPixel, perPixel);
    if (share <= 0) continue;
    scene.Add(SceneRect{layout.otuBarsX, layout.cellsY + row * rowPixels, share * layout.barLength,
                        rowPixels, kMissingColour, kNoColour});
  }
  scene.Add(Text(layout.cellsX - units.gap(), layout.characterBarsY + units.line(), "Missing",
                 units, TextAnchor::kEnd));
  scene.Add(SceneRect{layout.cellsX, layout.characterBarsY, layout.cellsWidth, layout.barLength,
                      Rgb(0xFA, 0xFA, 0xFA), kNoColour});
  for (std::size_t column = 0; column * perPixel < characters; ++column) {
    const double share = MeanShare(shares.perCharacter, column * perPixel, perPixel);
    if (share <= 0) continue;
    scene.Add(SceneRect{layout.cellsX + column * rowPixels, layout.characterBarsY, rowPixels,
                        share * layout.barLength, kMissingColour, kNoColour});
  }

  // Legend and the share missing overall.
  const double legendY = layout.characterBarsY + layout.barLength + 2 * units.gap();
  const double legendEnd = AddLegend(scene, painter, units.margin(), legendY, units);
  const std::size_t cells = otus * characters;
  const std::string missingLine =
      "Missing: " + std::to_string(shares.missingCells) + " of " + std::to_string(cells) +
      " entries (" + PercentText(cells > 0 ? static_cast<double>(shares.missingCells) / cells : 0) +
      ")";
  const double missingY = legendY + 12 * units.u + units.gap() + kGlyphAscent * units.u;
  scene.Add(Text(units.margin(), missingY, missingLine, units));

  scene.width =
      std::max({layout.otuBarsX + layout.barLength + units.margin(), legendEnd + units.margin(),
                units.margin() * 2 + TextWidth(caption, units.font()),
                units.margin() * 2 + TextWidth(missingLine, units.font())});
  scene.height = missingY + (kGlyphHeight - kGlyphAscent) * units.u + units.margin();
  if (layoutOut != nullptr) *layoutOut = layout;
  return scene;
}

}  // namespace marbleset::pictures
