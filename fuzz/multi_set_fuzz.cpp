// Fuzz target: the loop of the multi-set distance run. Data sets are read one after another
// from one input, as binary or quantitative data, until a finding ends the loop; each small
// data set also goes through a distance pass into a discarding output.
//
// The first byte chooses the run: bit 0 the kind, bits 1-2 the coefficient, bits 3-5 the
// missing-data policy, bit 6 distances or similarities, bit 7 averaging.
#include "dataset/item_reader.h"
#include "dataset/phylip_reader.h"
#include "distances/distance_run.h"
#include "fuzz_support.h"

namespace {

// Cells a pass may compute per data set; beyond that the read alone is exercised.
constexpr long kPassBudget = 200'000;

marbleset::DistanceSettings SettingsOf(std::uint8_t choice, bool quantitative) {
  marbleset::DistanceSettings settings;
  const int coefficients = quantitative ? 4 : 3;
  const int policies = quantitative ? 4 : 6;
  settings.coefficient = ((choice >> 1) & 3) % coefficients;
  settings.policy = ((choice >> 3) & 7) % policies;
  settings.distances = (choice & 0x40) != 0;
  settings.averaging = (choice & 0x80) != 0;
  return settings;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  using namespace marbleset;
  if (size == 0) return 0;
  DataSet& data = fuzz::SharedDataSet();
  const bool quantitative = (bytes[0] & 1) != 0;
  data.Quantitative = quantitative ? 1 : 0;
  data.MissingValue = quantitative ? -9999.0f : 2.0f;
  const DistanceSettings settings = SettingsOf(bytes[0], quantitative);
  fuzz::DiscardBuffer discard;
  std::ostream out(&discard);
  TextSink sink(out, "discard");
  try {
    ItemReader in = ItemReader::FromText(fuzz::TextOf(bytes + 1, size - 1), "fuzz_multi.phy");
    ReadStatus status = ReadStatus::kOk;
    int number = 0;
    while (!in.AtEnd() && status == ReadStatus::kOk) {
      ++number;
      status = data.Quantitative == 0 ? ReadPhylipBinary(in, data) : ReadPhylipQuant(in, data);
      if (status != ReadStatus::kOk) break;
      fuzz::CheckReadResult(data);
      const long cells = static_cast<long>(data.NOtu) * data.NOtu * (data.NChar + 1);
      if (cells > kPassBudget) continue;
      try {
        DistanceMatrixPass(data, settings, sink, number);
      } catch (const WriteFailure&) {
        // A cell without a value, or averaging over one OTU: the run's own failure report.
      }
    }
  } catch (const Failure&) {
  }
  // Whatever the loop ended on, the data set left behind must still be safe to use.
  fuzz::CheckReadResult(data);
  return 0;
}
