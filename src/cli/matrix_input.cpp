#include "cli/matrix_input.h"

#include <iostream>
#include <memory>

#include "cli/cli_io.h"
#include "distances/distance_run.h"
#include "formats/distance_file_reader.h"
#include "pictures/distance_pictures.h"

namespace marbleset::cli {

void AddMatrixInputOptions(CLI::App& command, MatrixInputOptions& options) {
  command.add_flag("--distances,--distance-file", options.distanceFile,
                   "INPUT is a distance matrix as \"distances\" or PHYLIP writes it");
  AddDistanceSettingOptions(command, options.coefficient, options.missing);
}

DistanceMatrix OneMatrixOf(const InputOptions& input, std::string_view refusal) {
  std::vector<DistanceMatrix> matrices = input.IsStandardInput()
                                             ? ReadDistanceMatrices(std::cin, "standard input")
                                             : ReadDistanceMatrixFile(input.path);
  if (matrices.size() != 1)
    throw CliFailure(
        kExitUsage, InputName(input),
        "the file holds " + std::to_string(matrices.size()) + " matrices; " + std::string(refusal));
  return std::move(matrices.front());
}

InputMatrix ReadInputMatrix(const MatrixInputOptions& options, std::string_view refusal,
                            std::ostream& notes) {
  InputMatrix result;
  result.subject = options.input.IsStandardInput() ? "standard input" : options.input.path;
  if (options.distanceFile) {
    if (!options.coefficient.empty() || !options.missing.empty())
      throw CliFailure(kExitUsage, "--distances",
                       "a distance file's values are used as they are; leave out --coefficient "
                       "and --missing");
    result.matrix = pictures::AsDistances(OneMatrixOf(options.input, refusal));
    return result;
  }
  auto data = std::make_unique<DataSet>();
  LoadSingleDataSet(options.input, *data, refusal, notes);
  const DistanceSettings settings =
      NamedDistanceSettings(data->Kind(), options.coefficient, options.missing);
  result.subject += ", " + std::string(CoefficientName(settings.coefficient)) +
                    " distance (missing: " + std::string(MissingPolicyName(settings.policy)) + ")";
  NoProgress none;
  result.matrix = ComputeDistanceMatrix(*data, settings, none);
  return result;
}

}  // namespace marbleset::cli
