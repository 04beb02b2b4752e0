// BootStraps and permutations: every OTU in order, the columns rearranged.
#include <vector>

#include "editing/data_writer.h"
#include "resampling/column_picks.h"
#include "resampling/generator_runs.h"

namespace marbleset {

namespace {

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
    for (std::size_t i = 0; i < data_.OtuCount(); ++i) {
      if (data_.IsQuantitative()) {
        const float* row = data_.Row(i);
        for (std::size_t j = 0; j < count; ++j) gathered_[j] = row[picks[j]];
        writer_.BeginRow(data_.otuNames[i]);
        writer_.Values(gathered_.data(), count);
        writer_.EndRow();
        continue;
      }
      GatherBits(data_.OnesRow(i), picks.data(), count, ones_.data());
      GatherBits(data_.MissingRow(i), picks.data(), count, missing_.data());
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
