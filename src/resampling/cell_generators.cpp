// MissStraps and noise: every OTU and character in place, binary cells drawn anew on the bit
// planes, one row at a time.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "formats/data_writer.h"
#include "resampling/generator_runs.h"

namespace marbleset {

namespace {

// MissStraps: one coin per missing cell, in row order, none for the others; a coin of 1 sets the
// cell to 1, of 0 to 0, so no cell stays missing.
void FillMissing(const std::uint64_t* ones, const std::uint64_t* missing, std::size_t words,
                 UniformSource& draws, std::uint64_t* shown) {
  std::copy(ones, ones + words, shown);
  for (std::size_t w = 0; w < words; ++w) {
    for (std::uint64_t bits = missing[w]; bits != 0; bits &= bits - 1) {
      const std::uint64_t lowest = bits & (~bits + 1);
      shown[w] |= lowest & (std::uint64_t{0} - static_cast<std::uint64_t>(draws.Coin()));
    }
  }
}

// Noise: one draw for every cell, missing and other cells included; a 0 or 1 whose draw falls
// below the cut becomes 1 - value, every other cell stays (a flipped missing cell stays missing).
void FlipBits(const std::uint64_t* ones, const std::uint64_t* missing, const std::uint64_t* other,
              std::size_t characters, std::uint32_t cut, UniformSource& draws,
              std::uint64_t* shown) {
  for (std::size_t w = 0; 64 * w < characters; ++w) {
    const std::size_t n = std::min<std::size_t>(64, characters - 64 * w);
    std::uint64_t flips = 0;
    for (std::size_t b = 0; b < n; ++b) {
      flips |= static_cast<std::uint64_t>(draws.NextTop24() < cut) << b;
    }
    const std::uint64_t keep = missing[w] | (other != nullptr ? other[w] : 0);
    shown[w] = ones[w] ^ (flips & ~keep);
  }
}

}  // namespace

void RunCellGenerator(const DataSet& data, const GeneratorSettings& settings, UniformSource& source,
                      RunOutput& output, Progress& progress) {
  const bool missStraps = settings.generator == Generator::kMissStraps;
  RunFrame frame(progress, GeneratorLabel(settings.generator), settings.dataSets);
  const std::uint32_t cut = missStraps ? 0 : UniformSource::PercentageCut(settings.percent);
  output.Write([&](TextSink& out) {
    PhylipRowWriter writer(out, data.MissingValue());
    const std::size_t words = (data.CharCount() + 63) / 64;
    std::vector<std::uint64_t> shown(words), noneMissing(words, 0);
    frame.Run(out, false, [&] {
      writer.Header(data.OtuCount(), data.CharCount());
      // The draws come from a local copy of the source: the writer's character stores could
      // otherwise alias the caller's source, and its state would go through memory on every draw.
      UniformSource draws = source;
      for (std::size_t i = 0; i < data.OtuCount(); ++i) {
        const std::uint64_t* other = data.OtherRow(i);
        const auto otherValue = [&](std::size_t j) { return data.Value(i, j); };
        writer.BeginRow(data.otuNames[i]);
        if (missStraps) {
          FillMissing(data.OnesRow(i), data.MissingRow(i), words, draws, shown.data());
          writer.Bits(shown.data(), noneMissing.data(), other, data.CharCount(), otherValue);
        } else {
          FlipBits(data.OnesRow(i), data.MissingRow(i), other, data.CharCount(), cut, draws,
                   shown.data());
          writer.Bits(shown.data(), data.MissingRow(i), other, data.CharCount(), otherValue);
        }
        writer.EndRow();
      }
      source = draws;
    });
  });
}

}  // namespace marbleset
