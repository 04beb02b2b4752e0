#include "distances/analysis_reports.h"

#include <cmath>

namespace marbleset {

namespace {

std::string Count(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// ", p-values from 999 permutations (seed 42)" or ", without permutation tests".
std::string PermutationText(const PermutationSettings& settings, const char* what) {
  if (settings.permutations == 0) return ", without permutation tests";
  return std::string(", ") + what + " from " +
         Count(settings.permutations, "permutation", "permutations") + " (seed " +
         std::to_string(settings.seed) + ")";
}

}  // namespace

ResultTable AmovaReport(const AmovaResult& result, const std::string& subject) {
  ResultTable table;
  table.title = "AMOVA";
  table.method = std::string("Analysis of molecular variance on squared distances ") +
                 (result.regions > 0 ? "over regions and populations" : "over populations") +
                 " (Excoffier, Smouse & Quattro 1992)" +
                 PermutationText(result.permutations, "p-values") + ".";
  using C = ResultCell;
  ResultBlock sources{{"Source", "d.f.", "SSD", "MSD", "Variance", "%", "p"}, {}};
  for (const AmovaSource& s : result.sources)
    sources.rows.push_back({C::Text(s.name), C::Number(double(s.degreesOfFreedom), 0),
                            C::Number(s.sumOfSquares, 4), C::Number(s.meanSquare, 4),
                            C::Number(s.variance, 6), C::Number(s.percent, 2),
                            C::Number(s.pValue, 4)});
  const double total = result.totalSumOfSquares;
  const double df = static_cast<double>(result.totalDegreesOfFreedom);
  sources.rows.push_back({C::Text("Total"), C::Number(df, 0), C::Number(total, 4),
                          C::Number(total / df, 4), C::Number(result.totalVariance, 6),
                          C::Number(100, 2), C::Number(NAN, 0)});
  ResultBlock phi{{"Statistic", "Value", "p"}, {}};
  for (const PhiStatistic& statistic : result.phi)
    phi.rows.push_back(
        {C::Text(statistic.name), C::Number(statistic.value, 4), C::Number(statistic.pValue, 4)});
  table.blocks = {sources, phi};
  std::string groups = Count(result.otus, "OTU", "OTUs") + " in " +
                       Count(result.populations, "population", "populations");
  if (result.regions > 0) groups += " of " + Count(result.regions, "region", "regions");
  table.notes = {subject.empty() ? groups + "." : subject + ": " + groups + "."};
  if (result.permutations.permutations > 0)
    table.notes.push_back(
        "p: the share of permutations with a component (within populations: a smaller one) or "
        "a Phi at least as large as observed, the observed arrangement counted among them.");
  return table;
}

ResultTable MantelReport(const MantelResult& result, const std::string& first,
                         const std::string& second) {
  const bool pearson = result.method == MantelMethod::kPearson;
  ResultTable table;
  table.title = "Mantel test";
  table.method = std::string("Mantel test (Mantel 1967) of ") +
                 (pearson ? "Pearson's r" : "Spearman's rank correlation") +
                 " between the distances of two matrices" +
                 PermutationText(result.permutations, "one-sided p-value") + ".";
  using C = ResultCell;
  table.blocks = {{{"First matrix", "Second matrix", "OTUs", pearson ? "r" : "rho", "p"},
                   {{C::Text(first), C::Text(second), C::Number(double(result.otus), 0),
                     C::Number(result.r, 6), C::Number(result.pValue, 4)}}}};
  if (result.permutations.permutations > 0)
    table.notes = {
        "p: the share of permutations of the first matrix's OTUs whose correlation is at least "
        "as large as observed, the observed arrangement counted among them."};
  return table;
}

}  // namespace marbleset
