// What a distance run computes, in the core's own terms: the coefficient, the missing-data
// policy, similarities or distances, and averaging over the data sets of a file. The names the
// lists show, which entries each kind of data offers, and the defaults live here once; both
// front ends translate their own lists and options to and from these values.
#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "dataset/data_set.h"

namespace marbleset {

enum class Coefficient {
  kBinaryMatching,
  kJaccard,
  kNei,
  kQuantitativeMatching,
  kEuclidean,
  kTaxDistance,
  kCorrelation,
};

// How a missing entry enters a cell. kHalf, kOne are offered for binary data only.
enum class MissingPolicy { kZero, kHalf, kOne, kMarkerMean, kMarkerMode, kIgnore };

struct DistanceSettings {
  Coefficient coefficient = Coefficient::kBinaryMatching;
  MissingPolicy policy = MissingPolicy::kHalf;
  bool distances = true;   // false: similarities
  bool averaging = false;  // one mean per data set instead of a matrix (files of several)
};

// The coefficients and policies offered for a kind of data, in the order the lists show them.
std::span<const Coefficient> CoefficientsFor(DataKind kind);
std::span<const MissingPolicy> MissingPoliciesFor(DataKind kind);

// "Matching", "Jaccard", "Nei", "Euclidean", "Tax. distance", "Correlation".
std::string_view CoefficientName(Coefficient coefficient);
// "0", "0.5", "1", "Marker mean", "Marker mode", "Ignore".
std::string_view MissingPolicyName(MissingPolicy policy);

// The entry of kind's list whose name is name (case ignored), if there is one.
std::optional<Coefficient> CoefficientNamed(DataKind kind, std::string_view name);
std::optional<MissingPolicy> MissingPolicyNamed(DataKind kind, std::string_view name);

// The first coefficient and the second policy of kind's lists ("0.5", "Marker mean").
DistanceSettings DefaultDistanceSettings(DataKind kind);

// Throws Failure with a sentence naming the setting when kind's lists do not offer it.
void CheckDistanceSettings(const DistanceSettings& settings, DataKind kind);

}  // namespace marbleset
