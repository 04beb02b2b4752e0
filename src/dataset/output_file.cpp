#include "dataset/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <ostream>
#include <random>
#include <streambuf>

namespace marbleset {

namespace {

// ---- The registry of live temporaries, read by the signal handler.
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
  std::string absolute = path;
  if (!path.empty() && path.front() != '/') {
    char cwd[kSlotPath];
    if (getcwd(cwd, sizeof cwd) != nullptr) absolute = std::string(cwd) + "/" + path;
  }
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

extern "C" void RemoveTemporariesAndEnd(int signalNumber) {
  const int savedErrno = errno;
  for (Slot& slot : gSlots) {
    if (slot.live.load(std::memory_order_acquire)) unlink(slot.path);
  }
  // Ends the process by the same signal, so the caller sees how it ended.
  std::signal(signalNumber, SIG_DFL);
  std::raise(signalNumber);
  errno = savedErrno;
}

// Blocks the cleanup signals while a temporary is created and registered, or renamed and
// unregistered, so none arrives between the two steps.
class SignalsHeld {
 public:
  SignalsHeld() {
    sigset_t held;
    sigemptyset(&held);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&held, s);
    pthread_sigmask(SIG_BLOCK, &held, &previous_);
  }
  ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;

 private:
  sigset_t previous_;
};

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
      const ssize_t wrote = write(fd_, text + done, static_cast<std::size_t>(n - done));
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
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return {};
  return path.substr(0, slash + 1);  // with the slash, so "/x" gives "/"
}

// path with symbolic links in its last part followed, so the file they point to is replaced
// and the links stay; a dangling link gives the path it points to, where the file is created.
std::string FollowLinks(const std::string& path) {
  std::string current = path;
  for (int hop = 0; hop < 40; ++hop) {
    struct stat info;
    if (lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
    char target[kSlotPath];
    const ssize_t length = readlink(current.c_str(), target, sizeof target - 1);
    if (length < 0) return current;
    const std::string next(target, static_cast<std::size_t>(length));
    current = next.front() == '/' ? next : FolderOfPath(current) + next;
  }
  return current;  // a loop of links: the system reports it when the file is opened
}

// ".<name>.marbleset-" and six random letters or digits.
std::string TemporaryName(const std::string& target) {
  static std::mutex mutex;
  static std::mt19937_64 random(std::random_device{}() ^
                                (static_cast<std::uint64_t>(getpid()) << 32));
  constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  const std::string folder = FolderOfPath(target);
  // A file name holds at most 255 bytes; the suffix needs 18 of them.
  const std::string name = target.substr(folder.size()).substr(0, 200);
  std::string temporary = folder + "." + name + ".marbleset-";
  const std::lock_guard<std::mutex> lock(mutex);
  for (int k = 0; k < 6; ++k) temporary += kLetters[random() % (sizeof kLetters - 1)];
  return temporary;
}

// Moves from over to, refusing atomically when to exists and refuse is set. Returns 0 or an
// errno value.
int MoveIntoPlace(const std::string& from, const std::string& to, bool refuse) {
  if (!refuse) return rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // File systems without RENAME_NOREPLACE: a hard link fails if the name exists.
  if (link(from.c_str(), to.c_str()) == 0) {
    unlink(from.c_str());
    return 0;
  }
  if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP) return errno;
  // Nor hard links: claim the name with an exclusive create, then rename over the claim.
  const int claim = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (claim < 0) return errno;
  close(claim);
  if (rename(from.c_str(), to.c_str()) == 0) return 0;
  const int problem = errno;
  unlink(to.c_str());
  return problem;
}

}  // namespace

OutputExists::OutputExists(const std::string& path) : WriteFailure(path, "the file exists.") {}

OutputFile::OutputFile(const std::string& path, ExistingTarget existing)
    : path_(path), existing_(existing) {
  // The file system would stop the name at a NUL and write to another file than the one named.
  if (path.empty() || path.find('\0') != std::string::npos) Fail(path, EINVAL);
  target_ = FollowLinks(path);
  struct stat info;
  const bool exists = stat(target_.c_str(), &info) == 0;
  if (exists && existing == ExistingTarget::kRefuse) throw OutputExists(path);
  if (exists && S_ISDIR(info.st_mode)) Fail(path, EISDIR);
  if (exists && !S_ISREG(info.st_mode)) {
    fd_ = open(target_.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd_ < 0) Fail(path, errno);
  } else {
    // A write-protected file stays protected, as it was when outputs were opened for writing.
    if (exists && access(target_.c_str(), W_OK) != 0) Fail(path, errno);
    replacesFile_ = exists;
    mode_ = info.st_mode & 07777;
    owner_ = info.st_uid;
    group_ = info.st_gid;
    const SignalsHeld held;
    for (int attempt = 0; fd_ < 0; ++attempt) {
      temporary_ = TemporaryName(target_);
      // 0666 less the umask, as any new file; a replaced file's mode is copied below.
      fd_ = open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd_ < 0 && (errno != EEXIST || attempt == 100)) {
        temporary_.clear();
        Fail(path, errno);
      }
    }
    slot_ = Register(temporary_);
    if (replacesFile_) {
      fchmod(fd_, mode_);
      // Only root may give a file away; for anyone else the new file is simply theirs, as a
      // file they create, so a refusal here is no failure.
      if (fchown(fd_, owner_, group_) != 0) errno = 0;
    }
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
  if (close(fd) != 0 && errno != EINTR) {
    const int problem = errno;
    Abandon();
    Fail(path_, problem);
  }
  if (temporary_.empty()) {
    placed_ = true;
    return;
  }
  const SignalsHeld held;
  const int problem = MoveIntoPlace(temporary_, target_, existing_ == ExistingTarget::kRefuse);
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
    close(fd_);
    fd_ = -1;
  }
  if (!temporary_.empty()) {
    const SignalsHeld held;
    unlink(temporary_.c_str());
    Unregister(slot_);
    slot_ = -1;
    temporary_.clear();
  }
  // Nothing left to write to: the sink's buffer goes without a word.
  if (sink_) sink_->DropBuffered();
}

void InstallTemporaryCleanupOnSignals() {
  for (int s : {SIGINT, SIGTERM, SIGHUP}) {
    // A signal the process was started to ignore (SIGHUP under nohup) stays ignored.
    struct sigaction current {};
    if (sigaction(s, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = RemoveTemporariesAndEnd;
    sigemptyset(&action.sa_mask);
    for (int other : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&action.sa_mask, other);
    action.sa_flags = SA_RESETHAND;
    sigaction(s, &action, nullptr);
  }
}

bool IsSameFile(const std::string& a, const std::string& b) {
  const auto identify = [](const std::string& path, struct stat& info) {
    if (path == "-") return fstat(STDIN_FILENO, &info) == 0;
    return !path.empty() && path.find('\0') == std::string::npos && stat(path.c_str(), &info) == 0;
  };
  struct stat first, second;
  if (!identify(a, first) || !identify(b, second)) return false;
  return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

void RefuseDataFileAsOutput(const std::string& outputPath, const std::string& dataPath) {
  if (!IsSameFile(outputPath, dataPath)) return;
  throw WriteFailure(outputPath,
                     "this is the data file " + dataPath + "; choose another file for the output.");
}

}  // namespace marbleset
