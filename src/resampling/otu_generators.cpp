// GenStraps and random resampling of OTUs: whole rows chosen at random, columns unchanged.
#include "formats/data_writer.h"
#include "resampling/generator_runs.h"
#include "resampling/otu_picks.h"

namespace marbleset {

namespace {

void WritePickedOtus(const DataSet& data, const OtuPicks& picks, PhylipRowWriter& writer) {
  for (const std::size_t i : picks) {
    writer.BeginRow(data.otuNames[i]);
    if (data.IsQuantitative()) {
      writer.Values(data.Row(i), data.CharCount());
    } else {
      writer.Bits(data.OnesRow(i), data.MissingRow(i), data.OtherRow(i), data.CharCount(),
                  [&](std::size_t j) { return data.Value(i, j); });
    }
    writer.EndRow();
  }
}

}  // namespace

void RunOtuGenerator(const DataSet& data, const GeneratorSettings& settings, UniformSource& source,
                     RunOutput& output, Progress& progress) {
  const bool genStraps = settings.generator == Generator::kGenStraps;
  RunFrame frame(progress, GeneratorLabel(settings.generator), settings.dataSets);
  const OtuGroups groups = genStraps ? GroupEqualNames(data) : OtuGroups();
  const std::size_t rows = genStraps ? groups.size() : settings.otus;
  output.Write([&](TextSink& out) {
    PhylipRowWriter writer(out, data.MissingValue());
    OtuPicks picks;
    frame.Run(out, true, [&] {
      writer.Header(rows, data.CharCount());
      if (genStraps) {
        PickGroupMembers(groups, source, picks);
      } else {
        PickDistinctOtus(data.OtuCount(), rows, source, picks);
      }
      WritePickedOtus(data, picks, writer);
    });
  });
}

}  // namespace marbleset
