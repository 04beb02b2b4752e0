// MissStraps and noise: every OTU and character in place, binary cells changed at random.
#include "dataset/errors.h"
#include "editing/data_writer.h"
#include "resampling/generators.h"
#include "resampling/run_frame.h"

namespace marbleset {

namespace {

// Writes every row in place, each cell through cell(writer, value).
template <class WriteCell>
void WriteCells(const DataSet& data, PhylipRowWriter& writer, WriteCell&& cell) {
  for (int i = 1; i <= data.NOtu; ++i) {
    const float* row = data.Row(i);
    writer.BeginRow(data.OtuName[i]);
    for (int j = 1; j <= data.NChar; ++j) cell(row[j]);
    writer.EndRow();
  }
}

void RunMissStraps(const DataSet& data, UniformSource& source, int16_t C, RunOutput& output,
                   Progress& progress) {
  RunFrame frame(progress, "Generating MissStraps", C);
  TextSink& out = output.Open();
  PhylipRowWriter writer(out, data.MissingValue);
  const float missing = data.MissingValue;
  frame.Run(out, false, [&] {
    writer.Header(data.NOtu, data.NChar);
    // One coin per missing cell, none for the others.
    WriteCells(data, writer, [&](float value) {
      if (value == missing) {
        writer.Token(source.Coin() == 0 ? " 0" : " 1");
      } else {
        writer.Value(value);
      }
    });
  });
  output.Finish();
}

void RunNoise(const DataSet& data, UniformSource& source, int16_t C, int16_t P, RunOutput& output,
              Progress& progress) {
  RunFrame frame(progress, "Generating Noise", C);
  if (P <= 0) throw WriteFailure("The noise percentage must be above 0.");
  TextSink& out = output.Open();
  PhylipRowWriter writer(out, data.MissingValue);
  const float missing = data.MissingValue;
  const std::uint32_t cut = UniformSource::PercentageCut(P);
  frame.Run(out, false, [&] {
    writer.Header(data.NOtu, data.NChar);
    // One draw for every cell, missing ones included. A flipped missing cell stays missing,
    // and a cell that is neither 0 nor 1 is written unchanged, so every cell gives one token.
    // The flip is a select, not a branch: random flips would defeat branch prediction.
    // The draws come from a local copy of the source: the writer's character stores could
    // otherwise alias the shared source, and its state would go through memory on every cell.
    UniformSource local = source;
    WriteCells(data, writer, [&](float value) {
      const bool flip = local.BelowCut(cut);
      const bool bit = value != missing && (value == 0.0f || value == 1.0f);
      writer.Value(flip && bit ? 1.0f - value : value);
    });
    source = local;
  });
  output.Finish();
}

}  // namespace

void GenerateMissStraps(const DataSet& data, UniformSource& source, int16_t C, TextSink& out,
                        Progress& progress) {
  RunOutput output(out);
  RunMissStraps(data, source, C, output, progress);
}

void GenerateMissStraps(const DataSet& data, UniformSource& source, int16_t C,
                        const std::string& path, Progress& progress) {
  RunOutput output(path);
  RunMissStraps(data, source, C, output, progress);
}

void GenerateNoise(const DataSet& data, UniformSource& source, int16_t C, int16_t P, TextSink& out,
                   Progress& progress) {
  RunOutput output(out);
  RunNoise(data, source, C, P, output, progress);
}

void GenerateNoise(const DataSet& data, UniformSource& source, int16_t C, int16_t P,
                   const std::string& path, Progress& progress) {
  RunOutput output(path);
  RunNoise(data, source, C, P, output, progress);
}

}  // namespace marbleset
