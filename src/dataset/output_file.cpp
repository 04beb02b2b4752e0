#include "dataset/output_file.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <ostream>
#include <random>
#include <streambuf>

namespace marbleset {

namespace {

// ---- The registry of live temporaries, read when the run is interrupted.
// A signal handler may only touch memory that needs no allocation or lock, so the paths sit in
// a fixed table: a slot is filled while claimed, then marked live; the handler unlinks the live
// ones. This is the one piece of global state the core keeps, because a signal reaches the
// process, not an object.
constexpr int kSlots = 64;
constexpr std::size_t kSlotPath = 4096;

struct Slot {
  std::atomic<bool> live{false};
  bool claimed = false;  // under gSlotsMutex
  char path[kSlotPath];
};

Slot gSlots[kSlots];
std::mutex gSlotsMutex;

int Register(const std::string& path) {
  const std::string absolute = platform::AbsolutePath(path);
  if (absolute.size() >= kSlotPath) return -1;
  const std::lock_guard<std::mutex> lock(gSlotsMutex);
  for (int s = 0; s < kSlots; ++s) {
    if (gSlots[s].claimed) continue;
    gSlots[s].claimed = true;
    std::memcpy(gSlots[s].path, absolute.c_str(), absolute.size() + 1);
    gSlots[s].live.store(true, std::memory_order_release);
    return s;
  }
  return -1;  // more outputs open at once than slots: only the signal cleanup misses this one
}

void Unregister(int slot) {
  if (slot < 0) return;
  gSlots[slot].live.store(false, std::memory_order_release);
  const std::lock_guard<std::mutex> lock(gSlotsMutex);
  gSlots[slot].claimed = false;
}

void RemoveLiveTemporaries() {
  for (Slot& slot : gSlots) {
    if (slot.live.load(std::memory_order_acquire)) {
      platform::RemoveFileWhenInterrupted(slot.path);
    }
  }
}

// Interruptions wait while a temporary is created and registered, or renamed and unregistered,
// so none arrives between the two steps.
using SignalsHeld = platform::InterruptionsHeld;

// ---- Writing to a file descriptor.
// The TextSink buffers 64 kB, so this buffer hands each piece straight to write(); errno stays
// as write() left it for the sink's message.
class DescriptorBuffer : public std::streambuf {
 public:
  explicit DescriptorBuffer(int fd) : fd_(fd) {}

 protected:
  std::streamsize xsputn(const char* text, std::streamsize n) override {
    std::streamsize done = 0;
    while (done < n) {
      const long wrote = platform::WriteSome(fd_, text + done, static_cast<std::size_t>(n - done));
      if (wrote < 0 && errno == EINTR) continue;
      if (wrote <= 0) {
        if (wrote == 0) errno = ENOSPC;
        break;
      }
      done += wrote;
    }
    return done;
  }
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char byte = traits_type::to_char_type(c);
    return xsputn(&byte, 1) == 1 ? c : traits_type::eof();
  }

 private:
  int fd_;
};

[[noreturn]] void Fail(const std::string& path, int errorNumber) {
  throw WriteFailure(path, SystemReason(errorNumber));
}

std::string FolderOfPath(const std::string& path) {
  const auto slash = platform::LastSeparator(path);
  if (slash == std::string::npos) return {};
  return path.substr(0, slash + 1);  // with the separator, so "/x" gives "/"
}

// ".<name>.marbleset-" and six random letters or digits.
std::string TemporaryName(const std::string& target) {
  static std::mutex mutex;
  static std::mt19937_64 random(std::random_device{}() ^ (platform::ProcessNumber() << 32));
  constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  const std::string folder = FolderOfPath(target);
  // A file name holds at most 255 bytes; the suffix needs 18 of them.
  const std::string name = target.substr(folder.size()).substr(0, 200);
  std::string temporary = folder + "." + name + ".marbleset-";
  const std::lock_guard<std::mutex> lock(mutex);
  for (int k = 0; k < 6; ++k) temporary += kLetters[random() % (sizeof kLetters - 1)];
  return temporary;
}

}  // namespace

OutputExists::OutputExists(const std::string& path) : WriteFailure(path, "the file exists.") {}

OutputFile::OutputFile(const std::string& path, ExistingTarget existing)
    : path_(path), existing_(existing) {
  // The file system would stop the name at a NUL and write to another file than the one named.
  if (path.empty() || path.find('\0') != std::string::npos) Fail(path, EINVAL);
  target_ = platform::FollowLinks(path);
  const platform::FileFacts target = platform::Inspect(target_);
  if (target.exists && existing == ExistingTarget::kRefuse) throw OutputExists(path);
  if (target.directory) Fail(path, EISDIR);
  if (target.exists && !target.regular) {
    fd_ = platform::OpenToWrite(target_);
    if (fd_ < 0) Fail(path, errno);
  } else {
    // A write-protected file stays protected, as it was when outputs were opened for writing.
    if (target.exists) {
      if (const int problem = platform::CheckWritable(target_); problem != 0) Fail(path, problem);
    }
    replacesFile_ = target.exists;
    replaced_ = target;
    const SignalsHeld held;
    for (int attempt = 0; fd_ < 0; ++attempt) {
      temporary_ = TemporaryName(target_);
      fd_ = platform::CreateNew(temporary_);
      if (fd_ < 0 && (errno != EEXIST || attempt == 100)) {
        temporary_.clear();
        Fail(path, errno);
      }
    }
    slot_ = Register(temporary_);
    if (replacesFile_) platform::TakeOverPermissions(fd_, replaced_);
  }
  buffer_ = std::make_unique<DescriptorBuffer>(fd_);
  stream_ = std::make_unique<std::ostream>(buffer_.get());
  sink_ = std::make_unique<TextSink>(*stream_, path_);
}

OutputFile::~OutputFile() {
  Abandon();
}

void OutputFile::Finish() {
  if (placed_) return;  // closed before: nothing more to do
  if (fd_ < 0) throw WriteFailure(path_, "the output was abandoned after a failure.");
  try {
    sink_->Flush();
  } catch (const Failure&) {
    Abandon();
    throw;
  }
  const int fd = fd_;
  fd_ = -1;
  // close() is where a network file system reports what it could not store. There is no
  // fsync: the rename replaces the file only after the data is written, and a crash of the
  // whole machine is left to the file system (ext4 flushes a file renamed over another).
  if (const int problem = platform::CloseFile(fd); problem != 0 && problem != EINTR) {
    Abandon();
    Fail(path_, problem);
  }
  if (temporary_.empty()) {
    placed_ = true;
    return;
  }
  const SignalsHeld held;
  const int problem =
      platform::MoveIntoPlace(temporary_, target_, existing_ == ExistingTarget::kRefuse);
  if (problem != 0) {
    Abandon();
    if (problem == EEXIST) throw OutputExists(path_);
    Fail(path_, problem);
  }
  Unregister(slot_);
  slot_ = -1;
  temporary_.clear();
  placed_ = true;
}

void OutputFile::Close() {
  Finish();
}

void OutputFile::KeepWritten() {
  Finish();
}

void OutputFile::Discard() noexcept {
  Abandon();
}

void OutputFile::Abandon() noexcept {
  if (fd_ >= 0) {
    platform::CloseFile(fd_);
    fd_ = -1;
  }
  if (!temporary_.empty()) {
    const SignalsHeld held;
    platform::RemoveFile(temporary_);
    Unregister(slot_);
    slot_ = -1;
    temporary_.clear();
  }
  // Nothing left to write to: the sink's buffer goes without a word.
  if (sink_) sink_->DropBuffered();
}

void InstallTemporaryCleanupOnSignals() {
  platform::OnInterruption(RemoveLiveTemporaries);
}

bool IsSameFile(const std::string& a, const std::string& b) {
  return platform::IsSameFile(a, b);
}

void RefuseDataFileAsOutput(const std::string& outputPath, const std::string& dataPath) {
  if (!IsSameFile(outputPath, dataPath)) return;
  throw WriteFailure(outputPath,
                     "this is the data file " + dataPath + "; choose another file for the output.");
}

}  // namespace marbleset
