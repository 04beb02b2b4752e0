// Bootstraps and permutations: every OTU in order, the columns rearranged.
#include "dataset/errors.h"
#include "editing/data_writer.h"
#include "resampling/char_picks.h"
#include "resampling/generators.h"
#include "resampling/run_frame.h"

namespace marbleset {

namespace {

// Each row is gathered through the picks into one buffer and handed to the writer whole, which
// writes binary rows a line at a time.
void WritePickedRows(const DataSet& data, const CharPicks& pick, std::vector<float>& gathered,
                     PhylipRowWriter& writer) {
  gathered.resize(static_cast<std::size_t>(data.NChar));
  for (int i = 1; i <= data.NOtu; ++i) {
    const float* row = data.Row(i);
    for (int j = 1; j <= data.NChar; ++j) gathered[j - 1] = row[pick[j]];
    writer.BeginRow(data.OtuName[i]);
    writer.Values(gathered.data(), data.NChar);
    writer.EndRow();
  }
}

void RunBootStraps(const DataSet& data, UniformSource& source, int16_t C, int16_t P,
                   RunOutput& output, Progress& progress) {
  RunFrame frame(progress, "Generating BootStraps", C);
  if (P <= 0) throw WriteFailure("The bootstrap percentage must be above 0.");
  TextSink& out = output.Open();
  PhylipRowWriter writer(out, data.MissingValue);
  CharPicks pick;
  std::vector<float> gathered;
  frame.Run(out, false, [&] {
    writer.Header(data.NOtu, data.NChar);
    DrawBootstrapPicks(data.NChar, P, source, pick);
    WritePickedRows(data, pick, gathered, writer);
  });
  output.Finish();
}

void RunPermutations(const DataSet& data, UniformSource& source, int16_t C, RunOutput& output,
                     Progress& progress) {
  RunFrame frame(progress, "Generating permutations", C);
  TextSink& out = output.Open();
  PhylipRowWriter writer(out, data.MissingValue);
  CharPicks pick;
  std::vector<float> gathered;
  frame.Run(out, false, [&] {
    writer.Header(data.NOtu, data.NChar);
    DrawPermutationPicks(data.NChar, source, pick);
    WritePickedRows(data, pick, gathered, writer);
  });
  output.Finish();
}

}  // namespace

void GenerateBootStraps(const DataSet& data, UniformSource& source, int16_t C, int16_t P,
                        TextSink& out, Progress& progress) {
  RunOutput output(out);
  RunBootStraps(data, source, C, P, output, progress);
}

void GenerateBootStraps(const DataSet& data, UniformSource& source, int16_t C, int16_t P,
                        const std::string& path, Progress& progress) {
  RunOutput output(path);
  RunBootStraps(data, source, C, P, output, progress);
}

void GeneratePermutations(const DataSet& data, UniformSource& source, int16_t C, TextSink& out,
                          Progress& progress) {
  RunOutput output(out);
  RunPermutations(data, source, C, output, progress);
}

void GeneratePermutations(const DataSet& data, UniformSource& source, int16_t C,
                          const std::string& path, Progress& progress) {
  RunOutput output(path);
  RunPermutations(data, source, C, output, progress);
}

}  // namespace marbleset
