#include "distances/distance_settings.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

#include "dataset/errors.h"

namespace marbleset {

namespace {

constexpr std::array kBinaryCoefficients{Coefficient::kBinaryMatching, Coefficient::kJaccard,
                                         Coefficient::kNei};
constexpr std::array kQuantitativeCoefficients{Coefficient::kQuantitativeMatching,
                                               Coefficient::kEuclidean, Coefficient::kTaxDistance,
                                               Coefficient::kCorrelation};
constexpr std::array kBinaryPolicies{MissingPolicy::kZero,       MissingPolicy::kHalf,
                                     MissingPolicy::kOne,        MissingPolicy::kMarkerMean,
                                     MissingPolicy::kMarkerMode, MissingPolicy::kIgnore};
constexpr std::array kQuantitativePolicies{MissingPolicy::kZero, MissingPolicy::kMarkerMean,
                                           MissingPolicy::kMarkerMode, MissingPolicy::kIgnore};

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

template <typename T, typename NameOf>
std::optional<T> Named(std::span<const T> entries, std::string_view name, NameOf nameOf) {
  for (const T entry : entries)
    if (SameText(nameOf(entry), name)) return entry;
  return std::nullopt;
}

template <typename T>
bool Offers(std::span<const T> entries, T entry) {
  return std::find(entries.begin(), entries.end(), entry) != entries.end();
}

const char* KindText(DataKind kind) {
  return kind == DataKind::kBinary ? "binary" : "quantitative";
}

}  // namespace

std::span<const Coefficient> CoefficientsFor(DataKind kind) {
  if (kind == DataKind::kBinary) return kBinaryCoefficients;
  return kQuantitativeCoefficients;
}

std::span<const MissingPolicy> MissingPoliciesFor(DataKind kind) {
  if (kind == DataKind::kBinary) return kBinaryPolicies;
  return kQuantitativePolicies;
}

std::string_view CoefficientName(Coefficient coefficient) {
  switch (coefficient) {
    case Coefficient::kBinaryMatching:
    case Coefficient::kQuantitativeMatching:
      return "Matching";
    case Coefficient::kJaccard:
      return "Jaccard";
    case Coefficient::kNei:
      return "Nei";
    case Coefficient::kEuclidean:
      return "Euclidean";
    case Coefficient::kTaxDistance:
      return "Tax. distance";
    case Coefficient::kCorrelation:
      return "Correlation";
  }
  return "";
}

std::string_view MissingPolicyName(MissingPolicy policy) {
  switch (policy) {
    case MissingPolicy::kZero:
      return "0";
    case MissingPolicy::kHalf:
      return "0.5";
    case MissingPolicy::kOne:
      return "1";
    case MissingPolicy::kMarkerMean:
      return "Marker mean";
    case MissingPolicy::kMarkerMode:
      return "Marker mode";
    case MissingPolicy::kIgnore:
      return "Ignore";
  }
  return "";
}

std::optional<Coefficient> CoefficientNamed(DataKind kind, std::string_view name) {
  return Named(CoefficientsFor(kind), name, CoefficientName);
}

std::optional<MissingPolicy> MissingPolicyNamed(DataKind kind, std::string_view name) {
  return Named(MissingPoliciesFor(kind), name, MissingPolicyName);
}

DistanceSettings DefaultDistanceSettings(DataKind kind) {
  DistanceSettings settings;
  settings.coefficient = CoefficientsFor(kind)[0];
  settings.policy = MissingPoliciesFor(kind)[1];
  return settings;
}

void CheckDistanceSettings(const DistanceSettings& settings, DataKind kind) {
  if (!Offers(CoefficientsFor(kind), settings.coefficient))
    throw Failure("The coefficient \"" + std::string(CoefficientName(settings.coefficient)) +
                  "\" is not offered for " + KindText(kind) + " data.");
  if (!Offers(MissingPoliciesFor(kind), settings.policy))
    throw Failure("The missing-data value \"" + std::string(MissingPolicyName(settings.policy)) +
                  "\" is not offered for " + KindText(kind) + " data.");
}

}  // namespace marbleset
