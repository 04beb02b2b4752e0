#include "pictures/otu_groups.h"

#include <cerrno>
#include <fstream>
#include <map>

#include "dataset/errors.h"
#include "dataset/platform.h"

namespace marbleset::pictures {

namespace {

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  const std::size_t last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

std::size_t GroupIndex(OtuGroups& groups, const std::string& name) {
  for (std::size_t k = 0; k < groups.names.size(); ++k) {
    if (groups.names[k] == name) return k;
  }
  groups.names.push_back(name);
  return groups.names.size() - 1;
}

}  // namespace

OtuGroups GroupsByPrefix(const std::vector<std::string>& otuNames, std::size_t length) {
  OtuGroups groups;
  for (const std::string& name : otuNames) {
    const std::string prefix = Trimmed(name).substr(0, length);
    groups.groupOf.push_back(prefix.empty() ? kNoGroup : GroupIndex(groups, prefix));
  }
  return groups;
}

OtuGroups ReadOtuGroups(std::istream& in, const std::string& inputName,
                        const std::vector<std::string>& otuNames) {
  std::map<std::string, std::string> groupOfName;
  std::vector<std::string> order;  // group names in the order the file gives them
  std::string line;
  for (std::size_t lineNumber = 1; std::getline(in, line); ++lineNumber) {
    const std::string text = Trimmed(line);
    if (text.empty() || text.front() == '#') continue;
    std::size_t cut = text.find('\t');
    if (cut == std::string::npos) cut = text.find(',');
    if (cut == std::string::npos) cut = text.find_last_of(' ');
    const std::string name = cut == std::string::npos ? text : Trimmed(text.substr(0, cut));
    const std::string group = cut == std::string::npos ? "" : Trimmed(text.substr(cut + 1));
    if (name.empty() || group.empty()) {
      throw ReadFailure(ReadProblem::kNotTheLayout, InputPlace{inputName, 0, lineNumber},
                        "a line needs an OTU name and a group, separated by a tab, a comma "
                        "or a blank.");
    }
    groupOfName[name] = group;
    order.push_back(group);
  }
  if (in.bad())
    throw ReadFailure(ReadProblem::kUnreadable, InputPlace{inputName}, SystemReason(errno));
  OtuGroups groups;
  // Groups take their colours in the file's order, whichever OTU comes first in the matrix.
  for (const std::string& group : order) GroupIndex(groups, group);
  std::vector<bool> used(groups.names.size(), false);
  for (const std::string& otuName : otuNames) {
    const auto found = groupOfName.find(Trimmed(otuName));
    if (found == groupOfName.end()) {
      groups.groupOf.push_back(kNoGroup);
      continue;
    }
    const std::size_t index = GroupIndex(groups, found->second);
    used[index] = true;
    groups.groupOf.push_back(index);
  }
  // Groups no OTU of the matrix belongs to are left out of the legend.
  OtuGroups kept;
  std::vector<std::size_t> newIndex(groups.names.size(), kNoGroup);
  for (std::size_t k = 0; k < groups.names.size(); ++k) {
    if (!used[k]) continue;
    newIndex[k] = kept.names.size();
    kept.names.push_back(groups.names[k]);
  }
  for (const std::size_t group : groups.groupOf) {
    kept.groupOf.push_back(group == kNoGroup ? kNoGroup : newIndex[group]);
  }
  return kept;
}

OtuGroups ReadOtuGroupFile(const std::string& path, const std::vector<std::string>& otuNames) {
  std::ifstream in(platform::FilePath(path), std::ios::binary);
  if (!in) throw ReadFailure(ReadProblem::kUnreadable, InputPlace{path}, SystemReason(errno));
  return ReadOtuGroups(in, path, otuNames);
}

}  // namespace marbleset::pictures
