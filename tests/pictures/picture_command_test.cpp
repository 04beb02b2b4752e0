// marbleset-cli picture in-process: the PNG (read back by an independent decoder) shows the
// missing cell at its place, distance files and groups are taken, and wrong requests
// fail with the tool's error shape and status.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "../distances/test_data.h"
#include "cli/run_cli.h"
#include "pictures/colour_scale.h"
#include "pictures/matrix_picture.h"
#include "png_decoder.h"
#include "scratch_folder.h"

namespace marbleset::pictures {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
  int status = 0;
  std::string out, err;
};

ToolRun RunTool(std::vector<std::string> words) {
  words.insert(words.begin(), "marbleset-cli");
  std::vector<const char*> argv;
  for (const std::string& word : words) argv.push_back(word.c_str());
  std::ostringstream out, err;
  ToolRun run;
  run.status = cli::RunCli(static_cast<int>(argv.size()), argv.data(), out, err);
  run.out = out.str();
  run.err = err.str();
  return run;
}

// Each test in a folder of its own with tiny.phy: three OTUs, alpha's third character missing.
struct PictureCommand : ::testing::Test {
  ScratchFolder dir;
  const std::string data = dir / "tiny.phy";
  void SetUp() override {
    PutFile(data, "3 4\r\nalpha       01?1\r\nbeta        1100\r\ngamma       0001\r\n");
  }
};

TEST_F(PictureCommand, MatrixAsSvgAndPng_ShowTheMissingCellInPlace) {
  const ToolRun svg = RunTool({"picture", "matrix", data, dir / "tiny.svg"});
  ASSERT_EQ(svg.status, 0) << svg.err;
  EXPECT_EQ(svg.out, "");
  EXPECT_NE(FileBytes(dir / "tiny.svg").find("<svg"), std::string::npos);
  // The PNG at twice the size: the missing cell (alpha, character 3) at its place.
  DataSet loaded;
  testing::FillBinary(loaded, {"alpha       ", "beta        ", "gamma       "},
                      {"01?1", "1100", "0001"});
  MatrixPictureLayout layout;
  MatrixPicture(loaded, {}, &layout);
  const double cell = static_cast<double>(layout.zoom.pixelsPerCell);
  const ToolRun png = RunTool({"picture", "matrix", "--scale", "2", data, dir / "tiny.png"});
  ASSERT_EQ(png.status, 0) << png.err;
  const auto decoded = testing::DecodePng(FileBytes(dir / "tiny.png"));
  ASSERT_EQ(decoded.error, "");
  const auto centre = [&](std::size_t otu, std::size_t character) {
    return decoded.At(static_cast<int>(2 * (layout.cellsX + (character + 0.5) * cell)),
                      static_cast<int>(2 * (layout.cellsY + (otu + 0.5) * cell)));
  };
  EXPECT_EQ(centre(0, 2), kMissingColour);
  EXPECT_EQ(centre(0, 1), kStateOneColour);
  EXPECT_EQ(centre(2, 0), kStateZeroColour);
  // Standard output takes SVG.
  EXPECT_EQ(RunTool({"picture", "matrix", data, "-"}).out, FileBytes(dir / "tiny.svg"));
}

TEST_F(PictureCommand, HeatmapAndPcoa_FromDataOrADistanceFile) {
  const ToolRun heat =
      RunTool({"picture", "heatmap", "--coefficient", "Jaccard", data, dir / "heat.svg"});
  ASSERT_EQ(heat.status, 0) << heat.err;
  EXPECT_NE(FileBytes(dir / "heat.svg").find(">Jaccard distance</text>"), std::string::npos);
  // The distance file "distances" writes, with groups by the names' first letter.
  ASSERT_EQ(RunTool({"distances", data, dir / "infile"}).status, 0);
  const ToolRun fromFile = RunTool({"picture", "pcoa", "--distance-file", "--group-prefix", "1",
                                    dir / "infile", dir / "pcoa.svg"});
  ASSERT_EQ(fromFile.status, 0) << fromFile.err;
  const std::string pcoa = FileBytes(dir / "pcoa.svg");
  EXPECT_NE(pcoa.find("<title>alpha</title>"), std::string::npos);
  EXPECT_NE(pcoa.find(">Axis 1 ("), std::string::npos);
  EXPECT_NE(pcoa.find("egative eigenvalue"), std::string::npos);
  // A file of two matrices is refused, not cut to its first.
  const std::string two = FileBytes(dir / "infile") + FileBytes(dir / "infile");
  PutFile(dir / "two", two);
  const ToolRun both =
      RunTool({"picture", "heatmap", "--distance-file", dir / "two", dir / "h2.svg"});
  EXPECT_EQ(both.status, 2);
  EXPECT_NE(both.err.find("holds 2 matrices; a picture shows one matrix"), std::string::npos)
      << both.err;
  EXPECT_FALSE(fs::exists(dir / "h2.svg"));
  PutFile(dir / "groups.txt", "alpha\tfirst\nbeta\n");
  const ToolRun badGroups =
      RunTool({"picture", "pcoa", "--groups", dir / "groups.txt", data, dir / "grouped.svg"});
  EXPECT_EQ(badGroups.status, 3);
  EXPECT_NE(badGroups.err.find("line 2"), std::string::npos) << badGroups.err;
  EXPECT_FALSE(fs::exists(dir / "grouped.svg"));
}

TEST_F(PictureCommand, WrongRequests_FailWithTheToolsStatusAndWriteNothing) {
  const ToolRun unknown = RunTool({"picture", "matrix", data, dir / "tiny.jpg"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.err.find("--format"), std::string::npos) << unknown.err;
  EXPECT_FALSE(fs::exists(dir / "tiny.jpg"));
  EXPECT_EQ(RunTool({"picture", "chart", data, dir / "x.svg"}).status, 2);
  EXPECT_EQ(RunTool({"picture", "matrix", "--distance-file", data, dir / "x.svg"}).status, 2);
  // An existing output is kept without --force; the data file is never an output.
  PutFile(dir / "kept.svg", "kept");
  EXPECT_NE(RunTool({"picture", "matrix", data, dir / "kept.svg"}).status, 0);
  EXPECT_EQ(FileBytes(dir / "kept.svg"), "kept");
  EXPECT_NE(RunTool({"picture", "matrix", "--format", "svg", "--force", data, data}).status, 0);
  EXPECT_EQ(FileBytes(data).substr(0, 5), "3 4\r\n");
}

}  // namespace
}  // namespace marbleset::pictures
