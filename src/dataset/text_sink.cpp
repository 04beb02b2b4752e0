#include "dataset/text_sink.h"

#include <cerrno>

#include "dataset/errors.h"

namespace marbleset {

namespace {
constexpr std::size_t kBufferSize = 1 << 16;

[[noreturn]] void RaiseWriteFailure(const std::string& name, int error_number) {
  if (error_number == 0) throw WriteFailure(name, "the output could not be written");
  throw WriteFailure(name, SystemReason(error_number));
}
}  // namespace

TextSink::TextSink(std::ostream& out, std::string name)
    : out_(out), name_(std::move(name)), buffer_(kBufferSize) {}

TextSink::~TextSink() {
  try {
    Flush();
  } catch (const Failure&) {
  }
}

void TextSink::MakeRoom(std::size_t n) {
  Drain();
  if (n > buffer_.size()) buffer_.resize(n);
}

void TextSink::Drain() {
  if (used_ == 0) return;
  errno = 0;
  out_.write(buffer_.data(), static_cast<std::streamsize>(used_));
  handedOn_ += used_;
  used_ = 0;
  if (!out_) RaiseWriteFailure(name_, errno);
}

void TextSink::Flush() {
  Drain();
  errno = 0;
  out_.flush();
  if (!out_) RaiseWriteFailure(name_, errno);
}

}  // namespace marbleset
