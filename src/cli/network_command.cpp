// marbleset-cli network: the split network of the data's distance matrix (or of a distance
// file) by neighbor-net, written as NEXUS for SplitsTree and R, and on request drawn as SVG or
// PNG.
#include <iostream>
#include <memory>

#include "cli/cli_io.h"
#include "cli/commands.h"
#include "cli/terminal_progress.h"
#include "dataset/errors.h"
#include "distances/distance_run.h"
#include "formats/distance_file_reader.h"
#include "pictures/distance_pictures.h"
#include "pictures/png_encoder.h"
#include "pictures/scene_raster.h"
#include "pictures/split_network.h"
#include "pictures/svg_text.h"
#include "trees/neighbor_net.h"

namespace marbleset::cli {

namespace {

struct NetworkOptions {
  InputOptions input;
  OutputOptions output;
  bool distanceFile = false;
  std::string coefficient, missing;
  std::string picture, groups;
};

DistanceMatrix InputMatrix(const NetworkOptions& options, CliContext& context) {
  if (options.distanceFile) {
    if (!options.coefficient.empty() || !options.missing.empty())
      throw CliFailure(kExitUsage, "--distances",
                       "a distance file's values are used as they are; leave out --coefficient "
                       "and --missing");
    const DistanceMatrix matrix = options.input.IsStandardInput()
                                      ? ReadDistanceMatrix(std::cin, "standard input")
                                      : ReadDistanceMatrixFile(options.input.path).front();
    return pictures::AsDistances(matrix);
  }
  auto data = std::make_unique<DataSet>();
  LoadSingleDataSet(options.input, *data, "a network is built for one data set", context.err);
  const DistanceSettings settings =
      NamedDistanceSettings(data->Kind(), options.coefficient, options.missing);
  NoProgress none;
  return ComputeDistanceMatrix(*data, settings, none);
}

void WritePicture(const NetworkOptions& options, const SplitNetwork& network, CliContext& context) {
  const pictures::OtuGroups groups =
      options.groups.empty() ? pictures::OtuGroups{}
                             : pictures::ReadOtuGroupFile(options.groups, network.names);
  const pictures::Scene scene = pictures::SplitNetworkPicture(network, groups);
  OutputOptions target{options.picture, options.output.force};
  CliOutput output(target, context.out);
  std::string lowered = options.picture;
  for (char& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lowered.ends_with(".png")) {
    pictures::WritePng(pictures::RenderScene(scene), output.sink());
  } else {
    pictures::WriteSvg(scene, output.sink());
  }
  output.Close();
}

int RunNetwork(const NetworkOptions& options, CliContext& context) {
  RefuseInputAsOutput(options.output, options.input);
  if (!options.picture.empty()) {
    std::string lowered = options.picture;
    for (char& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (!lowered.ends_with(".png") && !lowered.ends_with(".svg"))
      throw CliFailure(kExitUsage, "--picture", "name the picture .svg or .png");
    RefuseInputAsOutput({options.picture, options.output.force}, options.input);
  }
  if (!options.groups.empty() && options.picture.empty())
    throw CliFailure(kExitUsage, "--groups", "groups colour the --picture only");
  const DistanceMatrix matrix = InputMatrix(options, context);
  const std::unique_ptr<Progress> shown = MakeProgress(context);
  const SplitNetwork network = NeighborNet(matrix, *shown);
  CliOutput output(options.output, context.out);
  WriteSplitsNexus(AsWeightedSplits(network), output.sink());
  output.Close();
  if (!options.picture.empty()) WritePicture(options, network, context);
  char fit[64];
  std::snprintf(fit, sizeof fit, "%zu splits, least-squares fit %.2f %%.", network.splits.size(),
                network.fit);
  context.err << NeighborNetMethodText() << "\n" << fit << "\n";
  return kExitOk;
}

}  // namespace

void AddNetworkCommand(CLI::App& app, CliContext& context) {
  auto options = std::make_shared<NetworkOptions>();
  CLI::App* command = app.add_subcommand(
      "network", "Write the split network of the distances by neighbor-net as NEXUS");
  AddInputOptions(*command, options->input);
  AddOutputOptions(*command, options->output);
  command->add_flag("--distances,--distance-file", options->distanceFile,
                    "INPUT is a distance matrix as \"distances\" or PHYLIP writes it");
  command
      ->add_option("--coefficient", options->coefficient,
                   "Distance coefficient, as for distances (default: the kind's first)")
      ->type_name("NAME");
  command
      ->add_option("--missing", options->missing,
                   "Missing-data value, as for distances (default: the kind's default)")
      ->type_name("NAME");
  command
      ->add_option("--picture", options->picture,
                   "Also draw the network, as SVG or PNG by the name's ending")
      ->type_name("FILE");
  command
      ->add_option("--groups", options->groups,
                   "Colour the picture's OTUs by group: lines \"name<TAB>group\"")
      ->type_name("FILE");
  command->footer(
      "Examples:\n"
      "  marbleset-cli network --coefficient Jaccard markers.phy network.nex\n"
      "  marbleset-cli network --distances --picture network.svg matrix.txt network.nex");
  command->callback([options, &context] {
    context.paths = {options->input.path, options->output.path};
    for (const std::string* path : {&options->picture, &options->groups})
      if (!path->empty()) context.paths.push_back(*path);
    context.action = [options, &context] { return RunNetwork(*options, context); };
  });
}

}  // namespace marbleset::cli
