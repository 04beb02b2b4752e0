#include "pictures/amova_groups.h"

#include "dataset/errors.h"
#include "pictures/otu_groups.h"

namespace marbleset::pictures {

namespace {

// Throws Failure listing (the first few of) names that have no group in path.
void RefuseUngrouped(const OtuGroups& groups, const std::vector<std::string>& names,
                     const std::string& path, const char* what, const char* group) {
  std::string listed;
  std::size_t missing = 0;
  for (std::size_t k = 0; k < names.size(); ++k) {
    if (groups.groupOf[k] != kNoGroup) continue;
    if (++missing <= 5) listed += (listed.empty() ? "" : ", ") + names[k];
  }
  if (missing == 0) return;
  throw Failure(path + ": " + std::to_string(missing) + " " + what + " without a " + group + " (" +
                listed + (missing > 5 ? ", ..." : "") + "); give every one a " + group + ".");
}

}  // namespace

AmovaDesign ReadAmovaDesign(const std::vector<std::string>& otuNames,
                            const std::string& populationsPath, const std::string& regionsPath) {
  const OtuGroups populations = ReadOtuGroupFile(populationsPath, otuNames);
  RefuseUngrouped(populations, otuNames, populationsPath, "OTUs", "population");
  AmovaDesign design;
  design.populationNames = populations.names;
  design.populationOf = populations.groupOf;
  if (regionsPath.empty()) return design;
  const OtuGroups regions = ReadOtuGroupFile(regionsPath, populations.names);
  RefuseUngrouped(regions, populations.names, regionsPath, "populations", "region");
  design.regionNames = regions.names;
  design.regionOf = regions.groupOf;
  return design;
}

}  // namespace marbleset::pictures
