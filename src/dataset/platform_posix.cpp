// The system services of platform.h on Linux and other POSIX systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <fstream>

#include "dataset/platform.h"

namespace marbleset::platform {

namespace {

constexpr std::size_t kPathBytes = 4096;

FileFacts FactsOf(const struct stat& info) {
  FileFacts facts;
  facts.exists = true;
  facts.regular = S_ISREG(info.st_mode);
  facts.directory = S_ISDIR(info.st_mode);
  facts.size = static_cast<std::uint64_t>(info.st_size);
  facts.mode = info.st_mode & 07777;
  facts.owner = info.st_uid;
  facts.group = info.st_gid;
  return facts;
}

std::string FolderOfPath(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return {};
  return path.substr(0, slash + 1);  // with the slash, so "/x" gives "/"
}

void (*gCleanup)() = nullptr;

extern "C" void CleanUpAndEnd(int signalNumber) {
  const int savedErrno = errno;
  if (gCleanup != nullptr) gCleanup();
  // Ends the process by the same signal, so the caller sees how it ended.
  std::signal(signalNumber, SIG_DFL);
  std::raise(signalNumber);
  errno = savedErrno;
}

}  // namespace

FileFacts Inspect(const std::string& path) {
  struct stat info;
  if (path.empty() || path.find('\0') != std::string::npos) return {};
  return stat(path.c_str(), &info) == 0 ? FactsOf(info) : FileFacts{};
}

FileFacts InspectOpen(int descriptor) {
  struct stat info;
  return fstat(descriptor, &info) == 0 ? FactsOf(info) : FileFacts{};
}

std::filesystem::path FilePath(const std::string& utf8) {
  return std::filesystem::path(utf8);
}

std::string Utf8Path(const std::filesystem::path& path) {
  return path.string();
}

int OpenToRead(const std::string& path) {
  return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
}

int OpenToWrite(const std::string& path) {
  return ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
}

int CreateNew(const std::string& path) {
  // 0666 less the umask, as any new file; a replaced file's mode is copied afterwards.
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}

long ReadSome(int descriptor, char* to, std::size_t size) {
  return static_cast<long>(::read(descriptor, to, size));
}

long WriteSome(int descriptor, const char* from, std::size_t size) {
  return static_cast<long>(::write(descriptor, from, size));
}

int CloseFile(int descriptor) {
  return ::close(descriptor) == 0 ? 0 : errno;
}

int CheckWritable(const std::string& path) {
  return access(path.c_str(), W_OK) == 0 ? 0 : errno;
}

void TakeOverPermissions(int descriptor, const FileFacts& replaced) {
  fchmod(descriptor, static_cast<mode_t>(replaced.mode));
  // Only root may give a file away; for anyone else the new file is simply theirs, as a file
  // they create, so a refusal here is no failure.
  if (fchown(descriptor, static_cast<uid_t>(replaced.owner), static_cast<gid_t>(replaced.group)) !=
      0) {
    errno = 0;
  }
}

void RemoveFile(const std::string& path) noexcept {
  unlink(path.c_str());
}

std::string FollowLinks(const std::string& path) {
  std::string current = path;
  for (int hop = 0; hop < 40; ++hop) {
    struct stat info;
    if (lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
    char target[kPathBytes];
    const ssize_t length = readlink(current.c_str(), target, sizeof target - 1);
    if (length < 0) return current;
    const std::string next(target, static_cast<std::size_t>(length));
    current = next.front() == '/' ? next : FolderOfPath(current) + next;
  }
  return current;  // a loop of links: the system reports it when the file is opened
}

std::string AbsolutePath(const std::string& path) {
  if (path.empty() || path.front() == '/') return path;
  char cwd[kPathBytes];
  if (getcwd(cwd, sizeof cwd) == nullptr) return path;
  return std::string(cwd) + "/" + path;
}

std::size_t LastSeparator(const std::string& path) {
  return path.find_last_of('/');
}

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

bool IsSameFile(const std::string& a, const std::string& b) {
  const auto identify = [](const std::string& path, struct stat& info) {
    if (path == "-") return fstat(STDIN_FILENO, &info) == 0;
    return !path.empty() && path.find('\0') == std::string::npos && stat(path.c_str(), &info) == 0;
  };
  struct stat first, second;
  if (!identify(a, first) || !identify(b, second)) return false;
  return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

std::uint64_t ProcessNumber() {
  return static_cast<std::uint64_t>(getpid());
}

void OnInterruption(void (*cleanup)()) {
  gCleanup = cleanup;
  for (int s : {SIGINT, SIGTERM, SIGHUP}) {
    // A signal the process was started to ignore (SIGHUP under nohup) stays ignored.
    struct sigaction current {};
    if (sigaction(s, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = CleanUpAndEnd;
    sigemptyset(&action.sa_mask);
    for (int other : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&action.sa_mask, other);
    action.sa_flags = SA_RESETHAND;
    sigaction(s, &action, nullptr);
  }
}

void RemoveFileWhenInterrupted(const char* path) noexcept {
  unlink(path);  // safe in a signal handler
}

// The signals are blocked for the holder's thread; the previous mask is kept in saved_.
static_assert(sizeof(sigset_t) <= 128);

InterruptionsHeld::InterruptionsHeld() {
  sigset_t held;
  sigemptyset(&held);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&held, s);
  pthread_sigmask(SIG_BLOCK, &held, reinterpret_cast<sigset_t*>(saved_));
}

InterruptionsHeld::~InterruptionsHeld() {
  pthread_sigmask(SIG_SETMASK, reinterpret_cast<const sigset_t*>(saved_), nullptr);
}

void PrepareStandardStreams() {}

bool StandardErrorIsTerminal() {
  return isatty(STDERR_FILENO) == 1;
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

std::uint64_t AvailableMemory() {
  std::ifstream meminfo("/proc/meminfo");
  std::string key;
  std::uint64_t kilobytes = 0;
  std::string unit;
  while (meminfo >> key >> kilobytes >> unit) {
    if (key == "MemAvailable:") return kilobytes * 1024;
  }
  // Without a figure from the system nothing is refused up front; allocation failures still
  // report themselves.
  return UINT64_MAX;
}

}  // namespace marbleset::platform
