#include "pictures/crop_preview.h"

#include <bit>

namespace marbleset::pictures {

CropPreview PreviewCrop(const DataSet& data, const CropChoice& choice) {
  CropPreview preview;
  preview.characters.assign(data.CharCount(), false);
  preview.otus.assign(data.OtuCount(), false);
  for (std::size_t k = 0; k < data.CharCount(); ++k) {
    const bool removed = (choice.monomorphic && IsMonomorphic(data, k)) ||
                         (choice.uninformative && IsUninformative(data, k)) ||
                         (choice.charactersWithMissing && CharMissingCount(data, k) > 0);
    preview.characters[k] = removed;
    preview.characterCount += removed;
  }
  if (!choice.otusWithMissing) return preview;
  for (std::size_t otu = 0; otu < data.OtuCount(); ++otu) {
    bool removed = false;
    if (data.IsBinary()) {
      // A word of 64 characters at a time: missing entries among the characters that stay.
      const std::uint64_t* missing = data.MissingRow(otu);
      for (std::size_t word = 0; word < data.WordsPerRow() && !removed; ++word) {
        std::uint64_t bits = missing[word];
        while (bits != 0 && !removed) {
          const std::size_t k = word * 64 + static_cast<std::size_t>(std::countr_zero(bits));
          removed = !preview.characters[k];
          bits &= bits - 1;
        }
      }
    } else {
      for (std::size_t k = 0; k < data.CharCount() && !removed; ++k) {
        removed = data.IsMissing(otu, k) && !preview.characters[k];
      }
    }
    preview.otus[otu] = removed;
    preview.otuCount += removed;
  }
  return preview;
}

}  // namespace marbleset::pictures
