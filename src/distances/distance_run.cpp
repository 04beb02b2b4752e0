#include "distances/distance_run.h"

#include "dataset/errors.h"
#include "dataset/item_reader.h"
#include "dataset/phylip_reader.h"
#include "distances/fast_matrix_pass.h"

namespace marbleset {

const std::vector<std::string_view>& CoefficientNames(bool quantitative) {
  static const std::vector<std::string_view> binary{"Matching", "Jaccard", "Nei"};
  static const std::vector<std::string_view> quant{"Matching", "Euclidean", "Tax. distance",
                                                   "Correlation"};
  return quantitative ? quant : binary;
}

const std::vector<std::string_view>& MissingPolicyNames(bool quantitative) {
  static const std::vector<std::string_view> binary{"0",           "0.5",         "1",
                                                    "Marker mean", "Marker mode", "Ignore"};
  static const std::vector<std::string_view> quant{"0", "Marker mean", "Marker mode", "Ignore"};
  return quantitative ? quant : binary;
}

void DistanceMatrixPass(const DataSet& data, const DistanceSettings& settings, TextSink& out,
                        int data_set_number) {
  FastMatrixPass(data, settings, out, data_set_number, kernels::BestKernels());
}

void DistanceRunSingle(const DataSet& data, const DistanceSettings& settings,
                       const std::string& output_path) {
  DistanceSettings single = settings;
  single.averaging = false;  // averaging is offered for files of several data sets only
  OutputFile file(output_path);
  DistanceMatrixPass(data, single, file.sink());
  file.Close();
}

void DistanceRunMulti(DataSet& data, const DistanceSettings& settings,
                      const std::string& output_path, Progress& progress) {
  progress.Start("Calculating distances");
  progress.Advance(0);
  ItemReader in = ItemReader::OpenFile(data.DataFileName);
  OutputFile file(output_path);
  DistanceRunMulti(data, settings, in, file.sink(), progress);
  file.Close();
}

void DistanceRunMulti(DataSet& data, const DistanceSettings& settings, ItemReader& in,
                      TextSink& out, Progress& progress) {
  ReadStatus status = ReadStatus::kOk;
  int number = 0;
  while (!in.AtEnd() && status == ReadStatus::kOk) {
    const double length = static_cast<double>(in.Length());
    if (length > 0) progress.Advance((static_cast<double>(in.Position()) + 1) / length * 100);
    ++number;
    try {
      status = data.Quantitative == 0 ? ReadPhylipBinary(in, data) : ReadPhylipQuant(in, data);
    } catch (const ReadFailure& e) {
      out.Flush();
      throw ReadFailure("Data set " + std::to_string(number) + " of " + in.name() +
                        " could not be read: " + e.what());
    }
    // A data set that ends early is where the file's usable part ends: the matrices before it
    // are the run's result.
    if (status != ReadStatus::kOk) break;
    DistanceMatrixPass(data, settings, out, number);
  }
}

}  // namespace marbleset
