#include "dataset/read_status.h"

namespace marbleset {

namespace {
constexpr std::string_view kOffer = " Open in Notepad?";
}

std::string_view ReadStatusMessage(ReadStatus status) {
  switch (status) {
    case ReadStatus::kOk:
      return "";
    case ReadStatus::kNoDeclarations:
      return "Can't find declarations. Open in Notepad?";
    case ReadStatus::kNoOtuCount:
      return "Can't find #otu declaration. Open in Notepad?";
    case ReadStatus::kNoCharCount:
      return "Can't find #chararcters declaration. Open in Notepad?";
    case ReadStatus::kDataIncomplete:
      return "Error reading data. Open in Notepad?";
    case ReadStatus::kWrongMatrixType:
      return "Wrong matrix type. Open in Notepad?";
    case ReadStatus::kLabelsIncomplete:
      return "Error reading OTU names. Open in Notepad?";
  }
  return "";
}

std::string_view ReadStatusFinding(ReadStatus status) {
  std::string_view message = ReadStatusMessage(status);
  if (message.ends_with(kOffer)) message.remove_suffix(kOffer.size());
  return message;
}

}  // namespace marbleset
