// marbleset-cli network: the split network of the data's distance matrix (or of a distance
// file) by neighbor-net, written as NEXUS for SplitsTree and R, and on request drawn as SVG or
// PNG.
#include <memory>

#include "cli/cli_io.h"
#include "cli/commands.h"
#include "cli/matrix_input.h"
#include "cli/terminal_progress.h"
#include "formats/format_registry.h"
#include "pictures/png_encoder.h"
#include "pictures/scene_raster.h"
#include "pictures/split_network.h"
#include "pictures/svg_text.h"
#include "trees/neighbor_net.h"

namespace marbleset::cli {

namespace {

struct NetworkOptions {
  MatrixInputOptions matrix;
  OutputOptions output;
  std::string picture, groups;
};

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
  RefuseInputAsOutput(options.output, options.matrix.input);
  if (!options.picture.empty()) {
    std::string lowered = options.picture;
    for (char& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (!lowered.ends_with(".png") && !lowered.ends_with(".svg"))
      throw CliFailure(kExitUsage, "--picture", "name the picture .svg or .png");
    RefuseInputAsOutput({options.picture, options.output.force}, options.matrix.input);
  }
  if (!options.groups.empty() && options.picture.empty())
    throw CliFailure(kExitUsage, "--groups", "groups colour the --picture only");
  const DistanceMatrix matrix =
      ReadInputMatrix(options.matrix, "a network is built from one", context.err).matrix;
  const std::unique_ptr<Progress> shown = MakeProgress(context);
  const SplitNetwork network = NeighborNet(matrix, *shown);
  CliOutput output(options.output, context.out);
  WriteSplits(AsWeightedSplits(network), FileFormat::kSplits, output.sink());
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
  AddInputOptions(*command, options->matrix.input);
  AddOutputOptions(*command, options->output);
  AddMatrixInputOptions(*command, options->matrix);
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
    context.paths = {options->matrix.input.path, options->output.path};
    for (const std::string* path : {&options->picture, &options->groups})
      if (!path->empty()) context.paths.push_back(*path);
    context.action = [options, &context] { return RunNetwork(*options, context); };
  });
}

}  // namespace marbleset::cli
