#include "provenance/methods_text.h"

#include <cstdio>
#include <map>

namespace marbleset {

namespace {

// The references a text may cite, by the short form its sentences use.
const std::map<std::string, std::string>& References() {
  static const std::map<std::string, std::string> kReferences = {
      {"Bryant & Moulton 2004",
       "Bryant, D. & Moulton, V. (2004). Neighbor-Net: an agglomerative method for the "
       "construction of phylogenetic networks. Molecular Biology and Evolution 21: 255-265."},
      {"Efron 1979",
       "Efron, B. (1979). Bootstrap methods: another look at the jackknife. The Annals of "
       "Statistics 7: 1-26."},
      {"Excoffier, Smouse & Quattro 1992",
       "Excoffier, L., Smouse, P. E. & Quattro, J. M. (1992). Analysis of molecular variance "
       "inferred from metric distances among DNA haplotypes. Genetics 131: 479-491."},
      {"Felsenstein 1985",
       "Felsenstein, J. (1985). Confidence limits on phylogenies: an approach using the "
       "bootstrap. Evolution 39: 783-791."},
      {"Gower 1966",
       "Gower, J. C. (1966). Some distance properties of latent root and vector methods used in "
       "multivariate analysis. Biometrika 53: 325-338."},
      {"Jaccard 1908",
       "Jaccard, P. (1908). Nouvelles recherches sur la distribution florale. Bulletin de la "
       "Societe Vaudoise des Sciences Naturelles 44: 223-270."},
      {"Mantel 1967",
       "Mantel, N. (1967). The detection of disease clustering and a generalized regression "
       "approach. Cancer Research 27: 209-220."},
      {"Nei & Li 1979",
       "Nei, M. & Li, W.-H. (1979). Mathematical model for studying genetic variation in terms "
       "of restriction endonucleases. Proceedings of the National Academy of Sciences USA 76: "
       "5269-5273."},
      {"Saitou & Nei 1987",
       "Saitou, N. & Nei, M. (1987). The neighbor-joining method: a new method for "
       "reconstructing phylogenetic trees. Molecular Biology and Evolution 4: 406-425."},
      {"Sokal & Michener 1958",
       "Sokal, R. R. & Michener, C. D. (1958). A statistical method for evaluating systematic "
       "relationships. University of Kansas Science Bulletin 38: 1409-1438."},
      {"Sokal 1961",
       "Sokal, R. R. (1961). Distance as a measure of taxonomic similarity. Systematic Zoology "
       "10: 70-79."},
  };
  return kReferences;
}

// The paragraph as it grows, and the works it cites in the order first cited.
struct Draft {
  std::string text;
  std::vector<std::string> cited;

  void Sentence(const std::string& sentence) { text += (text.empty() ? "" : " ") + sentence; }
  std::string Cite(const std::string& work) {
    bool known = false;
    for (const std::string& each : cited) known = known || each == work;
    if (!known) cited.push_back(work);
    return " (" + work + ")";
  }
};

std::string Number(double value, int decimals) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  return buffer;
}

void DescribeData(const DataFacts& data, Draft& draft) {
  if (!data.sha256) {
    draft.Sentence("The data were read from " + data.name + ".");
    return;
  }
  std::string sentence = "The data file " + data.name;
  sentence += " (SHA-256 " + *data.sha256 + ")";
  sentence += " holds " + std::to_string(data.otus) + " OTUs and " +
              std::to_string(data.characters) +
              (data.quantitative ? " quantitative characters" : " binary characters") + "; " +
              Number(100.0 * data.missingShare, 2) + "% of its entries are missing.";
  draft.Sentence(sentence);
}

// The coefficient's formula in words and symbols, with its reference.
std::string Formula(Coefficient coefficient, Draft& draft) {
  const std::string counts =
      ", where a counts the characters present (1) in both OTUs, d those absent (0) from both, "
      "and b and c those present in one OTU only";
  switch (coefficient) {
    case Coefficient::kBinaryMatching:
      return "the simple matching coefficient S = (a + d) / (a + b + c + d)" + counts +
             draft.Cite("Sokal & Michener 1958");
    case Coefficient::kJaccard:
      return "the Jaccard coefficient S = a / (a + b + c)" + counts +
             "; shared absences are left out" + draft.Cite("Jaccard 1908");
    case Coefficient::kNei:
      return "the Nei and Li (Dice) coefficient S = 2a / (2a + b + c)" + counts +
             draft.Cite("Nei & Li 1979");
    case Coefficient::kQuantitativeMatching:
      return "the matching coefficient S = m / n, the share of the n characters on which both "
             "OTUs have the same value";
    case Coefficient::kEuclidean:
      return "the Euclidean distance D = sqrt(sum over characters k of (x_ik - x_jk)^2)";
    case Coefficient::kTaxDistance:
      return "the taxonomic distance D = sqrt(sum over characters k of (x_ik - x_jk)^2 / n), "
             "the root mean squared difference over the n characters compared" +
             draft.Cite("Sokal 1961");
    case Coefficient::kCorrelation:
      return "Pearson's correlation r between the two OTUs' values over the characters";
  }
  return "";
}

bool IsDistanceAlready(Coefficient coefficient) {
  return coefficient == Coefficient::kEuclidean || coefficient == Coefficient::kTaxDistance;
}

std::string MissingRule(MissingPolicy policy) {
  switch (policy) {
    case MissingPolicy::kZero:
      return "A missing entry was read as 0";
    case MissingPolicy::kHalf:
      return "A missing entry counted half as a match and half as a mismatch with the other "
             "OTU's entry (both missing: a quarter 1-1, a quarter 0-0, half a mismatch)";
    case MissingPolicy::kOne:
      return "A missing entry was read as 1";
    case MissingPolicy::kMarkerMean:
      return "A missing entry was replaced by its character's mean over the OTUs that have it "
             "(for binary data, counted as that share of a 1)";
    case MissingPolicy::kMarkerMode:
      return "A missing entry was replaced by its character's most frequent value";
    case MissingPolicy::kIgnore:
      return "A character missing in either OTU of a pair was left out of that pair's "
             "comparison";
  }
  return "";
}

void DescribeDistance(const DistanceSettings& settings, Draft& draft) {
  std::string sentence = "Pairwise " +
                         std::string(settings.distances ? "distances" : "similarities") +
                         " between OTUs were computed with " + Formula(settings.coefficient, draft);
  if (!IsDistanceAlready(settings.coefficient)) {
    const std::string symbol = settings.coefficient == Coefficient::kCorrelation ? "r" : "S";
    sentence += settings.distances ? "; the distance written is 1 - " + symbol
                                   : "; the similarity " + symbol + " is written";
  }
  draft.Sentence(sentence + ".");
  draft.Sentence(MissingRule(settings.policy) + ".");
  if (settings.averaging)
    draft.Sentence("For each data set the mean of its pairwise values was written.");
}

void DescribeTree(const MethodsFacts& facts, Draft& draft) {
  const bool upgma = facts.treeMethod == "upgma";
  const std::string tree = upgma ? "A UPGMA tree" + draft.Cite("Sokal & Michener 1958")
                                 : "A neighbor-joining tree" + draft.Cite("Saitou & Nei 1987");
  if (facts.rootedAtMidpoint)
    draft.Sentence(tree +
                   " was built from the distances and rooted at the midpoint of its "
                   "longest path.");
  else if (facts.rootedOnOtu)
    draft.Sentence(tree + " was built from the distances and rooted on the branch leading to " +
                   *facts.rootedOnOtu + ".");
  else if (upgma)
    draft.Sentence(tree +
                   " was built from the distances; it is rooted where its last two "
                   "clusters join.");
  else
    draft.Sentence(tree +
                   " was built from the distances; the tree is unrooted and is written "
                   "from the node that joins its last three clusters.");
}

std::string DrawWords(const DrawFacts& draws, Draft& draft) {
  const std::string percent = draws.percent ? Number(*draws.percent, 1) + "%" : "";
  if (draws.kind == "bootstrap" || draws.kind == "bootstraps")
    return "bootstrap replicates, in each of which every character was replaced with a chance of " +
           percent + " by a copy of a character drawn at random" + draft.Cite("Efron 1979");
  if (draws.kind == "classic")
    return "bootstrap replicates of as many characters drawn with replacement" +
           draft.Cite("Felsenstein 1985");
  if (draws.kind == "jackknife") return "jackknife replicates of half the characters each";
  if (draws.kind == "permutations") return "data sets with the characters in random order";
  if (draws.kind == "genstraps") return "data sets of one OTU drawn at random for each OTU name";
  if (draws.kind == "resample") return "data sets of OTUs drawn at random without repeats";
  if (draws.kind == "missstraps") return "data sets with each missing entry filled at random";
  if (draws.kind == "noise")
    return "data sets in which each 0 or 1 entry was flipped with a chance of " + percent;
  return "random permutations";
}

void DescribeDraws(const MethodsFacts& facts, Draft& draft) {
  const DrawFacts& draws = *facts.draws;
  std::string sentence;
  if (!facts.treeMethod.empty())
    sentence = "Branch support" + draft.Cite("Felsenstein 1985") + " was counted over ";
  else if (draws.kind == "permutation")
    sentence = "The p-value was estimated from ";
  else
    sentence = std::to_string(draws.count) + " data sets were generated from the data as ";
  // Cited after the sentence's opening, so the references keep the order of the text.
  if (!facts.treeMethod.empty() || draws.kind == "permutation")
    sentence += std::to_string(draws.count) + " ";
  sentence += DrawWords(draws, draft);
  draft.Sentence(sentence + "; the draws started from the seed " + std::to_string(draws.seed) +
                 ", so that the same seed gives the same result.");
}

void DescribeAnalysis(const std::string& analysis, Draft& draft) {
  if (analysis == "amova")
    draft.Sentence(
        "The variance of the distances was partitioned among and within populations "
        "by an analysis of molecular variance (AMOVA)" +
        draft.Cite("Excoffier, Smouse & Quattro 1992") + ".");
  else if (analysis.starts_with("mantel"))
    draft.Sentence("The two distance matrices were compared by a Mantel test" +
                   draft.Cite("Mantel 1967") + " with " +
                   (analysis == "mantel spearman" ? "Spearman's rank correlation"
                                                  : "Pearson's correlation r") +
                   " of their cells.");
  else if (analysis == "network")
    draft.Sentence("A split network of the distances was built by Neighbor-Net" +
                   draft.Cite("Bryant & Moulton 2004") + ".");
  else if (analysis == "pcoa")
    draft.Sentence("The OTUs were placed by principal coordinates analysis of the distances" +
                   draft.Cite("Gower 1966") + ".");
}

}  // namespace

std::string MethodsText(const MethodsFacts& facts) {
  Draft draft;
  if (facts.data) DescribeData(*facts.data, draft);
  if (!facts.screening.empty()) {
    std::string removed;
    for (std::size_t k = 0; k < facts.screening.size(); ++k) {
      if (k > 0) removed += k + 1 == facts.screening.size() ? " and " : ", ";
      removed += facts.screening[k];
    }
    draft.Sentence("Before the analysis, " + removed + " were removed, in this order.");
  }
  for (const auto& [name, sha256] : facts.distanceFiles)
    draft.Sentence("Distances were read from the file " + name +
                   (sha256 ? " (SHA-256 " + *sha256 + ")" : std::string()) + ".");
  if (facts.distance) DescribeDistance(*facts.distance, draft);
  if (!facts.treeMethod.empty()) DescribeTree(facts, draft);
  DescribeAnalysis(facts.analysis, draft);
  if (facts.draws) DescribeDraws(facts, draft);
  draft.Sentence("The analysis was run with " + facts.program + " " + facts.version +
                 " (marbleset-cli " + facts.command + ").");
  std::string text = draft.text + "\n";
  if (!draft.cited.empty()) {
    text += "\nReferences\n";
    for (const std::string& work : draft.cited) text += References().at(work) + "\n";
  }
  return text;
}

}  // namespace marbleset
