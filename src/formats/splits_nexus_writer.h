// Weighted splits written as NEXUS: a TAXA block and a SPLITS block (weights, the fit and the
// circular ordering when the splits have one), the file SplitsTree opens as a network and R's
// phangorn reads with read.nexus.splits.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "dataset/text_sink.h"

namespace marbleset {

struct WeightedSplits {
  std::vector<std::string> names;
  // The OTUs around the circle when every split cuts it twice; empty otherwise.
  std::vector<std::size_t> cycle;
  // For each split the OTUs of one side (either side; the file lists the side without the
  // first OTU), counted from 0.
  std::vector<std::vector<std::size_t>> sides;
  std::vector<double> weights;
  double fit = -1;  // the least-squares fit in percent; negative when not known
};

void WriteSplitsNexus(const WeightedSplits& splits, TextSink& out);

}  // namespace marbleset
