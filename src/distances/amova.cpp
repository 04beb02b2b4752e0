#include "distances/amova.h"

#include <cmath>
#include <numeric>

#include "dataset/errors.h"

namespace marbleset {

namespace {

// The streams of draws of the three tests.
enum Stream : std::size_t { kOtusAmongAll, kOtusWithinRegions, kPopulationsAmongRegions };

// What a permutation changes and what the components are computed from.
struct Components {
  double sumOfSquares[3] = {};  // among regions (0 without regions), among populations, within
  double variance[3] = {};
  double phiSt = 0, phiSc = 0, phiCt = 0;
};

class AmovaModel {
 public:
  AmovaModel(const DistanceMatrix& matrix, const AmovaDesign& design)
      : n_(matrix.n),
        p_(design.populationNames.size()),
        g_(design.regionNames.size()),
        squared_(n_ * n_),
        populationSize_(p_, 0) {
    for (std::size_t i = 0; i < n_; ++i)
      for (std::size_t j = 0; j < n_; ++j) {
        const double d = (matrix.At(i, j) + matrix.At(j, i)) / 2;
        squared_[i * n_ + j] = d * d;
        if (i < j) total_ += d * d;
      }
    total_ /= static_cast<double>(n_);
    for (const std::size_t population : design.populationOf) ++populationSize_[population];
  }

  double TotalSumOfSquares() const { return total_; }

  // Sums of squared distances over the pairs of OTUs i < j, by the populations (p, q) of i and
  // j at p * P + q.
  void PairSums(const std::vector<std::size_t>& populationOf, std::vector<double>& sums) const {
    sums.assign(p_ * p_, 0.0);
    for (std::size_t i = 0; i < n_; ++i) {
      const double* row = &squared_[i * n_];
      double* into = &sums[populationOf[i] * p_];
      for (std::size_t j = i + 1; j < n_; ++j) into[populationOf[j]] += row[j];
    }
  }

  Components Evaluate(const std::vector<double>& sums, const std::vector<std::size_t>& regionOf,
                      bool regions) const {
    Components c;
    double within = 0;
    for (std::size_t p = 0; p < p_; ++p)
      within += sums[p * p_ + p] / static_cast<double>(populationSize_[p]);
    const double N = static_cast<double>(n_), P = static_cast<double>(p_);
    double squaredSizes = 0;
    for (const std::size_t size : populationSize_) squaredSizes += double(size) * double(size);
    c.sumOfSquares[2] = within;
    c.variance[2] = within / (N - P);
    if (!regions) {
      c.sumOfSquares[1] = total_ - within;
      const double n = (N - squaredSizes / N) / (P - 1);
      c.variance[1] = (c.sumOfSquares[1] / (P - 1) - c.variance[2]) / n;
      c.phiSt = c.variance[1] / (c.variance[1] + c.variance[2]);
      return c;
    }
    return WithRegions(sums, regionOf, squaredSizes, c);
  }

 private:
  Components WithRegions(const std::vector<double>& sums, const std::vector<std::size_t>& regionOf,
                         double squaredSizes, Components& c) const {
    std::vector<double> regionSum(g_, 0.0), regionSize(g_, 0.0), regionSquaredSizes(g_, 0.0);
    for (std::size_t p = 0; p < p_; ++p) {
      const double size = static_cast<double>(populationSize_[p]);
      regionSize[regionOf[p]] += size;
      regionSquaredSizes[regionOf[p]] += size * size;
      for (std::size_t q = 0; q < p_; ++q)
        if (regionOf[q] == regionOf[p]) regionSum[regionOf[p]] += sums[p * p_ + q];
    }
    double withinRegions = 0, nested = 0, regionSquares = 0;
    for (std::size_t g = 0; g < g_; ++g) {
      withinRegions += regionSum[g] / regionSize[g];
      nested += regionSquaredSizes[g] / regionSize[g];
      regionSquares += regionSize[g] * regionSize[g];
    }
    const double N = static_cast<double>(n_), P = static_cast<double>(p_);
    const double G = static_cast<double>(g_);
    c.sumOfSquares[0] = total_ - withinRegions;
    c.sumOfSquares[1] = withinRegions - c.sumOfSquares[2];
    // The coefficients of the expected mean squares for unequal sizes.
    const double n = (N - nested) / (P - G);
    const double n1 = (nested - squaredSizes / N) / (G - 1);
    const double n2 = (N - regionSquares / N) / (G - 1);
    const double& sc = c.variance[2];
    c.variance[1] = (c.sumOfSquares[1] / (P - G) - sc) / n;
    c.variance[0] = (c.sumOfSquares[0] / (G - 1) - sc - n1 * c.variance[1]) / n2;
    const double all = c.variance[0] + c.variance[1] + sc;
    c.phiSt = (c.variance[0] + c.variance[1]) / all;
    c.phiSc = c.variance[1] / (c.variance[1] + sc);
    c.phiCt = c.variance[0] / all;
    return c;
  }

  std::size_t n_, p_, g_;
  std::vector<double> squared_;
  std::vector<std::size_t> populationSize_;
  double total_ = 0;
};

void CheckDesign(const DistanceMatrix& matrix, const AmovaDesign& design) {
  if (matrix.values.size() != matrix.n * matrix.n || design.populationOf.size() != matrix.n)
    throw Failure("The grouping does not give a population for every OTU of the matrix.");
  for (const double value : matrix.values)
    if (!std::isfinite(value))
      throw Failure("The distance matrix holds a value that is not a number.");
  const std::size_t p = design.populationNames.size(), g = design.regionNames.size();
  std::vector<std::size_t> size(p, 0), populations(g, 0);
  for (const std::size_t population : design.populationOf) {
    if (population >= p) throw Failure("An OTU's population is not among the populations.");
    ++size[population];
  }
  for (std::size_t k = 0; k < p; ++k)
    if (size[k] == 0) throw Failure("Population " + design.populationNames[k] + " has no OTU.");
  if (p < 2) throw Failure("An AMOVA needs at least two populations.");
  if (matrix.n <= p)
    throw Failure(
        "An AMOVA needs a population with more than one OTU, so that OTUs vary within "
        "populations.");
  if (!design.HasRegions()) return;
  if (design.regionOf.size() != p) throw Failure("Not every population has a region.");
  for (const std::size_t region : design.regionOf) {
    if (region >= g) throw Failure("A population's region is not among the regions.");
    ++populations[region];
  }
  for (std::size_t k = 0; k < g; ++k)
    if (populations[k] == 0)
      throw Failure("Region " + design.regionNames[k] + " has no population.");
  if (g < 2) throw Failure("An AMOVA over regions needs at least two regions.");
  if (p <= g) throw Failure("An AMOVA over regions needs a region with more than one population.");
}

// For each region, the OTUs it holds: the OTUs the within-regions test permutes among them.
std::vector<std::vector<std::size_t>> OtusByRegion(const AmovaDesign& design) {
  std::vector<std::vector<std::size_t>> otus(design.regionNames.size());
  for (std::size_t i = 0; i < design.populationOf.size(); ++i)
    otus[design.regionOf[design.populationOf[i]]].push_back(i);
  return otus;
}

// The components of every permutation of one test, at the permutation's place.
std::vector<Components> Permuted(const AmovaModel& model, const AmovaDesign& design, Stream stream,
                                 const PermutationSettings& settings, Progress& progress,
                                 double start, double end) {
  std::vector<Components> results(settings.permutations);
  const bool regions = design.HasRegions();
  const auto byRegion = regions ? OtusByRegion(design) : std::vector<std::vector<std::size_t>>{};
  std::vector<double> fixedSums;
  if (stream == kPopulationsAmongRegions) model.PairSums(design.populationOf, fixedSums);
  RunPermutationBlocks(
      settings.permutations, settings.threads, progress, start, end,
      [&](std::size_t first, std::size_t last) {
        std::vector<double> sums;
        for (std::size_t k = first; k < last; ++k) {
          UniformSource source = PermutationSource(settings.seed, stream, k);
          std::vector<std::size_t> populationOf = design.populationOf, regionOf = design.regionOf;
          if (stream == kOtusAmongAll) Shuffle(populationOf, source);
          if (stream == kPopulationsAmongRegions) Shuffle(regionOf, source);
          for (const auto& otus : byRegion) {
            if (stream != kOtusWithinRegions) break;
            std::vector<std::size_t> labels;
            for (const std::size_t i : otus) labels.push_back(populationOf[i]);
            Shuffle(labels, source);
            for (std::size_t m = 0; m < otus.size(); ++m) populationOf[otus[m]] = labels[m];
          }
          if (stream != kPopulationsAmongRegions) model.PairSums(populationOf, sums);
          results[k] = model.Evaluate(stream == kPopulationsAmongRegions ? fixedSums : sums,
                                      regionOf, regions);
        }
      });
  return results;
}

template <typename Statistic, typename Compare>
double PValue(const std::vector<Components>& permuted, Statistic statistic, double observed,
              Compare reaches) {
  std::size_t count = 0;
  for (const Components& c : permuted) count += reaches(statistic(c), observed) ? 1 : 0;
  return PermutationPValue(count, permuted.size());
}

}  // namespace

AmovaResult RunAmova(const DistanceMatrix& matrix, const AmovaDesign& design,
                     const PermutationSettings& settings, Progress& progress) {
  CheckDesign(matrix, design);
  CheckPermutationSettings(settings);
  const bool regions = design.HasRegions();
  const AmovaModel model(matrix, design);
  std::vector<double> sums;
  model.PairSums(design.populationOf, sums);
  const Components observed = model.Evaluate(sums, design.regionOf, regions);

  AmovaResult result;
  result.otus = matrix.n;
  result.populations = design.populationNames.size();
  result.regions = design.regionNames.size();
  result.permutations = settings;
  result.totalDegreesOfFreedom = matrix.n - 1;
  result.totalSumOfSquares = model.TotalSumOfSquares();
  const std::size_t first = regions ? 0 : 1;
  const char* names[3] = {"Among regions",
                          regions ? "Among populations within regions" : "Among populations",
                          "Within populations"};
  const std::size_t freedom[3] = {result.regions - (regions ? 1 : 0),
                                  result.populations - (regions ? result.regions : 1),
                                  matrix.n - result.populations};
  for (std::size_t level = first; level < 3; ++level) {
    AmovaSource source{.name = names[level], .degreesOfFreedom = freedom[level]};
    source.sumOfSquares = observed.sumOfSquares[level];
    source.meanSquare = source.sumOfSquares / static_cast<double>(freedom[level]);
    source.variance = observed.variance[level];
    result.totalVariance += source.variance;
    result.sources.push_back(source);
  }
  for (AmovaSource& source : result.sources)
    source.percent = 100 * source.variance / result.totalVariance;

  progress.Start("Permuting for the AMOVA's tests");
  const std::size_t tests = regions ? 3 : 1;
  const auto amongAll =
      Permuted(model, design, kOtusAmongAll, settings, progress, 0, 100.0 / tests);
  auto& within = result.sources.back();
  within.pValue = PValue(
      amongAll, [](const Components& c) { return c.variance[2]; }, observed.variance[2], AtMost);
  result.phi.push_back(
      {"Phi-ST", observed.phiSt,
       PValue(
           amongAll, [](const Components& c) { return c.phiSt; }, observed.phiSt, AtLeast)});
  if (!regions) {
    result.sources[0].pValue = PValue(
        amongAll, [](const Components& c) { return c.variance[1]; }, observed.variance[1], AtLeast);
    return result;
  }
  const auto withinRegions =
      Permuted(model, design, kOtusWithinRegions, settings, progress, 100.0 / 3, 200.0 / 3);
  result.sources[1].pValue = PValue(
      withinRegions, [](const Components& c) { return c.variance[1]; }, observed.variance[1],
      AtLeast);
  result.phi.push_back(
      {"Phi-SC", observed.phiSc,
       PValue(
           withinRegions, [](const Components& c) { return c.phiSc; }, observed.phiSc, AtLeast)});
  const auto amongRegions =
      Permuted(model, design, kPopulationsAmongRegions, settings, progress, 200.0 / 3, 100);
  result.sources[0].pValue = PValue(
      amongRegions, [](const Components& c) { return c.variance[0]; }, observed.variance[0],
      AtLeast);
  result.phi.push_back(
      {"Phi-CT", observed.phiCt,
       PValue(
           amongRegions, [](const Components& c) { return c.phiCt; }, observed.phiCt, AtLeast)});
  return result;
}

}  // namespace marbleset
