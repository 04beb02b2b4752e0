// GenStraps and random resampling of OTUs: whole rows chosen at random, columns unchanged.
#include "dataset/errors.h"
#include "editing/data_writer.h"
#include "resampling/generators.h"
#include "resampling/otu_picks.h"
#include "resampling/run_frame.h"

namespace marbleset {

namespace {

void WritePickedOtus(const DataSet& data, const OtuPicks& picks, PhylipRowWriter& writer) {
  for (int g = 1; g <= picks.NUniqueOtu; ++g) {
    const int i = picks.UniqueOtu[g];
    writer.BeginRow(data.OtuName[i]);
    writer.Values(data.Row(i) + 1, data.NChar);
    writer.EndRow();
  }
}

void RunGenStraps(const DataSet& data, UniformSource& source, int16_t C, RunOutput& output,
                  Progress& progress) {
  RunFrame frame(progress, "Generating GenStraps", C);
  OtuPicks picks;
  ListUniqueOtus(data, picks);
  const OtuGroups groups = GroupMembers(data, picks);
  TextSink& out = output.Open();
  PhylipRowWriter writer(out, data.MissingValue);
  frame.Run(out, true, [&] {
    writer.Header(picks.NUniqueOtu, data.NChar);
    PickGroupMembers(groups, source, picks);
    WritePickedOtus(data, picks, writer);
  });
  output.Finish();
}

// M / 10 to the nearest whole number, a half going to the even neighbour.
int OtusToDraw(int16_t M) {
  int whole = M / 10;
  const int tenths = M % 10;
  if (tenths > 5 || (tenths == 5 && whole % 2 == 1)) ++whole;
  return whole;
}

void RunResamplings(const DataSet& data, UniformSource& source, int16_t C, int16_t M,
                    RunOutput& output, Progress& progress) {
  RunFrame frame(progress, "Generating resamplings", C);
  OtuPicks picks;
  picks.NUniqueOtu = OtusToDraw(M);
  // More OTUs than the data set holds could never be drawn without repeating one.
  if (picks.NUniqueOtu < 1 || picks.NUniqueOtu > data.NOtu) {
    throw WriteFailure("The number of OTUs to draw must be between 1 and " +
                       std::to_string(data.NOtu) + ".");
  }
  TextSink& out = output.Open();
  PhylipRowWriter writer(out, data.MissingValue);
  frame.Run(out, true, [&] {
    writer.Header(picks.NUniqueOtu, data.NChar);
    PickDistinctOtus(data.NOtu, source, picks);
    WritePickedOtus(data, picks, writer);
  });
  output.Finish();
}

}  // namespace

void GenerateGenStraps(const DataSet& data, UniformSource& source, int16_t C, TextSink& out,
                       Progress& progress) {
  RunOutput output(out);
  RunGenStraps(data, source, C, output, progress);
}

void GenerateGenStraps(const DataSet& data, UniformSource& source, int16_t C,
                       const std::string& path, Progress& progress) {
  RunOutput output(path);
  RunGenStraps(data, source, C, output, progress);
}

void GenerateResamplings(const DataSet& data, UniformSource& source, int16_t C, int16_t M,
                         TextSink& out, Progress& progress) {
  RunOutput output(out);
  RunResamplings(data, source, C, M, output, progress);
}

void GenerateResamplings(const DataSet& data, UniformSource& source, int16_t C, int16_t M,
                         const std::string& path, Progress& progress) {
  RunOutput output(path);
  RunResamplings(data, source, C, M, output, progress);
}

}  // namespace marbleset
