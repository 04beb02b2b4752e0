// MissStraps and noise: every OTU and character in place, binary cells changed at random.
#include <bit>
#include <cstdint>
#include <vector>

#include "dataset/errors.h"
#include "editing/data_writer.h"
#include "resampling/generators.h"
#include "resampling/run_frame.h"

namespace marbleset {

namespace {

// Writes every row in place through the writer's whole-row path: fill(row, shown) turns the
// input cells row[0..NChar) into the values shown[0..NChar) to write.
template <class Fill>
void WriteShownRows(const DataSet& data, PhylipRowWriter& writer, std::vector<float>& shown_row,
                    Fill&& fill) {
  shown_row.resize(static_cast<std::size_t>(data.NChar));
  for (int i = 1; i <= data.NOtu; ++i) {
    fill(data.Row(i) + 1, shown_row.data());
    writer.BeginRow(data.OtuName[i]);
    writer.Values(shown_row.data(), data.NChar);
    writer.EndRow();
  }
}

// One noise row: each 0 or 1 whose draw falls below the cut becomes 1 - value; every other cell
// stays. The flip is a select on bitwise tests, not a branch: random flips would defeat branch
// prediction, and a compiler may turn ?: into one, so the select is done on the bits. The source's
// state stays in registers as a local copy.
void NoiseRow(const float* row, int n, std::uint32_t cut, UniformSource& source,
              std::uint32_t* flips, float* shown) {
  // First the flip masks alone, a tight loop over the generator; then the select, which the
  // compiler vectorizes.
  UniformSource draws = source;
  for (int j = 0; j < n; ++j) flips[j] = 0u - static_cast<std::uint32_t>(draws.NextTop24() < cut);
  source = draws;
  for (int j = 0; j < n; ++j) {
    const float value = row[j];
    const std::uint32_t bit = 0u - static_cast<std::uint32_t>((value == 0.0f) | (value == 1.0f));
    const std::uint32_t take_flipped = flips[j] & bit;
    shown[j] = std::bit_cast<float>((std::bit_cast<std::uint32_t>(value) & ~take_flipped) |
                                    (std::bit_cast<std::uint32_t>(1.0f - value) & take_flipped));
  }
}

// Writes every row in place, cell by cell through token(value).
template <class WriteToken>
void WriteTokenRows(const DataSet& data, PhylipRowWriter& writer, WriteToken&& token) {
  for (int i = 1; i <= data.NOtu; ++i) {
    const float* row = data.Row(i);
    writer.BeginRow(data.OtuName[i]);
    for (int j = 1; j <= data.NChar; ++j) token(row[j]);
    writer.EndRow();
  }
}

// A drawn 0 or 1 can be handed to the writer as a value unless the missing code is itself 0 or
// 1, where it would come out as " ?"; such data takes the cell-by-cell token path.
bool BitsWriteAsValues(float missing) {
  return missing != 0.0f && missing != 1.0f;
}

// The draws come from a local copy of the source: the writer's character stores could otherwise
// alias the caller's source, and its state would go through memory on every draw.
template <class Write>
void WithLocalSource(UniformSource& source, Write&& write) {
  UniformSource local = source;
  write(local);
  source = local;
}

void RunMissStraps(const DataSet& data, UniformSource& source, int16_t C, RunOutput& output,
                   Progress& progress) {
  RunFrame frame(progress, "Generating MissStraps", C);
  TextSink& out = output.Open();
  PhylipRowWriter writer(out, data.MissingValue);
  const float missing = data.MissingValue;
  std::vector<float> shown_row;
  frame.Run(out, false, [&] {
    writer.Header(data.NOtu, data.NChar);
    // One coin per missing cell, none for the others.
    WithLocalSource(source, [&](UniformSource& draws) {
      if (BitsWriteAsValues(missing)) {
        WriteShownRows(data, writer, shown_row, [&](const float* row, float* shown) {
          for (int j = 0; j < data.NChar; ++j) {
            shown[j] = row[j] == missing ? static_cast<float>(draws.Coin()) : row[j];
          }
        });
      } else {
        WriteTokenRows(data, writer, [&](float value) {
          if (value == missing) {
            writer.Token(draws.Coin() == 0 ? " 0" : " 1");
          } else {
            writer.Value(value);
          }
        });
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
  std::vector<float> shown_row;
  std::vector<std::uint32_t> flips(static_cast<std::size_t>(data.NChar));
  frame.Run(out, false, [&] {
    writer.Header(data.NOtu, data.NChar);
    // One draw for every cell, missing ones included. A flipped missing cell stays missing,
    // and a cell that is neither 0 nor 1 is written unchanged, so every cell gives one token.
    WithLocalSource(source, [&](UniformSource& draws) {
      if (BitsWriteAsValues(missing)) {
        WriteShownRows(data, writer, shown_row, [&](const float* row, float* shown) {
          NoiseRow(row, data.NChar, cut, draws, flips.data(), shown);
        });
      } else {
        WriteTokenRows(data, writer, [&](float value) {
          const bool flip = draws.BelowCut(cut);
          if (flip && value != missing && value == 0.0f) {
            writer.Token(" 1");
          } else if (flip && value != missing && value == 1.0f) {
            writer.Token(" 0");
          } else {
            writer.Value(value);
          }
        });
      }
    });
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
