#include "distances/cell_problem.h"

namespace marbleset {

std::string OtuLabel(const DataSet& data, std::size_t otu) {
  const std::string& field = data.otuNames[otu];
  const auto first = field.find_first_not_of(" \t");
  if (first == std::string::npos) return "number " + std::to_string(otu + 1);
  const auto last = field.find_last_not_of(" \t");
  return field.substr(first, last - first + 1);
}

std::string CellFailureText(const DataSet& data, const DistanceSettings& settings,
                            const CellFailure& failure, int dataSetNumber) {
  const std::string first = "OTU " + OtuLabel(data, failure.row);
  const std::string second = "OTU " + OtuLabel(data, failure.column);
  const bool ignoring = settings.policy == MissingPolicy::kIgnore;
  std::string text(CoefficientName(settings.coefficient));
  text += " between " + first + " and " + second;
  if (dataSetNumber > 0) text += " of data set " + std::to_string(dataSetNumber);
  text += " cannot be computed: ";
  const std::string used = ignoring ? " at the characters where both OTUs have values" : "";
  switch (failure.problem) {
    case CellProblem::kNoCharacterUsed:
      text += ignoring ? "no character has values for both OTUs." : "there are no characters.";
      break;
    case CellProblem::kFirstOtuConstant:
      text += "the values of " + first + " are all equal" + used + ".";
      break;
    case CellProblem::kSecondOtuConstant:
      text += "the values of " + second + " are all equal" + used + ".";
      break;
    case CellProblem::kFirstOtuTooClose:
      text += "the values of " + first + " are too close to one another" + used + ".";
      break;
    case CellProblem::kSecondOtuTooClose:
      text += "the values of " + second + " are too close to one another" + used + ".";
      break;
    case CellProblem::kNone:
      text += "no reason known.";
      break;
  }
  return text;
}

}  // namespace marbleset
