// What the reliability tests share: a scratch folder, whole-file reads and writes, an output
// that discards everything, and a snapshot that tells whether a data set changed at all.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "dataset/data_set.h"

namespace marbleset::testing {

// A folder of its own under the system's temporary folder, removed with everything in it.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "marbleset-reliability-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Accepts every byte and keeps none: the writers run at full speed without a disk behind them.
class DiscardBuffer : public std::streambuf {
 public:
  std::size_t written() const { return written_; }

 protected:
  int_type overflow(int_type c) override {
    ++written_;
    return traits_type::not_eof(c);
  }
  std::streamsize xsputn(const char*, std::streamsize n) override {
    written_ += static_cast<std::size_t>(n);
    return n;
  }

 private:
  std::size_t written_ = 0;
};

// Everything a data set holds, the whole matrix included, so that a command that must leave
// it alone can be checked to have touched nothing, not even cells beyond the counts.
struct DataSetSnapshot {
  explicit DataSetSnapshot(const DataSet& data)
      : NOtu(data.NOtu),
        NChar(data.NChar),
        OtuName(data.OtuName),
        MissingValue(data.MissingValue),
        Quantitative(data.Quantitative),
        MultiSet(data.MultiSet),
        DataFileName(data.DataFileName),
        DataDir(data.DataDir),
        cells(Cells(data)) {}

  bool SameAs(const DataSet& data) const {
    return NOtu == data.NOtu && NChar == data.NChar && OtuName == data.OtuName &&
           MissingValue == data.MissingValue && Quantitative == data.Quantitative &&
           MultiSet == data.MultiSet && DataFileName == data.DataFileName &&
           DataDir == data.DataDir && cells == Cells(data);
  }

  static std::vector<float> Cells(const DataSet& data) {
    const float* first = data.Row(0);
    const float* last = data.Row(kMaxOtu) + kMaxChar + 1;
    return std::vector<float>(first, last);
  }

  int16_t NOtu, NChar;
  std::vector<std::string> OtuName;
  float MissingValue;
  int16_t Quantitative, MultiSet;
  std::string DataFileName, DataDir;
  std::vector<float> cells;
};

}  // namespace marbleset::testing
