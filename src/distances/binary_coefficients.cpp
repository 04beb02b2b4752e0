#include "distances/binary_coefficients.h"

namespace marbleset {

namespace {

// Running values of one cell; counts may be fractional, so they are doubles. n holds whole
// numbers only, exact in a double for any number of characters.
struct BinaryTally {
  double a = 0;  // 1-1 matches
  double d = 0;  // 0-0 matches
  double m = 0;  // mismatches
  double n = 0;  // characters counted
};

// One character where one entry is 1 and the other missing.
void OneAgainstMissing(MissingPolicy policy, float pm, int q, BinaryTally& t) {
  switch (policy) {
    case MissingPolicy::kZero:
      t.m += 1;
      break;
    case MissingPolicy::kHalf:
      t.a += 0.5;
      t.m += 0.5;
      break;
    case MissingPolicy::kOne:
      t.a += 1;
      break;
    case MissingPolicy::kMarkerMean:
      t.a += pm;
      t.m += 1.0 - pm;
      break;
    case MissingPolicy::kMarkerMode:
      t.a += q;
      t.m += 1 - q;
      break;
    default:
      t.n -= 1;
      break;
  }
}

// One character where one entry is 0 and the other missing.
void ZeroAgainstMissing(MissingPolicy policy, float pm, int q, BinaryTally& t) {
  switch (policy) {
    case MissingPolicy::kZero:
      t.d += 1;
      break;
    case MissingPolicy::kHalf:
      t.d += 0.5;
      t.m += 0.5;
      break;
    case MissingPolicy::kOne:
      t.m += 1;
      break;
    case MissingPolicy::kMarkerMean:
      t.m += pm;
      t.d += 1.0 - pm;
      break;
    case MissingPolicy::kMarkerMode:
      t.m += q;
      t.d += 1 - q;
      break;
    default:
      t.n -= 1;
      break;
  }
}

// One character where both entries are missing.
void BothMissing(MissingPolicy policy, float pm, int q, BinaryTally& t) {
  switch (policy) {
    case MissingPolicy::kZero:
      t.d += 1;
      break;
    case MissingPolicy::kHalf:
      t.a += 0.25;
      t.d += 0.25;
      t.m += 0.5;
      break;
    case MissingPolicy::kOne:
      t.a += 1;
      break;
    case MissingPolicy::kMarkerMean:
      t.a += static_cast<double>(pm) * pm;
      t.d += (1.0 - pm) * (1.0 - pm);
      t.m += 2.0 * pm * (1.0 - pm);
      break;
    case MissingPolicy::kMarkerMode:
      t.a += q;
      t.d += 1 - q;
      break;
    default:
      t.n -= 1;
      break;
  }
}

}  // namespace

CellValue BinaryCellValue(const DataSet& data, std::size_t i, std::size_t j,
                          const DistanceSettings& settings, const MarkerStatistics& stats) {
  double similarity = 1.0;
  if (i != j) {
    BinaryTally t;
    for (std::size_t k = 0; k < data.CharCount(); ++k) {
      const EntryKind x = KindOf(data, i, k);
      const EntryKind y = KindOf(data, j, k);
      t.n += 1;
      const float pm = stats.mean[k];
      const int q = stats.mode[k];
      if (x == EntryKind::kOne && y == EntryKind::kOne) {
        t.a += 1;
      } else if (x == EntryKind::kZero && y == EntryKind::kZero) {
        t.d += 1;
      } else if ((x == EntryKind::kOne && y == EntryKind::kZero) ||
                 (x == EntryKind::kZero && y == EntryKind::kOne)) {
        t.m += 1;
      } else if ((x == EntryKind::kOne && y == EntryKind::kMissing) ||
                 (x == EntryKind::kMissing && y == EntryKind::kOne)) {
        OneAgainstMissing(settings.policy, pm, q, t);
      } else if ((x == EntryKind::kZero && y == EntryKind::kMissing) ||
                 (x == EntryKind::kMissing && y == EntryKind::kZero)) {
        ZeroAgainstMissing(settings.policy, pm, q, t);
      } else if (x == EntryKind::kMissing && y == EntryKind::kMissing) {
        BothMissing(settings.policy, pm, q, t);
      }
    }
    if (t.n <= 0) return {0, CellProblem::kNoCharacterUsed};
    similarity = BinarySimilarity(settings.coefficient, t.a, t.d, t.m, t.n);
  }
  return {settings.distances ? 1.0 - similarity : similarity, CellProblem::kNone};
}

}  // namespace marbleset
