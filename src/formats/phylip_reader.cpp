#include "formats/phylip_reader.h"

#include <algorithm>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <array>
#include <string>
#include <type_traits>

#include "dataset/errors.h"
#include "dataset/fast_number.h"
#include "dataset/numeric_value.h"
#include "formats/header_scan.h"

namespace marbleset {

namespace {

constexpr std::size_t kNameField = 12;

struct Header {
  std::uint64_t otus = 0;
  std::uint64_t characters = 0;
};

// The header's two counts. The data set is sized only once both were found: a header that is
// itself faulty is reported as such, whatever it declares.
ReadStatus ReadPhylipHeader(ItemReader& in, Header& header) {
  ReadStatus status = ReadStatus::kOk;
  const std::string token = detail::ScanHeader(in, status);
  if (status != ReadStatus::kOk) return status;
  std::size_t k = 0;
  const detail::Field otus = detail::ScanField(token, k);
  if (otus.ranOut) return ReadStatus::kNoOtuCount;
  header.otus = detail::HeaderCount(in, otus.piece);
  const detail::Field characters = detail::ScanField(token, k);
  if (characters.ranOut && !(characters.value > 0.0)) return ReadStatus::kNoCharCount;
  header.characters = detail::HeaderCount(in, characters.piece);
  return ReadStatus::kOk;
}

std::string OtuPlace(const ItemReader& in, const DataSet& data, std::size_t otu) {
  return "OTU " + std::to_string(otu + 1) + " (\"" + detail::QuotedItem(data.otuNames[otu]) +
         "\") of data set " + std::to_string(in.DataSetNumber());
}

// Each byte of binary data: bit 0 set for a value, bit 1 for state 1, bit 2 for missing.
constexpr std::array<std::uint8_t, 256> kBinaryClass = [] {
  std::array<std::uint8_t, 256> table{};
  table['0'] = 1;
  table['1'] = 1 | 2;
  table['?'] = 1 | 4;
  return table;
}();

// Fills one OTU's bit planes from the left. The bits of 64 cells gather in two registers and
// reach memory once per word, so the loop over the text never reads or writes the planes per
// cell. Values beyond the row's last character are counted but dropped.
class BitRowFiller {
 public:
  BitRowFiller(DataSet& data, std::size_t otu)
      : ones_(data.OnesRow(otu)),
        missing_(data.MissingRow(otu)),
        words_(data.WordsPerRow()),
        characters_(data.CharCount()) {}

  // Takes the binary values of text; returns how many there were.
  std::size_t Take(std::string_view text) {
    const std::size_t before = Count();
    Bits bits{0, 0, bit_};
    const char* p = text.data();
    const char* const end = p + text.size();
#if defined(__SSE2__)
    // Sixteen bytes at a time while they hold values in every byte ("0110") or in every other
    // byte (" 0 1 ? 1", the way files are written): the value bits are then gathered by
    // masks instead of byte by byte. Any other mixture goes through the byte loop.
    const __m128i zero = _mm_set1_epi8('0');
    const __m128i one = _mm_set1_epi8('1');
    const __m128i question = _mm_set1_epi8('?');
    while (end - p >= 16) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      const auto ones = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, one)));
      const auto missing =
          static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, question)));
      const unsigned values =
          ones | missing | static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, zero)));
      if (values == 0xFFFF) {
        Append(bits, ones, missing, 16);
      } else if (values == 0xAAAA) {
        Append(bits, EvenBits(ones >> 1), EvenBits(missing >> 1), 8);
      } else if (values == 0x5555) {
        Append(bits, EvenBits(ones), EvenBits(missing), 8);
      } else {
        TakeBytes(bits, p, p + 16);
      }
      p += 16;
    }
#endif
    TakeBytes(bits, p, end);
    bit_ = bits.bit;
    Store(bits.ones, bits.missing);  // the part-word so far; later values of it are ORed in
    return Count() - before;
  }

  // Clears the bits of values beyond the last character, which must stay 0.
  void Finish() {
    const std::size_t tail = characters_ % 64;
    if (tail == 0 || words_ == 0) return;
    const std::uint64_t keep = (std::uint64_t{1} << tail) - 1;
    ones_[words_ - 1] &= keep;
    missing_[words_ - 1] &= keep;
  }

 private:
  // The word being filled: its bits so far, and the next bit.
  struct Bits {
    std::uint64_t ones;
    std::uint64_t missing;
    unsigned bit;
  };

  void TakeBytes(Bits& bits, const char* p, const char* end) {
    for (; p != end; ++p) {
      const unsigned cls = kBinaryClass[static_cast<unsigned char>(*p)];
      bits.ones |= static_cast<std::uint64_t>((cls >> 1) & 1) << bits.bit;
      bits.missing |= static_cast<std::uint64_t>(cls >> 2) << bits.bit;
      bits.bit += cls & 1;
      if (bits.bit == 64) {
        Store(bits.ones, bits.missing);
        ++word_;
        bits = Bits{0, 0, 0};
      }
    }
  }

  // Appends count (at most 16) values whose state-1 and missing bits are given.
  void Append(Bits& bits, std::uint64_t ones, std::uint64_t missing, unsigned count) {
    bits.ones |= ones << bits.bit;
    bits.missing |= missing << bits.bit;
    bits.bit += count;
    if (bits.bit < 64) return;
    Store(bits.ones, bits.missing);
    ++word_;
    // bits.bit was above 48 before, so the shift is between 1 and 15.
    const unsigned used = 64 - (bits.bit - count);
    bits.bit -= 64;
    bits.ones = ones >> used;
    bits.missing = missing >> used;
  }

  // The bits 0, 2, 4, ..., 14 of x, packed into bits 0 to 7.
  static unsigned EvenBits(unsigned x) {
    x &= 0x5555;
    x = (x | (x >> 1)) & 0x3333;
    x = (x | (x >> 2)) & 0x0F0F;
    return (x | (x >> 4)) & 0x00FF;
  }

  std::size_t Count() const {
    return word_ * 64 + bit_;
  }
  void Store(std::uint64_t ones, std::uint64_t missing) {
    if (word_ >= words_) return;
    ones_[word_] |= ones;
    missing_[word_] |= missing;
  }

  std::uint64_t* ones_;
  std::uint64_t* missing_;
  std::size_t words_;
  std::size_t characters_;
  std::size_t word_ = 0;
  unsigned bit_ = 0;
};

// Quantitative values of one OTU, from the left; values beyond the last character are counted
// but dropped.
class FloatRowFiller {
 public:
  FloatRowFiller(const ItemReader& in, DataSet& data, std::size_t otu)
      : in_(in), data_(data), otu_(otu), row_(data.Row(otu)), characters_(data.CharCount()) {}

  // Pieces cut at spaces and tabs; a piece with a digit is a number, one with a question mark
  // a missing entry, one with both gives the number and then the missing entry.
  std::size_t Take(std::string_view text) {
    const std::size_t before = count_;
    detail::ForEachPiece(text, [&](std::string_view piece) {
      float value;
      const FastNumber fast = FastStoredValue(piece, value);
      if (fast == FastNumber::kNone) return;
      if (fast == FastNumber::kValue) {
        Store(value);
        return;
      }
      if (ContainsDigit(piece)) {
        if (!detail::ToStoredValue(piece, value)) {
          detail::ValueTooLarge(in_, piece, OtuPlace(in_, data_, otu_));
        }
        Store(value);
      }
      if (ContainsQuestionMark(piece)) Store(data_.MissingValue());
    });
    return count_ - before;
  }
  void Finish() {}

 private:
  void Store(float value) {
    if (count_ < characters_) row_[count_] = value;
    ++count_;
  }

  const ItemReader& in_;
  const DataSet& data_;
  std::size_t otu_;
  float* row_;
  std::size_t characters_;
  std::size_t count_ = 0;
};

void Report(ReadReport* report, const ItemReader& in, const DataSet& data, std::size_t otu,
            std::size_t valuesRead, std::string_view item, bool binary) {
  if (report == nullptr) return;
  report->dataSet = in.DataSetNumber();
  report->ntsys = false;
  report->otu = otu + 1;
  std::string_view name = data.otuNames[otu];
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  report->otuName.assign(name);
  report->valuesRead = valuesRead;
  report->valuesExpected = data.CharCount();
  report->item = detail::QuotedItem(item);
  report->hint = detail::HintFromItem(item, binary);
}

template <typename Filler>
ReadStatus ReadPhylipDataSet(ItemReader& in, DataSet& data, DataKind kind, ReadReport* report) {
  in.BeginDataSet();
  if (report != nullptr) {
    *report = ReadReport();
    report->dataSet = in.DataSetNumber();
  }
  Header header;
  ReadStatus status = ReadPhylipHeader(in, header);
  if (status != ReadStatus::kOk) return status;
  const bool binary = kind == DataKind::kBinary;
  detail::SizeDataSet(in, data, kind, header.otus, header.characters,
                      binary ? kBinaryMissingValue : kQuantitativeMissingValue);
  const std::size_t otus = data.OtuCount();
  const std::size_t characters = data.CharCount();
  std::string_view token;  // the last item read, for the report
  for (std::size_t i = 0; i < otus && status == ReadStatus::kOk; ++i) {
    Filler filler = [&] {
      if constexpr (std::is_same_v<Filler, BitRowFiller>) {
        return BitRowFiller(data, i);
      } else {
        return FloatRowFiller(in, data, i);
      }
    }();
    std::size_t j = 0;
    bool firstItem = true;
    std::uint64_t progress = in.Position();
    while (j < characters && status == ReadStatus::kOk) {
      if (in.AtEnd()) {
        Report(report, in, data, i, j, token, binary);
        throw ReadFailure(ReadProblem::kCutShort, InputPlace{in.name()},
                          "the file ended inside the data of " + OtuPlace(in, data, i) +
                              ", after " + std::to_string(j) + " of " + std::to_string(characters) +
                              " values.");
      }
      token = in.NextItem();
      std::size_t taken;
      if (firstItem) {
        const std::size_t nameLength = std::min(token.size(), kNameField);
        data.otuNames[i].assign(token.substr(0, nameLength));
        taken = filler.Take(token.substr(nameLength));
      } else {
        taken = filler.Take(token);
      }
      j += taken;
      if (taken > 0) {
        progress = in.Position();
      } else {
        in.CheckSearch(progress, [&] { return "no further value of " + OtuPlace(in, data, i); });
      }
      if (in.AtEnd() && i + 1 < otus) {
        status = ReadStatus::kDataIncomplete;
        Report(report, in, data, i, std::min(j, characters), token, binary);
      }
      firstItem = false;
    }
    filler.Finish();
  }
  return status;
}

}  // namespace

ReadStatus ReadPhylipBinary(ItemReader& in, DataSet& data, ReadReport* report) {
  return ReadPhylipDataSet<BitRowFiller>(in, data, DataKind::kBinary, report);
}

ReadStatus ReadPhylipQuant(ItemReader& in, DataSet& data, ReadReport* report) {
  return ReadPhylipDataSet<FloatRowFiller>(in, data, DataKind::kQuantitative, report);
}

bool FurtherDataSetFollows(ItemReader& in) {
  const std::uint64_t start = in.Position();
  while (!in.AtEnd()) {
    in.CheckSearch(start,
                   [] { return std::string("no further data set and no end of the input"); });
    if (NumericValue(in.NextItem()) != 0.0) {
      in.PutBack();  // the header, for the reader of the next data set
      return true;
    }
  }
  return false;
}

}  // namespace marbleset
