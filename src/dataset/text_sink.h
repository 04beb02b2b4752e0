// Buffered text output for every file the program writes.
//
// Writers, distance runs and generators append to a TextSink over any std::ostream, so tests
// compare exact bytes in a string while the program writes a file. A failed write is raised as
// a WriteFailure naming the output and the operating system's reason.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace marbleset {

inline constexpr std::string_view kLineEnd = "\r\n";

class TextSink {
 public:
  // name is how failures refer to the output (the file's path).
  explicit TextSink(std::ostream& out, std::string name = "output");
  TextSink(const TextSink&) = delete;
  TextSink& operator=(const TextSink&) = delete;
  // Flushes what is buffered; a failure there is swallowed, so call Flush() to see it.
  ~TextSink();

  void Append(std::string_view text) {
    if (text.size() > buffer_.size() - used_) MakeRoom(text.size());
    text.copy(buffer_.data() + used_, text.size());
    used_ += text.size();
  }
  void Append(char c) {
    if (used_ == buffer_.size()) MakeRoom(1);
    buffer_[used_++] = c;
  }
  void EndLine() { Append(kLineEnd); }

  // Space for at most n characters written directly; Commit(k) keeps the first k of them.
  char* Reserve(std::size_t n) {
    if (n > buffer_.size() - used_) MakeRoom(n);
    return buffer_.data() + used_;
  }
  void Commit(std::size_t k) { used_ += k; }

  // Hands everything buffered to the stream and flushes it; throws WriteFailure on error.
  void Flush();
  // Forgets what is buffered, for an output that is being discarded.
  void DropBuffered() { used_ = 0; }

  const std::string& name() const { return name_; }
  // Everything appended so far, handed on or still buffered.
  std::uint64_t BytesWritten() const { return handedOn_ + used_; }

 private:
  void MakeRoom(std::size_t n);
  void Drain();

  std::ostream& out_;
  std::string name_;
  std::vector<char> buffer_;
  std::size_t used_ = 0;
  std::uint64_t handedOn_ = 0;
};

}  // namespace marbleset

// OutputFile moved to its own header; included here for the files that still look for it here.
#include "dataset/output_file.h"  // IWYU pragma: export
