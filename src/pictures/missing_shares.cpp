#include "pictures/missing_shares.h"

#include <bit>
#include <cstdint>

namespace marbleset::pictures {

MissingShares CountMissingShares(const DataSet& data) {
  const std::size_t otus = data.OtuCount();
  const std::size_t characters = data.CharCount();
  MissingShares shares;
  shares.perOtu.assign(otus, 0.0);
  std::vector<std::size_t> perCharacter(characters, 0);
  for (std::size_t otu = 0; otu < otus; ++otu) {
    std::size_t count = 0;
    if (data.IsBinary()) {
      const std::uint64_t* missing = data.MissingRow(otu);
      for (std::size_t word = 0; word < data.WordsPerRow(); ++word) {
        // Visit only the set bits: missing entries are usually few.
        for (std::uint64_t bits = missing[word]; bits != 0; bits &= bits - 1) {
          ++perCharacter[word * 64 + std::countr_zero(bits)];
          ++count;
        }
      }
    } else {
      const float* row = data.Row(otu);
      const float missingValue = data.MissingValue();
      for (std::size_t k = 0; k < characters; ++k) {
        if (row[k] == missingValue) {
          ++perCharacter[k];
          ++count;
        }
      }
    }
    shares.missingCells += count;
    if (characters > 0) shares.perOtu[otu] = static_cast<double>(count) / characters;
  }
  shares.perCharacter.resize(characters);
  for (std::size_t k = 0; k < characters; ++k) {
    shares.perCharacter[k] = otus > 0 ? static_cast<double>(perCharacter[k]) / otus : 0.0;
  }
  return shares;
}

}  // namespace marbleset::pictures
