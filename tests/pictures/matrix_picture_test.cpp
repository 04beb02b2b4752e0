// The matrix picture: PNG and SVG writers read back independently, tiles drawn from the bit
// planes against a cell-by-cell reading, zoomed-out blocks against plain means, missing shares
// against hand counts, and the rendered picture showing a missing cell at its place.
#include "pictures/matrix_picture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "../distances/test_data.h"
#include "pictures/colour_scale.h"
#include "pictures/crop_preview.h"
#include "pictures/png_encoder.h"
#include "pictures/scene_raster.h"
#include "pictures/svg_text.h"
#include "png_decoder.h"

namespace marbleset::pictures {
namespace {

using testing::DecodePng;

TEST(PngWriter, OpaqueAndTranslucentRasters_DecodeToTheSamePixels) {
  for (const bool opaque : {true, false}) {
    for (const auto& [width, height] :
         std::vector<std::pair<int, int>>{{1, 1}, {5, 3}, {700, 300}}) {
      std::mt19937 random(width * 7 + opaque);
      Raster raster(width, height);
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) raster.Set(x, y, random() | (opaque ? 0xFF000000u : 0));
      const auto png = DecodePng(EncodePng(raster));
      ASSERT_EQ(png.error, "") << width << "x" << height;
      EXPECT_EQ(png.colourType, opaque ? 2 : 6);
      ASSERT_EQ(png.width, width);
      ASSERT_EQ(png.height, height);
      EXPECT_EQ(png.pixels, raster.Pixels());
    }
  }
}

TEST(SvgWriter, SmallScene_IsTheExpectedTextWithNamesEscaped) {
  Scene scene;
  scene.width = 40;
  scene.height = 20.5;
  scene.Add(SceneRect{1, 2, 3.25, 4.125, Rgb(0xD5, 0x5E, 0x00), kNoColour});
  scene.Add(SceneLine{0, 0, 10, 0, Rgb(0, 0, 0), 1.5});
  scene.Add(SceneCircle{5, 6, 4, 0x80FFFFFFu, Rgb(1, 2, 3), "A&B <1>"});
  SceneText text;
  text.x = 7;
  text.y = -0.001;
  text.text = std::string("x\"\xff\xc3\xa9\x01", 6);
  text.anchor = TextAnchor::kEnd;
  text.vertical = true;
  scene.Add(text);
  const std::string expected =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
      "version=\"1.1\" width=\"40\" height=\"20.5\" viewBox=\"0 0 40 20.5\" "
      "font-family=\"DejaVu Sans Mono, monospace\">\n"
      "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n"
      "<rect x=\"1\" y=\"2\" width=\"3.25\" height=\"4.13\" fill=\"#d55e00\"/>\n"
      "<line x1=\"0\" y1=\"0\" x2=\"10\" y2=\"0\" stroke=\"#000000\" stroke-width=\"1.5\"/>\n"
      "<circle cx=\"5\" cy=\"6\" r=\"4\" fill=\"#ffffff\" fill-opacity=\"0.5\" "
      "stroke=\"#010203\"><title>A&amp;B &lt;1&gt;</title></circle>\n"
      "<text x=\"7\" y=\"0\" font-size=\"12\" fill=\"#000000\" text-anchor=\"end\" "
      "transform=\"rotate(-90 7 0)\">x&quot;?\xc3\xa9?</text>\n"
      "</svg>\n";
  EXPECT_EQ(SvgText(scene), expected);
}

// Binary data with missing entries and a few other values, as the readers would fill it.
DataSet RandomBinary(std::size_t otus, std::size_t characters, unsigned seed) {
  std::mt19937 random(seed);
  DataSet data;
  data.Resize(DataKind::kBinary, otus, characters, kBinaryMissingValue);
  for (std::size_t i = 0; i < otus; ++i) {
    data.otuNames[i] = "OTU" + std::to_string(i);
    for (std::size_t k = 0; k < characters; ++k) {
      const unsigned draw = random() % 100;
      data.SetValue(i, k, draw < 10 ? kBinaryMissingValue : draw < 12 ? 3.0f : draw % 2);
    }
  }
  return data;
}

// The palette a reader of the picture's legend expects for each value.
Argb ExpectedColour(const DataSet& data, std::size_t i, std::size_t k) {
  if (data.IsMissing(i, k)) return kMissingColour;
  const float value = data.Value(i, k);
  if (value == 0) return kStateZeroColour;
  if (value == 1) return kStateOneColour;
  return kOtherValueColour;
}

// Each pixel shows its cell's state, or the mean colour of its block of cells when zoomed out,
// at every tile offset; a zoomed-in cell has a grid line on its last row and column.
TEST(MatrixTiles, BinaryCells_ShowTheirStateOrTheirBlocksMeanAtEveryZoomAndOffset) {
  const DataSet data = RandomBinary(50, 300, 2);
  const MatrixPainter painter(data);
  for (const std::size_t cells : {1u, 2u, 7u, 64u, 100u}) {
    const std::size_t width = (300 + cells - 1) / cells, height = (50 + cells - 1) / cells;
    ASSERT_EQ(painter.Width({1, cells}), width);
    const Raster raster =
        painter.Draw({1, cells}, 0, 0, static_cast<int>(width) + 1, static_cast<int>(height));
    for (std::size_t y = 0; y < height; ++y) {
      for (std::size_t x = 0; x < width; ++x) {
        double red = 0, green = 0, blue = 0, count = 0;
        for (std::size_t i = y * cells; i < std::min((y + 1) * cells, std::size_t{50}); ++i) {
          for (std::size_t k = x * cells; k < std::min((x + 1) * cells, std::size_t{300}); ++k) {
            const Argb colour = ExpectedColour(data, i, k);
            red += Red(colour), green += Green(colour), blue += Blue(colour), ++count;
          }
        }
        const Argb pixel = raster.At(x, y);
        ASSERT_NEAR(Red(pixel), red / count, 0.51) << cells << ": " << x << "," << y;
        ASSERT_NEAR(Green(pixel), green / count, 0.51);
        ASSERT_NEAR(Blue(pixel), blue / count, 0.51);
      }
      EXPECT_EQ(raster.At(width, y), kMatrixBackground);
    }
  }
  const Raster tile = painter.Draw({1, 1}, 280, 40, 40, 16);  // over the picture's edge
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 40; ++x) {
      const bool inside = 280 + x < 300 && 40 + y < 50;
      ASSERT_EQ(tile.At(x, y), inside ? ExpectedColour(data, 40 + y, 280 + x) : kMatrixBackground);
    }
  }
  const Raster large = painter.Draw({9, 1}, 9 * 20 + 4, 9 * 3, 30, 30);
  EXPECT_EQ(large.At(0, 0), ExpectedColour(data, 3, 20));
  EXPECT_EQ(large.At(3, 7), ExpectedColour(data, 3, 20));
  EXPECT_EQ(large.At(3, 8), kMatrixBackground);
  EXPECT_EQ(large.At(5, 3), ExpectedColour(data, 3, 21));
  EXPECT_EQ(large.At(4, 3), kMatrixBackground);
}

TEST(MatrixTiles, QuantitativeValues_SitOnTheirCharactersScaleWithMissingMixedIn) {
  DataSet data;
  testing::FillQuantitative(data, {"a", "b", "c"}, {{1, 5, 20}, {-9999, 3, 40}, {7, 4, 30}});
  const MatrixPainter painter(data);
  EXPECT_EQ(painter.Low(0), 1);
  EXPECT_EQ(painter.High(0), 7);
  EXPECT_EQ(painter.Low(2), 20);
  EXPECT_EQ(painter.High(2), 40);
  // Each character from its own lowest (0) to its own highest (1) value.
  const Raster cells = painter.Draw({1, 1}, 0, 0, 3, 3);
  EXPECT_EQ(cells.At(0, 0), ScaleColour(0));
  EXPECT_EQ(cells.At(0, 2), ScaleColour(1));
  EXPECT_EQ(cells.At(0, 1), kMissingColour);
  EXPECT_EQ(cells.At(1, 0), ScaleColour(1));
  EXPECT_EQ(cells.At(1, 1), ScaleColour(0));
  EXPECT_EQ(cells.At(1, 2), ScaleColour(0.5));
  EXPECT_EQ(cells.At(2, 2), ScaleColour(0.5));
  // The block of (1, 5, missing, 3): positions 0, 1 and 0 (mean 1/3), a quarter missing.
  const Raster block = painter.Draw({1, 2}, 0, 0, 2, 2);
  EXPECT_EQ(block.At(0, 0), Mix(ScaleColour(1.0 / 3), kMissingColour, 0.25));
  EXPECT_EQ(block.At(1, 0), ScaleColour(0.5));   // 20 and 40 in the last column
  EXPECT_EQ(block.At(0, 1), ScaleColour(0.75));  // 7 and 4 (positions 1 and 0.5) in the last row
  // A character with one value only sits in the middle.
  DataSet single;
  testing::FillQuantitative(single, {"a", "b"}, {{2}, {2}});
  EXPECT_EQ(MatrixPainter(single).Draw({1, 1}, 0, 0, 1, 1).At(0, 0), ScaleColour(0.5));
  EXPECT_EQ(CellText(data, 1, 0), "?");
  EXPECT_EQ(CellText(data, 0, 1), "5");
}

TEST(MissingShares, PerOtuAndCharacter_AsCountedByHand) {
  // Missing entries on both sides of the bit planes' word boundary: characters 1, 65 and 66.
  DataSet data;
  testing::FillBinary(data, {"a", "b"},
                      {"?" + std::string(63, '0') + "??", "1" + std::string(63, '1') + "0?"});
  const MissingShares counted = CountMissingShares(data);
  EXPECT_EQ(counted.perOtu, (std::vector<double>{3.0 / 66, 1.0 / 66}));
  EXPECT_EQ(counted.perCharacter[0], 0.5);
  EXPECT_EQ(counted.perCharacter[1], 0.0);
  EXPECT_EQ(counted.perCharacter[64], 0.5);
  EXPECT_EQ(counted.perCharacter[65], 1.0);
  EXPECT_EQ(counted.missingCells, 4u);
  DataSet quantitative;
  testing::FillQuantitative(quantitative, {"a", "b"}, {{1, -9999}, {-9999, -9999}});
  const MissingShares shares = CountMissingShares(quantitative);
  EXPECT_EQ(shares.perOtu, (std::vector<double>{0.5, 1.0}));
  EXPECT_EQ(shares.perCharacter, (std::vector<double>{0.5, 1.0}));
}

TEST(MatrixPicture, RenderedPicture_ShowsAMissingCellAndItsBarsAtTheirPlace) {
  DataSet data;
  testing::FillBinary(data, {"alpha     ", "beta      ", "gamma     ", "delta     "},
                      {"010101", "111000", "001?01", "000000"});
  MatrixPictureLayout layout;
  const Scene scene = MatrixPicture(data, {}, &layout);
  const Raster picture = RenderScene(scene);
  const double cell = static_cast<double>(layout.zoom.pixelsPerCell);
  ASSERT_GT(cell, 8);
  const auto centre = [&](std::size_t otu, std::size_t character) {
    return picture.At(static_cast<int>(layout.cellsX + (character + 0.5) * cell),
                      static_cast<int>(layout.cellsY + (otu + 0.5) * cell));
  };
  EXPECT_EQ(centre(2, 3), kMissingColour);
  EXPECT_EQ(centre(2, 2), kStateOneColour);
  EXPECT_EQ(centre(3, 3), kStateZeroColour);
  // Gamma misses one of six: its bar reaches a sixth of the way; no other OTU has one.
  const int gammaRow = static_cast<int>(layout.cellsY + 2.5 * cell);
  EXPECT_EQ(picture.At(static_cast<int>(layout.otuBarsX + 1), gammaRow), kMissingColour);
  EXPECT_NE(picture.At(static_cast<int>(layout.otuBarsX + layout.barLength / 6 + 2), gammaRow),
            kMissingColour);
  EXPECT_NE(picture.At(static_cast<int>(layout.otuBarsX + 1),
                       static_cast<int>(layout.cellsY + 0.5 * cell)),
            kMissingColour);
  // Character 4 misses one of four.
  const int column = static_cast<int>(layout.cellsX + 3.5 * cell);
  EXPECT_EQ(picture.At(column, static_cast<int>(layout.characterBarsY + 1)), kMissingColour);
  EXPECT_NE(picture.At(column, static_cast<int>(layout.characterBarsY + layout.barLength / 4 + 2)),
            kMissingColour);
}

TEST(MatrixPicture, LargeMatrix_IsEmbeddedZoomedOutWithTheMissingBlockVisible) {
  DataSet data;
  data.Resize(DataKind::kBinary, 300, 5000, kBinaryMissingValue);
  for (std::size_t i = 100; i < 110; ++i) {
    for (std::size_t k = 2000; k < 2040; ++k) data.SetValue(i, k, kBinaryMissingValue);
  }
  MatrixPictureLayout layout;
  const Scene scene = MatrixPicture(data, {}, &layout);
  EXPECT_EQ(layout.zoom.cellsPerPixel, 4u);
  std::size_t images = 0;
  for (const SceneItem& item : scene.items) images += std::holds_alternative<SceneImage>(item);
  EXPECT_EQ(images, 1u);
  const Raster picture = RenderScene(scene);
  // Pixel (2000 / 4 + 1, 100 / 4 + 1) stands for a block wholly missing.
  EXPECT_EQ(picture.At(static_cast<int>(layout.cellsX) + 501, static_cast<int>(layout.cellsY) + 26),
            kMissingColour);
  EXPECT_EQ(picture.At(static_cast<int>(layout.cellsX) + 10, static_cast<int>(layout.cellsY) + 10),
            kStateZeroColour);
}

TEST(CropPreview, EveryChoiceOfBoxes_MarksWhatTheCropRemoves) {
  // Few missing entries so that some OTUs keep none once characters go; some characters all 1.
  std::mt19937 random(9);
  DataSet data;
  data.Resize(DataKind::kBinary, 12, 150, kBinaryMissingValue);
  for (std::size_t i = 0; i < 12; ++i) {
    data.otuNames[i] = "OTU" + std::to_string(i);
    for (std::size_t k = 0; k < 150; ++k) {
      const unsigned draw = random() % 100;
      float value = k % 10 == 0 ? 1.0f : static_cast<float>(draw % 2);
      if (k % 17 == 3 && i == k % 12) value = 1.0f - static_cast<float>(k % 2);
      if (draw < 2 || (i == 5 && k % 30 == 0)) value = kBinaryMissingValue;
      data.SetValue(i, k, value);
    }
  }
  for (int boxes = 0; boxes < 16; ++boxes) {
    const CropChoice choice{(boxes & 1) != 0, (boxes & 2) != 0, (boxes & 4) != 0, (boxes & 8) != 0};
    const CropPreview preview = PreviewCrop(data, choice);
    DataSet cropped = data.Clone();
    ApplyCrop(cropped, choice);
    ASSERT_EQ(cropped.CharCount(), 150 - preview.characterCount) << boxes;
    ASSERT_EQ(cropped.OtuCount(), 12 - preview.otuCount) << boxes;
    // What stays is the unmarked rows and columns, in their order.
    std::size_t row = 0;
    for (std::size_t i = 0; i < 12; ++i) {
      if (preview.otus[i]) continue;
      std::size_t column = 0;
      for (std::size_t k = 0; k < 150; ++k) {
        if (preview.characters[k]) continue;
        ASSERT_EQ(cropped.Value(row, column), data.Value(i, k)) << boxes << ": " << i << "," << k;
        ++column;
      }
      ++row;
    }
  }
}

TEST(MatrixPicture, LabelSteps_GoOneTwoFive) {
  EXPECT_EQ(LabelStep(20, 10), 1u);
  EXPECT_EQ(LabelStep(6, 10), 2u);
  EXPECT_EQ(LabelStep(3, 10), 5u);
  EXPECT_EQ(LabelStep(1, 10), 10u);
  EXPECT_EQ(LabelStep(0.25, 10), 50u);
  EXPECT_EQ(LabelStep(0.01, 10), 1000u);
}

}  // namespace
}  // namespace marbleset::pictures
