// What every reader fuzz target shares: one data set kept across runs, an output that discards
// everything, and the writers run over whatever a successful read produced.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>

#include "dataset/data_set.h"
#include "dataset/errors.h"
#include "dataset/text_sink.h"
#include "editing/data_writer.h"

namespace marbleset::fuzz {

// A stream buffer that accepts every byte and keeps none, so writers run at full speed.
class DiscardBuffer : public std::streambuf {
 protected:
  int_type overflow(int_type c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

// The data set lives as long as the process: at 20 MB, making one per input would dominate
// the run time. Its counts, names and kind are reset for every input so that a finding
// reproduces from its input alone; the old matrix values stay, as they do in the program.
inline DataSet& SharedDataSet() {
  static auto* data = new DataSet();
  data->NOtu = 0;
  data->NChar = 0;
  data->Quantitative = 0;
  data->MultiSet = 0;
  data->MissingValue = 0.0f;
  for (auto& name : data->OtuName) name.clear();
  return *data;
}

inline std::string TextOf(const std::uint8_t* bytes, std::size_t size) {
  return std::string(reinterpret_cast<const char*>(bytes), size);
}

// A successful read must give counts inside the capacity and names of the 12-character field
// (or shorter, for a PHYLIP row whose first item was short); anything else would send later
// commands out of bounds.
inline void CheckReadResult(const DataSet& data) {
  if (data.NOtu < 0 || data.NOtu > kMaxOtu || data.NChar < 0 || data.NChar > kMaxChar) {
    __builtin_trap();
  }
  for (int i = 1; i <= data.NOtu; ++i) {
    if (data.OtuName[i].size() > 12) __builtin_trap();
  }
}

// Both writers over the data just read; small enough inputs only, to keep executions fast.
inline void WriteBothLayouts(const DataSet& data) {
  DiscardBuffer discard;
  std::ostream out(&discard);
  TextSink sink(out, "discard");
  WritePhylipData(data, sink);
  WriteNtsysData(data, sink);
  sink.Flush();
}

}  // namespace marbleset::fuzz
