// marbleset-cli picture: the pictures of the desktop program written without a display. The
// matrix picture of a data set, or the heat map (in the order of the average-linkage tree) or
// principal-coordinates plot of its distance matrix, computed with the options of
// "distances", as SVG or PNG by the output's name.
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>

#include "cli/cli_io.h"
#include "cli/commands.h"
#include "cli/matrix_input.h"
#include "dataset/errors.h"
#include "distances/distance_run.h"
#include "pictures/distance_pictures.h"
#include "pictures/matrix_picture.h"
#include "pictures/png_encoder.h"
#include "pictures/scene_raster.h"
#include "pictures/svg_text.h"

namespace marbleset::cli {

namespace {

struct PictureOptions {
  std::string picture;  // matrix, heatmap or pcoa
  InputOptions input;
  OutputOptions output;
  std::string coefficient;
  std::string missing;
  bool similarities = false;
  bool distanceFile = false;
  std::string format;  // svg, png or empty: by OUTPUT's name
  std::optional<std::size_t> scale;
  std::string groups;
  std::optional<std::size_t> groupPrefix;
  std::string zoom;  // matrix: "N" pixels a cell or "1/N" cells a pixel; empty: fitted
};

// --zoom as the matrix picture's zoom; a usage failure for anything but N or 1/N, N from 1.
pictures::MatrixZoom ChosenZoom(const std::string& text) {
  const bool shrink = text.starts_with("1/");
  const std::optional<std::uint64_t> number = ParseWholeNumber(shrink ? text.substr(2) : text);
  if (!number || *number < 1 || *number > 1000000)
    throw CliFailure(kExitUsage, "--zoom",
                     Quoted(text) +
                         " is neither N (pixels a cell) nor 1/N (cells a pixel), N a "
                         "whole number from 1");
  pictures::MatrixZoom zoom;
  (shrink ? zoom.cellsPerPixel : zoom.pixelsPerCell) = static_cast<std::size_t>(*number);
  return zoom;
}

std::string Lowered(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// "svg" or "png": --format, else OUTPUT's extension; standard output takes SVG.
std::string ChosenFormat(const PictureOptions& options) {
  if (!options.format.empty()) return options.format;
  if (options.output.IsStandardOutput()) return "svg";
  const std::string path = Lowered(options.output.path);
  if (path.ends_with(".svg")) return "svg";
  if (path.ends_with(".png")) return "png";
  throw CliFailure(kExitUsage, Quoted(options.output.path),
                   "the picture's format is not known from the name",
                   "Name the output .svg or .png, or give --format svg|png.");
}

DistanceSettings ChosenSettings(const PictureOptions& options) {
  const DataKind kind = options.input.Kind();
  DistanceSettings settings = NamedDistanceSettings(kind, options.coefficient, options.missing);
  settings.distances = !options.similarities;
  return settings;
}

// "Jaccard distance", "Euclidean similarity": what the legend calls the values.
std::string ValueName(const DistanceSettings& settings) {
  return std::string(CoefficientName(settings.coefficient)) +
         (settings.distances ? " distance" : " similarity");
}

// The matrix of the data set the input holds, or the input itself read as a distance file; an
// input of several is refused rather than cut to its first.
DistanceMatrix InputMatrix(const PictureOptions& options, CliContext& context,
                           std::string& valueName) {
  if (options.distanceFile) {
    DistanceMatrix matrix = OneMatrixOf(options.input, "a picture shows one matrix");
    valueName = pictures::HoldsSimilarities(matrix) ? "Similarity" : "Distance";
    return matrix;
  }
  const DistanceSettings settings = ChosenSettings(options);
  auto data = std::make_unique<DataSet>();
  LoadSingleDataSet(options.input, *data, "a picture shows one data set", context.err);
  NoProgress none;
  valueName = ValueName(settings);
  return ComputeDistanceMatrix(*data, settings, none);
}

pictures::Scene ChosenPicture(const PictureOptions& options, CliContext& context, int scale) {
  if (options.picture == "matrix") {
    if (options.distanceFile) {
      throw CliFailure(kExitUsage, "--distance-file",
                       "the matrix picture shows a data set, not a distance matrix");
    }
    auto data = std::make_unique<DataSet>();
    LoadSingleDataSet(options.input, *data, "a picture shows one data set", context.err);
    pictures::MatrixPictureOptions pictureOptions;
    pictureOptions.scale = scale;
    if (!options.zoom.empty()) {
      pictureOptions.fitting = false;
      pictureOptions.zoom = ChosenZoom(options.zoom);
    }
    return pictures::MatrixPicture(*data, pictureOptions);
  }
  std::string valueName;
  const DistanceMatrix matrix = InputMatrix(options, context, valueName);
  if (options.picture == "heatmap") return pictures::HeatMapPicture(matrix, valueName, scale);
  pictures::OtuGroups groups;
  if (!options.groups.empty()) {
    groups = pictures::ReadOtuGroupFile(options.groups, matrix.names);
  } else if (options.groupPrefix) {
    groups = pictures::GroupsByPrefix(matrix.names, *options.groupPrefix);
  }
  const pictures::PrincipalCoordinates coordinates =
      pictures::ComputePrincipalCoordinates(pictures::AsDistances(matrix));
  return pictures::PcoaPicture(matrix, coordinates, groups, valueName, scale);
}

int RunPicture(const PictureOptions& options, CliContext& context) {
  RefuseInputAsOutput(options.output, options.input);
  if (!options.zoom.empty() && options.picture != "matrix")
    throw CliFailure(kExitUsage, "--zoom", "applies to the matrix picture only");
  if (!options.groups.empty() && options.picture != "pcoa") {
    throw CliFailure(kExitUsage, "--groups", "groups colour the pcoa picture only");
  }
  const std::string format = ChosenFormat(options);
  const int scale = static_cast<int>(options.scale.value_or(1));
  const pictures::Scene scene = ChosenPicture(options, context, scale);
  CliOutput output(options.output, context.out);
  if (format == "png") {
    pictures::WritePng(pictures::RenderScene(scene), output.sink());
  } else {
    pictures::WriteSvg(scene, output.sink());
  }
  output.Close();
  return kExitOk;
}

}  // namespace

void AddPictureCommand(CLI::App& app, CliContext& context) {
  auto options = std::make_shared<PictureOptions>();
  CLI::App* command = app.add_subcommand(
      "picture",
      "Draw the matrix, the distance heat map or the principal coordinates as SVG or PNG");
  AddChoiceOption(*command, "PICTURE", options->picture, {"matrix", "heatmap", "pcoa"},
                  "What to draw: the data matrix with its missing data, the heat map of the "
                  "distance matrix beside its average-linkage tree, or its principal coordinates")
      ->required();
  AddInputOptions(*command, options->input);
  AddOutputOptions(*command, options->output);
  command
      ->add_option("--coefficient", options->coefficient,
                   "The coefficient, as for \"distances\" (heatmap, pcoa)")
      ->type_name("NAME");
  command
      ->add_option("--missing", options->missing,
                   "The missing-data value, as for \"distances\" (heatmap, pcoa)")
      ->type_name("NAME");
  command->add_flag("--similarities", options->similarities,
                    "Show similarities instead of distances (heatmap, pcoa)");
  command->add_flag("--distance-file", options->distanceFile,
                    "INPUT is a distance matrix as \"distances\" or PHYLIP writes it");
  AddChoiceOption(*command, "--format", options->format, {"svg", "png"},
                  "The picture's format (default: by OUTPUT's name; SVG on standard output)");
  AddCountOption(*command, "--scale", options->scale, SettingBounds{1, 4, 1, 1},
                 "Every length times this, for screens at 200 % and print (default 1)");
  command
      ->add_option("--zoom", options->zoom,
                   "matrix: N pixels a cell, or 1/N cells a pixel (default: the whole matrix "
                   "fitted into 1600 pixels a side)")
      ->type_name("N|1/N");
  command
      ->add_option("--groups", options->groups,
                   "pcoa: colour OTUs by group from a file of lines \"name<TAB>group\"")
      ->type_name("FILE");
  AddCountOption(*command, "--group-prefix", options->groupPrefix, SettingBounds{1, 1000, 1, 3},
                 "pcoa: the first N characters of each name name its group")
      ->excludes("--groups");
  command->footer(
      "Examples:\n"
      "  marbleset-cli picture matrix markers.phy markers.png\n"
      "  marbleset-cli picture heatmap --coefficient Jaccard markers.phy heatmap.svg\n"
      "  marbleset-cli picture pcoa --group-prefix 3 --scale 2 markers.phy pcoa.png");
  command->callback([options, &context] {
    context.paths = {options->input.path, options->output.path};
    if (!options->groups.empty()) context.paths.push_back(options->groups);
    context.action = [options, &context] { return RunPicture(*options, context); };
  });
}

}  // namespace marbleset::cli
