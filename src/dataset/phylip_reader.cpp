#include "dataset/phylip_reader.h"

#include <algorithm>
#include <array>
#include <string>
#include <type_traits>

#include "dataset/errors.h"
#include "dataset/fast_number.h"
#include "dataset/header_scan.h"
#include "dataset/numeric_value.h"

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
    std::uint64_t ones = 0;
    std::uint64_t missing = 0;
    unsigned bit = bit_;
    for (const char c : text) {
      const unsigned cls = kBinaryClass[static_cast<unsigned char>(c)];
      ones |= static_cast<std::uint64_t>((cls >> 1) & 1) << bit;
      missing |= static_cast<std::uint64_t>(cls >> 2) << bit;
      bit += cls & 1;
      if (bit == 64) {
        Store(ones, missing);
        ++word_;
        bit = 0;
        ones = missing = 0;
      }
    }
    bit_ = bit;
    Store(ones, missing);  // the part-word so far; later values of the word are ORed in
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
  std::size_t Count() const { return word_ * 64 + bit_; }
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
        throw ReadFailure(in.name() + ": the file ended inside the data of " +
                          OtuPlace(in, data, i) + ", after " + std::to_string(j) + " of " +
                          std::to_string(characters) + " values.");
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
