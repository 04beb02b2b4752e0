// "Tree with support..." as a user drives it: the dialog's bounds, a run and its window's
// exports, Cancel, rooting, cladogram and branch lengths, the reports of failed replicates, and
// exports read back by Qt's readers.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <cmath>

#include "shell/crop_dialog.h"
#include "shell/progress_window.h"
#include "shell/tree_dialog.h"
#include "shell/tree_picture.h"
#include "shell/tree_view.h"
#include "shell/tree_window.h"
#include "shell_fixture.h"
#include "trees/support_run.h"

namespace marbleset::shell::testing {
namespace {

// The depth of every node: the sum of branch lengths from the root, worked out along the
// parents (the layout works down from the root).
std::vector<double> DepthsOf(const Tree& tree) {
  std::vector<double> depth(tree.nodes.size());
  for (std::size_t n = 0; n < tree.nodes.size(); ++n) {
    for (std::size_t up = n; tree.nodes[up].parent != kNoNode; up = tree.nodes[up].parent) {
      depth[n] += tree.nodes[up].HasLength() ? tree.nodes[up].length : 0;
    }
  }
  return depth;
}

class TreeTest : public ShellTest {
 protected:
  TreeTest() {
    markers = scratch.filePath("markers.phy");
    QFile::copy(QStringLiteral(MARBLESET_EXAMPLES_DIR "/markers.phy"), markers);
    QObject::connect(&window->Progress(), &ProgressWindow::Started, [this](const QString&) {
      if (cancelOnStart) window->Progress().findChild<QPushButton*>("cancelButton")->click();
    });
  }
  TreeDialog* OpenDialog() {
    Action("MnuTree")->trigger();
    return window->OpenTreeDialog();
  }
  template <typename T = QWidget>
  T* Child(const char* name) {
    return window->OpenTreeDialog()->findChild<T*>(name);
  }
  void Choose(const char* list, const QString& entry) {
    testing::Choose(window->OpenTreeDialog(), list, entry);
  }
  QList<TreeWindow*> TreeWindows() const { return window->findChildren<TreeWindow*>(); }
  // Runs the dialog with these choices and returns the window it opened.
  TreeWindow* RunTree(const QString& replicates, const QString& resampling,
                      const QString& coefficient, const QString& method, const QString& seed) {
    DeleteClosedWindows();
    if (OpenDialog() == nullptr) {
      ADD_FAILURE() << "no dialog: " << services.TakeMessage().toStdString();
      return nullptr;
    }
    Child<QLineEdit>("replicatesEdit")->setText(replicates);
    Choose("resamplingList", resampling);
    Choose("coefficientList", coefficient);
    Choose("methodList", method);
    Child<QLineEdit>("seedEdit")->setText(seed);
    const auto before = TreeWindows().size();
    Child<QPushButton>("okButton")->click();
    DeleteClosedWindows();
    return TreeWindows().size() > before ? TreeWindows().back() : nullptr;
  }
  std::string Export(TreeWindow& tree, const QString& name) {
    const QString path = scratch.filePath(name);
    services.saveAnswers.push_back(FileChoice{path, 0});
    tree.ExportNewick();
    return Slurp(path).toStdString();
  }

  QString markers;
  bool cancelOnStart = false;
};

// When the command is offered is the core's (CommandAvailability), applied with the others.
TEST_F(TreeTest, Dialog_FollowsTheDataKeepsTheBoundsAndExportsItsClusterJob) {
  OpenQuantitative(WriteFile("q.phy", kQuantitativePhylip));
  ASSERT_NE(OpenDialog(), nullptr);
  OpenBinary(markers);
  DeleteClosedWindows();
  EXPECT_EQ(window->OpenTreeDialog(), nullptr) << "the dialog closes when the data changes";

  ASSERT_NE(OpenDialog(), nullptr);
  // Replicates run from 10 to 10,000; "Bootstrap %" from 1 to 50, for the bootstrap only. A
  // cancelled run leaves no window, says nothing and keeps the dialog for another try.
  services.messages.clear();
  const struct {
    const char* typed;
    std::size_t replicates;
  } counts[] = {{"5", 10}, {"250.7", 250}, {"20000", 10000}};
  for (const auto& c : counts) {
    Child<QLineEdit>("replicatesEdit")->setText(c.typed);
    Child<QLineEdit>("percentEdit")->setText("80");
    cancelOnStart = true;
    Child<QPushButton>("okButton")->click();
    cancelOnStart = false;
    DeleteClosedWindows();
    ASSERT_NE(window->OpenTreeDialog(), nullptr);
    const TreeSettings chosen = window->OpenTreeDialog()->ChosenSettings();
    EXPECT_EQ(chosen.replicates, c.replicates) << c.typed;
    EXPECT_EQ(chosen.percent, 50);
  }
  Choose("resamplingList", "Jackknife");
  EXPECT_FALSE(Child<QLineEdit>("percentEdit")->isEnabled());
  Choose("resamplingList", "Bootstrap");
  EXPECT_TRUE(Child<QLineEdit>("percentEdit")->isEnabled());
  // A seed beyond 64 bits is refused before anything runs.
  Child<QLineEdit>("seedEdit")->setText("18446744073709551616");
  Child<QPushButton>("okButton")->click();
  EXPECT_EQ(services.TakeMessage(),
            "Tree with support: The seed must be a whole number from 0 to 18446744073709551615.");
  EXPECT_TRUE(TreeWindows().isEmpty());

  // The cluster job holds the dialog's settings and the data file's name; the dialog stays.
  Child<QLineEdit>("replicatesEdit")->setText("20");
  Choose("resamplingList", "Jackknife");
  Choose("methodList", "UPGMA");
  Child<QLineEdit>("seedEdit")->setText("77");
  services.saveAnswers.push_back(FileChoice{scratch.filePath("Snakefile"), 0});
  Child<QPushButton>("exportClusterJobButton")->click();
  // The Slurm script beside it is written from the same job (tests/cluster).
  const std::string snakefile = Slurp(scratch.filePath("Snakefile")).toStdString();
  for (const char* part : {"markers.phy", "--replicates 20 --resampling jackknife --method upgma",
                           "--seed 77", "--binary"})
    EXPECT_NE(snakefile.find(part), std::string::npos) << part;
  EXPECT_TRUE(QFileInfo(scratch.filePath("slurm-array.sh")).isExecutable());
  ASSERT_FALSE(services.messages.empty());
  EXPECT_TRUE(services.messages.back().text.contains("snakemake"));
  EXPECT_NE(window->OpenTreeDialog(), nullptr);

  // Cropped data is no longer what the job would read from the file: refused before it asks.
  services.messages.clear();
  Action("mnuCrop")->trigger();
  window->OpenCropDialog()->RemovalCheck(2)->setChecked(true);
  window->OpenCropDialog()->findChild<QPushButton*>("okButton")->click();
  ASSERT_NE(OpenDialog(), nullptr);
  Child<QPushButton>("exportClusterJobButton")->click();
  EXPECT_TRUE(services.TakeMessage().contains("cropped after markers.phy was read"));
}

TEST_F(TreeTest, OkShowsTheTreeOfTheRun) {
  OpenBinary(markers);
  TreeWindow* shown = RunTree("60", "Jackknife", "Jaccard", "UPGMA", "4711");
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(window->OpenTreeDialog(), nullptr) << "the dialog closes after its run";
  EXPECT_EQ(shown->Result().treesBuilt, 60u);
  // The exported tree holds every OTU once, with the support of its groups.
  const std::string opened = Export(*shown, "opened.nwk");
  for (const char* name : {"Avena", "Bromus", "Festuca", "Lolium", "Poa", "Agrostis"})
    EXPECT_NE(opened.find(name), std::string::npos) << name;
  EXPECT_NE(opened.find(")100:"), std::string::npos) << "support values are written";
  shown->ShowTree(TreeChoice::kConsensus);
  EXPECT_EQ(Export(*shown, "consensus.nwk").find(':'), std::string::npos) << "no lengths";
  EXPECT_TRUE(shown->SummaryText().contains("60 jackknife replicates"));
}

// One neighbor-joining tree, midpoint-rooted by default: its exports, its branch lengths and
// cladogram, and the root moved onto an OTU.
TEST_F(TreeTest, ShownTree_ExportsDrawsToScaleAndTakesTheRootChosen) {
  OpenBinary(markers);
  TreeWindow* shown = RunTree("20", "Classic bootstrap", "Matching", "Neighbor-joining", "1");
  ASSERT_NE(shown, nullptr);
  const Tree& tree = shown->ShownTree();
  const TreePicture& picture = shown->View()->Picture();
  // Exported at two pixels a unit (the pixels as painted are PictureExport's, picture_test).
  services.saveAnswers.push_back(FileChoice{scratch.filePath("tree"), 0});
  shown->ExportPicture();
  EXPECT_EQ(
      QImage(scratch.filePath("tree.png")).size(),
      QSize(static_cast<int>(2 * picture.scene.width), static_cast<int>(2 * picture.scene.height)));
  services.saveAnswers.push_back(FileChoice{scratch.filePath("tree.svg"), 1});
  shown->ExportPicture();
  // Every name is drawn (TreePicture.AThousandOtus_EachNameReadableInItsOwnRow); every branch:
  const QString svg = QString::fromUtf8(Slurp(scratch.filePath("tree.svg")));
  EXPECT_EQ(svg.count("<line"),
            static_cast<qsizetype>(2 * tree.nodes.size() - 1 -
                                   static_cast<std::size_t>(tree.LeafCount()) + 3))
      << "a branch a node but the root, a vertical a parent, the scale bar and its two ends";
  // The data file is never an export's target.
  const QByteArray before = Slurp(markers);
  services.messages.clear();
  services.saveAnswers.push_back(FileChoice{markers, 0});
  shown->ExportNewick();
  const QString refusal = services.TakeMessage();
  EXPECT_TRUE(refusal.startsWith("Export Newick: ") && refusal.contains("this is the data file"));
  EXPECT_EQ(Slurp(markers), before);

  // To scale: x grows with the depth, by one factor for every node.
  const std::vector<double> depth = DepthsOf(tree);
  const std::size_t deepest =
      static_cast<std::size_t>(std::max_element(depth.begin(), depth.end()) - depth.begin());
  const double root = picture.nodeX[tree.root];
  const double perLength = (picture.nodeX[deepest] - root) / depth[deepest];
  EXPECT_GT(perLength, 0);
  for (std::size_t n = 0; n < tree.nodes.size(); ++n) {
    EXPECT_NEAR(picture.nodeX[n] - root, depth[n] * perLength, 1e-6) << n;
  }
  // The style choice reaches the picture: a cladogram aligns the leaves (its steps and rows are
  // the layout's, tests/trees).
  shown->findChild<QComboBox*>("styleChoice")->setCurrentIndex(1);
  const TreePicture& cladogram = shown->View()->Picture();
  std::vector<double> leafX;
  for (const std::size_t leaf : cladogram.leafRows) leafX.push_back(cladogram.nodeX[leaf]);
  EXPECT_EQ(std::count(leafX.begin(), leafX.end(), leafX.front()), 8);

  // Where the root goes is the core's (tests/trees); here the choice reaches the shown tree.
  // Chosen as a user does: the root goes on the branch of the last OTU, which hangs from it
  // alone.
  auto* rootChoice = shown->findChild<QComboBox*>("rootChoice");
  auto* otuChoice = shown->findChild<QComboBox*>("otuChoice");
  EXPECT_FALSE(otuChoice->isEnabled());
  testing::Choose(shown, "rootChoice", "On the OTU");
  EXPECT_TRUE(otuChoice->isEnabled());
  testing::Choose(shown, "otuChoice", "Agrostis");
  const Tree& rooted = shown->ShownTree();
  const std::vector<std::size_t>& top = rooted.nodes[rooted.root].children;
  ASSERT_EQ(top.size(), 2u);
  EXPECT_TRUE(std::any_of(top.begin(), top.end(), [&](std::size_t child) {
    return rooted.nodes[child].IsLeaf() && rooted.nodes[child].name == "Agrostis";
  }));
  // The same through the menu of a name in the view.
  rootChoice->setCurrentIndex(0);
  shown->SetRooting(Rooting::kOnOtu, 4);
  EXPECT_EQ(otuChoice->currentText(), "Poa");
  EXPECT_EQ(rootChoice->currentText(), "On the OTU");
}

TEST_F(TreeTest, ReplicatesWithoutATree_AreCountedAndReported) {
  // Each OTU varies in one character only: a bootstrap that misses it leaves the OTU's row
  // constant and its correlation without denominator.
  OpenQuantitative(WriteFile("flat.phy",
                             " 4 4\nA           1 1 1 2\nB           1 1 2 1\n"
                             "C           1 2 1 1\nD           2 1 1 1\n"));
  services.messages.clear();
  TreeWindow* shown = RunTree("40", "Classic bootstrap", "Correlation", "Neighbor-joining", "9");
  ASSERT_NE(shown, nullptr);
  // How many fail is the core's (SupportRun tests); here the count reaches the user.
  const SupportResult& result = shown->Result();
  EXPECT_TRUE(services.TakeMessage().startsWith(
      QStringLiteral("Tree with support: %1 of 40 replicates gave no tree")
          .arg(result.failedReplicates)));
  EXPECT_TRUE(shown->SummaryText().contains("of 40 replicates gave no tree"));
}

TEST(TreePicture, AThousandOtus_EachNameReadableInItsOwnRow) {
  testing::TestApplication();
  // A comb of 1000 leaves, each hanging one step lower.
  Tree tree;
  std::size_t spine = tree.AddNode(kNoNode);
  tree.root = spine;
  for (std::size_t otu = 0; otu < 1000; ++otu) {
    const std::size_t leaf = tree.AddNode(spine);
    tree.nodes[leaf].otu = otu;
    tree.nodes[leaf].name = "OTU_" + std::to_string(otu);
    tree.nodes[leaf].length = 0.5;
    if (otu + 2 < 1000) {
      const std::size_t next = tree.AddNode(spine);
      tree.nodes[next].length = 0.01;
      spine = next;
    }
  }
  const TreePicture picture = DrawTree(tree, {});
  std::size_t names = 0;
  for (const pictures::SceneItem& item : picture.scene.items) {
    if (const auto* text = std::get_if<pictures::SceneText>(&item);
        text != nullptr && text->text.starts_with("OTU_")) {
      ++names;
      EXPECT_GE(text->size, 12);
    }
  }
  EXPECT_EQ(names, 1000u);
  EXPECT_GE(picture.rowHeight, 16);
  // Scrolled to the bottom, the last row under the pointer is the last leaf.
  TreeView view;
  view.resize(600, 400);
  view.SetPicture(picture);
  view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
  const std::size_t last =
      view.LeafAtViewport(QPoint(static_cast<int>(picture.nodeX[picture.leafRows.back()]) + 10,
                                 static_cast<int>(picture.nodeY[picture.leafRows.back()]) -
                                     view.verticalScrollBar()->value()));
  EXPECT_EQ(last, picture.leafRows.back());
  EXPECT_EQ(tree.nodes[last].name, "OTU_999");
  // Zoomed out to the whole tree, the names are left out rather than drawn unreadably small.
  TreeDrawing whole;
  whole.zoom = 0.02;
  for (const pictures::SceneItem& item : DrawTree(tree, whole).scene.items) {
    EXPECT_FALSE(std::holds_alternative<pictures::SceneText>(item) &&
                 std::get<pictures::SceneText>(item).text.starts_with("OTU_"));
  }
}

}  // namespace
}  // namespace marbleset::shell::testing
