// Saving and reading back: the readers must give the data set that was saved.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "data_builders.h"
#include "dataset/item_reader.h"
#include "dataset/ntsys_reader.h"
#include "dataset/numeric_value.h"
#include "dataset/phylip_reader.h"
#include "editing/data_writer.h"

namespace marbleset {
namespace {

using testing::Field;

enum class Kind { kBinary, kQuant };
enum class Form { kPhylip, kNtsys };

std::string Saved(const DataSet& data, Form form) {
  std::ostringstream text;
  {
    TextSink sink(text);
    if (form == Form::kPhylip) {
      WritePhylipData(data, sink);
    } else {
      WriteNtsysData(data, sink);
    }
  }
  return text.str();
}

// Reads text as the open command would, into a data set that held something else before.
std::unique_ptr<DataSet> ReadBack(std::string text, Kind kind, Form form) {
  auto data = std::make_unique<DataSet>();
  data->MissingValue = kind == Kind::kBinary ? 2.0f : -9999.0f;
  ItemReader in = ItemReader::FromText(std::move(text));
  ReadStatus status;
  if (form == Form::kPhylip) {
    status = kind == Kind::kBinary ? ReadPhylipBinary(in, *data) : ReadPhylipQuant(in, *data);
  } else {
    status = kind == Kind::kBinary ? ReadNtsysBinary(in, *data) : ReadNtsysQuant(in, *data);
  }
  EXPECT_EQ(status, ReadStatus::kOk);
  return data;
}

// Cells compared bit for bit through their values (missing entries as missing).
void ExpectSameData(const DataSet& expected, const DataSet& actual) {
  ASSERT_EQ(actual.NOtu, expected.NOtu);
  ASSERT_EQ(actual.NChar, expected.NChar);
  EXPECT_EQ(actual.MissingValue, expected.MissingValue);
  int differences = 0;
  for (int i = 1; i <= expected.NOtu; ++i) {
    EXPECT_EQ(actual.OtuName[i], expected.OtuName[i]) << "OTU " << i;
    for (int k = 1; k <= expected.NChar; ++k) {
      if (actual.Matrix(i, k) != expected.Matrix(i, k) && ++differences <= 5) {
        ADD_FAILURE() << "OTU " << i << ", character " << k << ": " << actual.Matrix(i, k)
                      << " instead of " << expected.Matrix(i, k);
      }
    }
  }
  EXPECT_EQ(differences, 0);
}

// Names of the shapes both layouts carry: 12 characters or fewer, padded, with digits, the
// states 0 1 ? and punctuation, but without blanks inside (NTSYS) and without commas or a
// leading quote (the item rule of both readers).
std::string NameFor(int i, bool inner_blanks) {
  static const std::vector<std::string> shapes = {"A",      "Z.mays-01", "123456789012", "0?1",
                                                  "x_y(z)", "O'Neil;",   "abcdefghijk",  "??"};
  std::string name = shapes[static_cast<std::size_t>(i) % shapes.size()] + std::to_string(i);
  if (inner_blanks && i % 3 == 0) name = "Sp " + std::to_string(i) + " b";
  if (name.size() > 12) name.resize(12);
  return Field(name);
}

std::unique_ptr<DataSet> FullCapacity(Kind kind, bool inner_blanks) {
  auto data = std::make_unique<DataSet>();
  std::mt19937 random(kind == Kind::kBinary ? 11 : 12);
  data->NOtu = kMaxOtu;
  data->NChar = kMaxChar;
  data->MissingValue = kind == Kind::kBinary ? 2.0f : -9999.0f;
  data->Quantitative = kind == Kind::kQuant;
  std::uniform_int_distribution<int> mantissa(-9999999, 9999999);
  std::uniform_int_distribution<int> exponent(-12, 6);
  for (int i = 1; i <= kMaxOtu; ++i) {
    data->OtuName[i] = NameFor(i, inner_blanks);
    for (int k = 1; k <= kMaxChar; ++k) {
      const unsigned draw = random() % 20;
      float value;
      if (kind == Kind::kBinary) {
        value = draw == 0 ? 2.0f : static_cast<float>(draw % 2);
      } else if (draw == 0) {
        value = -9999.0f;
      } else {
        // A decimal of 7 significant digits read as a float, as from a data file.
        const std::string text =
            std::to_string(mantissa(random)) + "E" + std::to_string(exponent(random) - 6);
        value = 0.0f;
        std::from_chars(text.data(), text.data() + text.size(), value);
      }
      data->Matrix(i, k) = value;
    }
  }
  return data;
}

TEST(RoundTrip, BinaryAtFullCapacityInBothLayouts) {
  const auto data = FullCapacity(Kind::kBinary, false);
  ExpectSameData(*data, *ReadBack(Saved(*data, Form::kPhylip), Kind::kBinary, Form::kPhylip));
  ExpectSameData(*data, *ReadBack(Saved(*data, Form::kNtsys), Kind::kBinary, Form::kNtsys));
}

TEST(RoundTrip, QuantitativeAtFullCapacityInBothLayouts) {
  const auto data = FullCapacity(Kind::kQuant, false);
  ExpectSameData(*data, *ReadBack(Saved(*data, Form::kPhylip), Kind::kQuant, Form::kPhylip));
  ExpectSameData(*data, *ReadBack(Saved(*data, Form::kNtsys), Kind::kQuant, Form::kNtsys));
}

TEST(RoundTrip, NamesWithInnerBlanksSurvivePhylipAndBecomeUnderscoredInNtsys) {
  const auto data = FullCapacity(Kind::kBinary, true);
  data->NOtu = 30;
  data->NChar = 210;
  ExpectSameData(*data, *ReadBack(Saved(*data, Form::kPhylip), Kind::kBinary, Form::kPhylip));

  // NTSYS labels are separated by single blanks, so "Sp 3 b" is saved as "Sp_3_b": the names
  // keep their places and the data rows are read as they were written.
  const auto back = ReadBack(Saved(*data, Form::kNtsys), Kind::kBinary, Form::kNtsys);
  EXPECT_EQ(back->OtuName[2], data->OtuName[2]);
  EXPECT_EQ(back->OtuName[3], Field("Sp_3_b"));
  EXPECT_EQ(back->OtuName[30], Field("Sp_30_b"));
  for (int i = 1; i <= data->NOtu; ++i) {
    for (int k = 1; k <= data->NChar; ++k) ASSERT_EQ(back->Matrix(i, k), data->Matrix(i, k));
  }
}

TEST(RoundTrip, ShortAndEmptyNames) {
  // A name held short (its line was short) comes back padded, a blank one as "_"; the values
  // stay in place.
  auto data = testing::BinaryData({"a", "b", "c"}, {"01?", "110", "?01"});
  data->OtuName[1] = "Alpha";
  data->OtuName[2] = "";
  auto back = ReadBack(Saved(*data, Form::kPhylip), Kind::kBinary, Form::kPhylip);
  EXPECT_EQ(back->OtuName[1], Field("Alpha"));
  EXPECT_EQ(back->Matrix(1, 1), 0.0f);
  EXPECT_EQ(back->Matrix(1, 3), 2.0f);
  EXPECT_EQ(back->OtuName[2], Field("_"));
  EXPECT_EQ(back->Matrix(2, 3), 0.0f);
  // An empty name becomes the label "_" in NTSYS, so the labels after it keep their places.
  back = ReadBack(Saved(*data, Form::kNtsys), Kind::kBinary, Form::kNtsys);
  EXPECT_EQ(back->OtuName[2], Field("_"));
  EXPECT_EQ(back->OtuName[3], data->OtuName[3]);
  EXPECT_EQ(back->Matrix(3, 2), 0.0f);
}

TEST(RoundTrip, NtsysTrimsNamesAndKeepsMissingCodes) {
  auto data = testing::QuantData({"Alpha", "Beta", "Gamma"},
                                 {{-3.5f, 0.25f}, {-9999.0f, 100.0f}, {1e-9f, -9999.0f}});
  data->OtuName[2] = "   Beta";  // leading blanks go: the reader pads on the right only
  data->OtuName[3] = "Gamma";    // a short field comes back padded to 12
  auto back = ReadBack(Saved(*data, Form::kNtsys), Kind::kQuant, Form::kNtsys);
  EXPECT_EQ(back->OtuName[2], Field("Beta"));
  EXPECT_EQ(back->OtuName[3], Field("Gamma"));
  EXPECT_EQ(back->MissingValue, -9999.0f);
  EXPECT_EQ(back->Matrix(2, 1), -9999.0f);
  EXPECT_EQ(back->Matrix(3, 1), 1e-9f);

  // Another code is declared in the header and comes back; a code of 0 is not declared, so the
  // reader's default takes its place.
  data->MissingValue = -1.5f;
  EXPECT_EQ(ReadBack(Saved(*data, Form::kNtsys), Kind::kQuant, Form::kNtsys)->MissingValue, -1.5f);
  data->MissingValue = 0.0f;
  EXPECT_EQ(ReadBack(Saved(*data, Form::kNtsys), Kind::kQuant, Form::kNtsys)->MissingValue,
            -9999.0f);
}

TEST(RoundTrip, EveryTokenReadsBackAsTheSameFloat) {
  // Floats that come from decimals of up to 7 significant digits survive 7 written digits;
  // so do whole numbers written in full and the extremes in exponent notation.
  std::vector<float> values = {0.25f,
                               -0.5f,
                               12345678.0f,
                               -9999999232.0f,
                               1e10f,
                               1e20f,
                               -1.5e-8f,
                               1e-5f,
                               0.0001f,
                               16777216.0f,
                               -2.5f,
                               3.402823e38f,
                               std::numeric_limits<float>::denorm_min()};
  std::mt19937 random(3);
  for (int n = 0; n < 200000; ++n) {
    const std::string text = std::to_string(static_cast<int>(random() % 20000000) - 10000000) +
                             "E" + std::to_string(static_cast<int>(random() % 80) - 50);
    float value = 0.0f;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec == std::errc()) values.push_back(value);
  }
  int lost = 0;
  for (float value : values) {
    const std::string token = ValueToken(value);
    const float back = static_cast<float>(NumericValue(token));
    if (back != value && ++lost <= 10) ADD_FAILURE() << token << " read as " << back;
  }
  EXPECT_EQ(lost, 0);

  // Floats that need more than 7 digits, like a computed third, come back a step or so away.
  const auto read_back = [](float value) {
    return static_cast<float>(NumericValue(ValueToken(value)));
  };
  EXPECT_EQ(read_back(1.0f / 3.0f), std::nextafter(1.0f / 3.0f, 0.0f));
  EXPECT_EQ(read_back(8388607.5f), 8388608.0f);
  EXPECT_NE(read_back(std::numeric_limits<float>::min()), std::numeric_limits<float>::min());
}

}  // namespace
}  // namespace marbleset
