// BootStraps and permutations: every OTU in order, the columns rearranged.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "formats/data_writer.h"
#include "resampling/column_picks.h"
#include "resampling/generator_runs.h"

namespace marbleset {

namespace {

// The picks of one data set as the row gather uses them. Bootstrap picks leave most positions
// on their own column (65 % at 35 %), so a row is then copied word by word and only the moved
// positions are gathered; permutations move nearly every position and take the full gather.
// Both planes are gathered in one pass over the picks.
class GatherPlan {
 public:
  void Prepare(const ColumnPicks& picks) {
    const std::size_t words = (picks.size() + 63) / 64;
    movedMask_.assign(words, 0);
    firstMoved_.assign(words + 1, 0);
    moved_.clear();
    for (std::size_t j = 0; j < picks.size(); ++j) {
      if (picks[j] == j) continue;
      movedMask_[j / 64] |= std::uint64_t{1} << (j % 64);
      moved_.push_back({j, picks[j]});
      ++firstMoved_[j / 64 + 1];
    }
    for (std::size_t w = 0; w < words; ++w) firstMoved_[w + 1] += firstMoved_[w];
    sparse_ = 2 * moved_.size() < picks.size();
  }

  // The state-1 and missing bits of one row through the picks.
  void Gather(const ColumnPicks& picks, const std::uint64_t* ones, const std::uint64_t* missing,
              std::uint64_t* onesOut, std::uint64_t* missingOut) const {
    if (sparse_) {
      for (std::size_t w = 0; w < movedMask_.size(); ++w) {
        std::uint64_t o = ones[w] & ~movedMask_[w], m = missing[w] & ~movedMask_[w];
        for (std::size_t e = firstMoved_[w]; e < firstMoved_[w + 1]; ++e) {
          const auto [j, k] = moved_[e];
          o |= ((ones[k / 64] >> (k % 64)) & 1u) << (j % 64);
          m |= ((missing[k / 64] >> (k % 64)) & 1u) << (j % 64);
        }
        onesOut[w] = o;
        missingOut[w] = m;
      }
      return;
    }
    const std::size_t count = picks.size();
    for (std::size_t start = 0; start < count; start += 64) {
      const std::size_t* from = picks.data() + start;
      const std::size_t n = std::min<std::size_t>(64, count - start);
      std::uint64_t o = 0, m = 0;
      for (std::size_t b = 0; b < n; ++b) {
        const std::size_t w = from[b] / 64, shift = from[b] % 64;
        o |= ((ones[w] >> shift) & 1u) << b;
        m |= ((missing[w] >> shift) & 1u) << b;
      }
      onesOut[start / 64] = o;
      missingOut[start / 64] = m;
    }
  }

 private:
  struct Move {
    std::size_t to, from;
  };
  bool sparse_ = false;
  std::vector<std::uint64_t> movedMask_;
  std::vector<std::size_t> firstMoved_;
  std::vector<Move> moved_;
};

// Each row is gathered through the picks into one row of bit words (or of values) and handed
// to the writer whole; only one row is held at a time, whatever the size of the data.
class PickedRows {
 public:
  static std::size_t Words(const DataSet& data) { return (data.CharCount() + 63) / 64; }

  PickedRows(const DataSet& data, PhylipRowWriter& writer)
      : data_(data),
        writer_(writer),
        ones_(Words(data)),
        missing_(Words(data)),
        other_(Words(data)) {
    if (data.IsQuantitative()) gathered_.resize(data.CharCount());
  }

  void Write(const ColumnPicks& picks) {
    const std::size_t count = picks.size();
    if (data_.IsBinary()) plan_.Prepare(picks);
    for (std::size_t i = 0; i < data_.OtuCount(); ++i) {
      if (data_.IsQuantitative()) {
        const float* row = data_.Row(i);
        for (std::size_t j = 0; j < count; ++j) gathered_[j] = row[picks[j]];
        writer_.BeginRow(data_.otuNames[i]);
        writer_.Values(gathered_.data(), count);
        writer_.EndRow();
        continue;
      }
      plan_.Gather(picks, data_.OnesRow(i), data_.MissingRow(i), ones_.data(), missing_.data());
      const std::uint64_t* other = data_.OtherRow(i);
      if (other != nullptr) GatherBits(other, picks.data(), count, other_.data());
      writer_.BeginRow(data_.otuNames[i]);
      writer_.Bits(ones_.data(), missing_.data(), other != nullptr ? other_.data() : nullptr, count,
                   [&](std::size_t j) { return data_.Value(i, picks[j]); });
      writer_.EndRow();
    }
  }

 private:
  const DataSet& data_;
  PhylipRowWriter& writer_;
  GatherPlan plan_;
  std::vector<std::uint64_t> ones_, missing_, other_;
  std::vector<float> gathered_;
};

}  // namespace

void RunColumnGenerator(const DataSet& data, const GeneratorSettings& settings,
                        UniformSource& source, RunOutput& output, Progress& progress) {
  const bool bootstraps = settings.generator == Generator::kBootStraps;
  RunFrame frame(progress, GeneratorLabel(settings.generator), settings.dataSets);
  output.Write([&](TextSink& out) {
    PhylipRowWriter writer(out, data.MissingValue());
    PickedRows rows(data, writer);
    ColumnPicks picks;
    frame.Run(out, false, [&] {
      writer.Header(data.OtuCount(), data.CharCount());
      if (bootstraps) {
        DrawBootstrapPicks(data.CharCount(), settings.percent, source, picks);
      } else {
        DrawPermutationPicks(data.CharCount(), source, picks);
      }
      rows.Write(picks);
    });
  });
}

}  // namespace marbleset
