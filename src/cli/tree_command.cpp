// marbleset-cli tree: the data's distance tree with the support of each branch from resampled
// replicates computed in memory, and on request the replicate trees, their consensus, their
// distance matrices and a picture, rooted as asked. A run can also be done in parts:
// --replicate-range computes some of its replicates' trees only (the support command counts them
// later), and --resume continues a replicate-trees file a stopped run left.
#include <cctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>

#include "cli/cli_io.h"
#include "cli/commands.h"
#include "cli/terminal_progress.h"
#include "cli/tree_options.h"
#include "dataset/errors.h"
#include "dataset/platform.h"
#include "dataset/same_output.h"
#include "distances/distance_run.h"
#include "formats/newick_writer.h"
#include "pictures/png_encoder.h"
#include "pictures/scene_raster.h"
#include "pictures/svg_text.h"
#include "pictures/tree_picture.h"
#include "trees/cophenetic.h"
#include "trees/rooting.h"
#include "trees/support_run.h"
#include "trees/tree_settings.h"

namespace marbleset::cli {

namespace {

struct TreeOptions {
  InputOptions input;
  OutputOptions output;
  TreeSettingOptions settings;
  std::string range;  // "A-B", 1-based, inclusive; empty: every replicate
  bool resume = false;
  std::string root;  // "midpoint", an OTU's number from 1, or empty: as built
  OutputOptions replicateTrees{""}, consensus{""}, matrices{""}, picture{""};
  std::string pictureOf = "data";  // or "consensus"
  bool cladogram = false;
};

// The replicates --replicate-range names, counted from 0, checked against the run's number.
ReplicateRange ChosenRange(const std::string& text, std::size_t replicates) {
  if (text.empty()) return {0, replicates};
  const std::size_t dash = text.find('-');
  const auto first = ParseWholeNumber(text.substr(0, dash));
  const auto last = ParseWholeNumber(dash == std::string::npos ? "" : text.substr(dash + 1));
  if (!first || !last || *first < 1 || *last < *first || *last > replicates)
    throw CliFailure(kExitUsage, "--replicate-range",
                     Quoted(text) + " is no range A-B with 1 <= A <= B <= " +
                         std::to_string(replicates) + " (--replicates)");
  return {*first - 1, *last - *first + 1};
}

// The trees written rooted as --root asks: at the midpoint, or on an OTU's branch (checked
// against the data's OTUs before anything is computed).
std::function<Tree(const Tree&)> ChosenRooting(const std::string& root, std::size_t otus) {
  if (root.empty()) return [](const Tree& tree) { return tree; };
  if (root == "midpoint") return [](const Tree& tree) { return RootAtMidpoint(tree); };
  const std::optional<std::uint64_t> number = ParseWholeNumber(root);
  if (!number || *number < 1 || *number > otus)
    throw CliFailure(kExitUsage, "--root",
                     Quoted(root) + " is neither midpoint nor an OTU's number from 1 to " +
                         std::to_string(otus));
  const std::size_t otu = static_cast<std::size_t>(*number - 1);
  return [otu](const Tree& tree) { return RootOnOtu(tree, otu); };
}

// --picture: the tree drawn as the desktop's tree window draws it (the consensus, which has no
// branch lengths, always as a cladogram), as SVG or, by the name's ending, PNG at the scale the
// desktop exports it at.
void WriteTreePicture(const TreeOptions& options, const Tree& tree, TextSink& out) {
  pictures::TreeDrawing drawing;
  if (options.cladogram || options.pictureOf == "consensus")
    drawing.style = LayoutStyle::kCladogram;
  const pictures::Scene scene = pictures::DrawTree(tree, drawing).scene;
  std::string name = options.picture.path;
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (name.ends_with(".png"))
    pictures::WritePng(pictures::RenderScene(scene, pictures::ExportScale(scene)), out);
  else
    pictures::WriteSvg(scene, out);
}

// The length of the whole trees at the start of text: up to the last line end after a ';'.
// What follows is a tree a stopped run had begun to write.
std::size_t WholeTreesLength(const std::string& text) {
  for (std::size_t end = text.size(); end > 0; --end) {
    if (text[end - 1] != '\n') continue;
    std::size_t at = end - 1;
    if (at > 0 && text[at - 1] == '\r') --at;
    if (at > 0 && text[at - 1] == ';') return end;
  }
  return 0;
}

// A replicate-trees file continued where a stopped run left it: its whole trees are read back
// and checked against the settings, a tree cut off is taken away, and later trees are appended
// in place, each one as soon as it is complete. This file is written in place on purpose (the
// other outputs appear only when complete): what a stopped run wrote is what the next one keeps.
class ResumedTrees {
 public:
  ResumedTrees(const std::string& path, const DataSet& data, const TreeSettings& settings,
               ReplicateRange range) {
    std::string text;
    if (std::filesystem::exists(platform::FilePath(path))) text = FileText(path);
    const std::size_t kept = WholeTreesLength(text);
    text.resize(kept);
    trees_ = ReadReplicateTrees(text, data, path);
    if (trees_.size() > range.count)
      throw CliFailure(kExitFailed, Quoted(path),
                       "holds " + std::to_string(trees_.size()) + " trees, more than the " +
                           std::to_string(range.count) + " replicates of the run");
    CheckResumedTrees(data, settings, range.first, trees_, path);
    std::error_code error;
    if (std::filesystem::exists(platform::FilePath(path)))
      std::filesystem::resize_file(platform::FilePath(path), kept, error);
    if (error) throw WriteFailure(path, SystemReason(error.value()));
    errno = 0;
    file_.open(platform::FilePath(path), std::ios::binary | std::ios::app);
    if (!file_) throw WriteFailure(path, SystemReason(errno));
    sink_ = std::make_unique<TextSink>(file_, path);
  }

  const std::vector<Tree>& Kept() const { return trees_; }
  TextSink& sink() { return *sink_; }
  void Close() {
    sink_->Flush();
    file_.close();
  }

 private:
  std::vector<Tree> trees_;
  std::ofstream file_;
  std::unique_ptr<TextSink> sink_;
};

// --replicate-range: the trees of some replicates only, appended to --replicate-trees.
int RunTreeRange(const TreeOptions& options, const DataSet& data, const TreeSettings& settings,
                 ReplicateRange range, CliContext& context) {
  if (!options.output.IsStandardOutput() || !options.consensus.path.empty() ||
      !options.matrices.path.empty() || !options.picture.path.empty())
    throw CliFailure(kExitUsage, "--replicate-range",
                     "writes the replicates' trees to --replicate-trees only",
                     "The support command builds the tree of the data and its consensus.");
  const std::unique_ptr<Progress> shown = MakeProgress(context);
  std::size_t failed = 0;
  if (options.resume) {
    ResumedTrees journal(options.replicateTrees.path, data, settings, range);
    const std::size_t kept = journal.Kept().size();
    if (kept < range.count)
      failed = WriteReplicateTrees(data, settings, {range.first + kept, range.count - kept},
                                   journal.sink(), *shown);
    journal.Close();
  } else {
    CliOutput trees(options.replicateTrees, context.out);
    failed = WriteReplicateTrees(data, settings, range, trees.sink(), *shown);
    trees.Close();
  }
  if (failed > 0)
    PrintError(context.err, std::to_string(failed) + " of the " + std::to_string(range.count) +
                                " replicates gave no tree and are not in the file.");
  return kExitOk;
}

int RunTree(const TreeOptions& options, CliContext& context) {
  RefuseInputAsOutput(options.output, options.input);
  const OutputOptions* extras[] = {&options.replicateTrees, &options.consensus, &options.matrices,
                                   &options.picture};
  for (const OutputOptions* extra : extras)
    if (!extra->path.empty()) RefuseInputAsOutput(*extra, options.input);
  RefuseSharedOutput({{"OUTPUT", options.output.path},
                      {"--replicate-trees", options.replicateTrees.path},
                      {"--consensus", options.consensus.path},
                      {"--matrices", options.matrices.path},
                      {"--picture", options.picture.path}});
  const bool treesToFile =
      !options.replicateTrees.path.empty() && !options.replicateTrees.IsStandardOutput();
  if ((!options.range.empty() || options.resume) && !treesToFile)
    throw CliFailure(kExitUsage, options.resume ? "--resume" : "--replicate-range",
                     "needs --replicate-trees FILE");
  auto data = std::make_unique<DataSet>();
  LoadSingleDataSet(options.input, *data, "a tree is built for one data set");
  const TreeSettings settings = ChosenTreeSettings(options.settings, *data);
  const auto rooted = ChosenRooting(options.root, data->OtuCount());
  if (!options.range.empty())
    return RunTreeRange(options, *data, settings, ChosenRange(options.range, settings.replicates),
                        context);

  CliOutput output(options.output, context.out);
  std::unique_ptr<ResumedTrees> journal;
  std::unique_ptr<CliOutput> replicateTrees, consensus, matrices, picture;
  auto open = [&](const OutputOptions& extra) {
    return extra.path.empty() ? nullptr : std::make_unique<CliOutput>(extra, context.out);
  };
  if (options.resume)
    journal = std::make_unique<ResumedTrees>(options.replicateTrees.path, *data, settings,
                                             ReplicateRange{0, settings.replicates});
  else
    replicateTrees = open(options.replicateTrees);
  consensus = open(options.consensus);
  matrices = open(options.matrices);
  picture = open(options.picture);
  TextSink* treeSink = journal          ? &journal->sink()
                       : replicateTrees ? &replicateTrees->sink()
                                        : nullptr;
  const std::unique_ptr<Progress> shown = MakeProgress(context);
  const SupportResult result =
      RunSupport(*data, settings, *shown,
                 {.replicateTrees = treeSink, .matrices = matrices ? &matrices->sink() : nullptr},
                 journal ? journal->Kept() : std::vector<Tree>{});
  WriteNewick(rooted(result.reference), output.sink());
  if (consensus) WriteNewick(rooted(result.consensus.tree), consensus->sink());
  if (picture)
    WriteTreePicture(
        options,
        rooted(options.pictureOf == "consensus" ? result.consensus.tree : result.reference),
        picture->sink());
  if (journal) journal->Close();
  for (CliOutput* out : {replicateTrees.get(), consensus.get(), matrices.get(), picture.get()})
    if (out) out->Close();
  output.Close();
  NoProgress none;
  const DistanceMatrix matrix = ComputeDistanceMatrix(*data, settings.distance, none);
  context.err << CopheneticText(CopheneticCorrelation(result.reference, matrix), settings.method)
              << '\n';
  if (result.failedReplicates > 0) PrintError(context.err, FailedReplicatesText(result));
  return kExitOk;
}

}  // namespace

void AddTreeCommand(CLI::App& app, CliContext& context) {
  auto options = std::make_shared<TreeOptions>();
  CLI::App* command = app.add_subcommand(
      "tree", "Write the data's distance tree with the support of each branch from resampling");
  AddInputOptions(*command, options->input);
  AddOutputOptions(*command, options->output);
  AddTreeSettingOptions(*command, options->settings);
  command
      ->add_option("--replicate-trees", options->replicateTrees.path,
                   "Also write each replicate's tree, one a line (what consense reads)")
      ->type_name("FILE");
  command
      ->add_option("--consensus", options->consensus.path,
                   "Also write the extended majority-rule consensus of the replicate trees")
      ->type_name("FILE");
  command
      ->add_option("--matrices", options->matrices.path,
                   "Also write each replicate's distance matrix")
      ->type_name("FILE");
  command
      ->add_option("--replicate-range", options->range,
                   "Compute only replicates A to B (from 1) of --replicates and write their "
                   "trees to --replicate-trees; the support command counts the pieces")
      ->type_name("A-B");
  command
      ->add_option("--root", options->root,
                   "Root the tree of the data and the consensus at the midpoint or on the branch "
                   "of an OTU, given by its number from 1 (default: as built)")
      ->type_name("midpoint|N");
  command
      ->add_option("--picture", options->picture.path,
                   "Also draw the tree, rooted as --root asks, as SVG (PNG for a name ending in "
                   ".png)")
      ->type_name("FILE");
  AddChoiceOption(*command, "--picture-of", options->pictureOf, {"data", "consensus"},
                  "The tree --picture draws: the data's (default) or the consensus");
  command->add_flag("--cladogram", options->cladogram,
                    "Draw the data's tree without branch lengths to scale");
  command->add_flag("--resume", options->resume,
                    "Keep the whole trees --replicate-trees holds from a stopped run and go on "
                    "from the first missing replicate; the file grows tree by tree");
  command->callback([options, &context] {
    for (OutputOptions* extra :
         {&options->replicateTrees, &options->consensus, &options->matrices, &options->picture})
      extra->force = options->output.force;
    context.paths = {options->input.path, options->output.path};
    context.action = [options, &context] { return RunTree(*options, context); };
  });
}

}  // namespace marbleset::cli
