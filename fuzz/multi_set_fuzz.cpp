// Fuzz target: the multi-set distance run. Data sets are read one after another from one
// input, as binary or quantitative data, each going through a distance pass into a discarding
// output, until the input ends or a data set cannot be read.
//
// The first byte chooses the run: bit 0 the kind, bits 1-3 the coefficient, bits 4-6 the
// missing-data policy (each taken modulo the number offered for the kind), bit 7 distances or
// similarities; the second byte's bit 0 averaging.
#include "dataset/progress.h"
#include "distances/distance_run.h"
#include "distances/distance_settings.h"
#include "formats/item_reader.h"
#include "fuzz_support.h"

namespace {

marbleset::DistanceSettings SettingsOf(std::uint8_t choice, std::uint8_t more,
                                       marbleset::DataKind kind) {
  const auto coefficients = marbleset::CoefficientsFor(kind);
  const auto policies = marbleset::MissingPoliciesFor(kind);
  marbleset::DistanceSettings settings;
  settings.coefficient = coefficients[((choice >> 1) & 7) % coefficients.size()];
  settings.policy = policies[((choice >> 4) & 7) % policies.size()];
  settings.distances = (choice & 0x80) != 0;
  settings.averaging = (more & 1) != 0;
  return settings;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  using namespace marbleset;
  if (size < 2) return 0;
  const DataKind kind = (bytes[0] & 1) != 0 ? DataKind::kQuantitative : DataKind::kBinary;
  DataSet loaded = fuzz::FreshDataSet();
  loaded.Resize(kind, 0, 0,
                kind == DataKind::kBinary ? kBinaryMissingValue : kQuantitativeMissingValue);
  const DistanceSettings settings = SettingsOf(bytes[0], bytes[1], kind);
  fuzz::DiscardBuffer discard;
  std::ostream out(&discard);
  TextSink sink(out, "discard");
  NoProgress progress;
  try {
    ItemReader in = ItemReader::FromText(fuzz::TextOf(bytes + 2, size - 2), "fuzz_multi.phy");
    DistanceRunMulti(loaded, settings, in, sink, progress);
  } catch (const Failure&) {
    // A data set that cannot be read or a cell without a value: the run's own reports.
  }
  // The loaded data set is never the run's scratch space.
  if (loaded.OtuCount() != 0 || loaded.CharCount() != 0 || loaded.Kind() != kind) {
    __builtin_trap();
  }
  return 0;
}
