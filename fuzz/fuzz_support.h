// What every reader fuzz target shares: a fresh data set per input with a memory limit that
// keeps huge declared counts cheap, a check of what a successful read produced, and the writers
// run over it into an output that discards everything.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>

#include "dataset/data_set.h"
#include "dataset/errors.h"
#include "dataset/text_sink.h"
#include "formats/data_writer.h"

namespace marbleset::fuzz {

// Far below the fuzzer's memory limit: a header declaring more fails as a file too large for
// memory, which is the reader's answer and not a finding.
inline constexpr std::uint64_t kMemoryLimit = 16u << 20;

// A stream buffer that accepts every byte and keeps none, so writers run at full speed.
class DiscardBuffer : public std::streambuf {
 protected:
  int_type overflow(int_type c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

inline DataSet FreshDataSet() {
  DataSet data;
  data.SetMemoryLimit(kMemoryLimit);
  return data;
}

inline std::string TextOf(const std::uint8_t* bytes, std::size_t size) {
  return std::string(reinterpret_cast<const char*>(bytes), size);
}

// A successful read must give one name per OTU and bit planes whose padding bits are 0 and whose
// state-1 and missing bits never meet; anything else would mislead later commands.
inline void CheckPlanes(const DataSet& data) {
  if (data.otuNames.size() != data.OtuCount()) __builtin_trap();
  if (!data.IsBinary()) return;
  const std::size_t words = data.WordsPerRow();
  if (words != (data.CharCount() + 63) / 64) __builtin_trap();
  const std::size_t tail = data.CharCount() % 64;
  const std::uint64_t padding = tail == 0 ? 0 : ~((std::uint64_t{1} << tail) - 1);
  for (std::size_t i = 0; i < data.OtuCount(); ++i) {
    const std::uint64_t* ones = data.OnesRow(i);
    const std::uint64_t* missing = data.MissingRow(i);
    for (std::size_t w = 0; w < words; ++w) {
      if ((ones[w] & missing[w]) != 0) __builtin_trap();
    }
    if (words > 0 && ((ones[words - 1] | missing[words - 1]) & padding) != 0) __builtin_trap();
  }
}

// A PHYLIP or NTSYS read also keeps each name within the 12-character field (or shorter, for
// a PHYLIP row whose first item was short).
inline void CheckReadResult(const DataSet& data) {
  for (const std::string& name : data.otuNames) {
    if (name.size() > 12) __builtin_trap();
  }
  CheckPlanes(data);
}

// A cell as a comparison sees it: missing, or its value.
inline bool SameCell(const DataSet& a, const DataSet& b, std::size_t otu, std::size_t character) {
  if (a.IsMissing(otu, character) != b.IsMissing(otu, character)) return false;
  return a.IsMissing(otu, character) || a.Value(otu, character) == b.Value(otu, character);
}

// Both writers over the data just read; small enough data only, to keep executions fast (a
// header of 0 OTUs by 10^10 characters reads at once, and its NTSYS layout has 10^10 lines).
inline bool SmallEnoughToWrite(const DataSet& data) {
  if (data.OtuCount() > 10'000 || data.CharCount() > 100'000) return false;
  return data.OtuCount() * data.CharCount() <= 1'000'000;
}

inline void WriteBothLayouts(const DataSet& data) {
  if (!SmallEnoughToWrite(data)) return;
  DiscardBuffer discard;
  std::ostream out(&discard);
  TextSink sink(out, "discard");
  WritePhylipData(data, sink);
  WriteNtsysData(data, sink);
  sink.Flush();
}

}  // namespace marbleset::fuzz
