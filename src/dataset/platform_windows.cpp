// The system services of platform.h on Windows: wide-character calls for UTF-8 paths, CRT
// descriptors in binary mode, MoveFileExW for the replace, and a console control handler for
// interruptions.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>
// After windows.h, which they need.
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <mutex>

#include "dataset/platform.h"

namespace marbleset::platform {

namespace {

std::wstring Widen(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  const int wide = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring text(static_cast<std::size_t>(wide), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, text.data(), wide);
  return text;
}

std::string Narrow(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int bytes =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, text.data(), bytes, nullptr, nullptr);
  return text;
}

// The errno value that says what a failed Windows call met.
int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return EACCES;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
      return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
      return EINVAL;
    case ERROR_NOT_SAME_DEVICE:
      return EXDEV;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    default:
      return EIO;
  }
}

FileFacts FactsOf(const struct _stat64& info) {
  FileFacts facts;
  facts.exists = true;
  facts.regular = (info.st_mode & _S_IFMT) == _S_IFREG;
  facts.directory = (info.st_mode & _S_IFMT) == _S_IFDIR;
  facts.size = static_cast<std::uint64_t>(info.st_size);
  return facts;
}

// The volume and the file's index on it: one file, whatever path names it.
bool Identify(HANDLE file, BY_HANDLE_FILE_INFORMATION& info) {
  return file != INVALID_HANDLE_VALUE && GetFileInformationByHandle(file, &info) != 0;
}

// Held while a temporary changes, and by the handler while it removes them: the handler runs
// on a thread of its own, so it waits for the change to end.
std::recursive_mutex& HeldMutex() {
  static std::recursive_mutex mutex;
  return mutex;
}

void (*gCleanup)() = nullptr;

BOOL WINAPI CleanUpOnInterruption(DWORD /*event*/) {
  if (gCleanup != nullptr) {
    const std::lock_guard<std::recursive_mutex> lock(HeldMutex());
    gCleanup();
  }
  return FALSE;  // the default handler then ends the process as it would have
}

}  // namespace

FileFacts Inspect(const std::string& path) {
  struct _stat64 info;
  if (path.empty() || path.find('\0') != std::string::npos) return {};
  return _wstat64(Widen(path).c_str(), &info) == 0 ? FactsOf(info) : FileFacts{};
}

FileFacts InspectOpen(int descriptor) {
  struct _stat64 info;
  return _fstat64(descriptor, &info) == 0 ? FactsOf(info) : FileFacts{};
}

std::filesystem::path FilePath(const std::string& utf8) {
  return std::filesystem::path(Widen(utf8));
}

std::string Utf8Path(const std::filesystem::path& path) {
  return Narrow(path.wstring());
}

int OpenToRead(const std::string& path) {
  // Windows has no path for standard input; the name the readers use for it gets a copy of it.
  if (path == "/dev/stdin") {
    _setmode(0, _O_BINARY);
    return _dup(0);
  }
  return _wopen(Widen(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}

int OpenToWrite(const std::string& path) {
  return _wopen(Widen(path).c_str(), _O_WRONLY | _O_BINARY | _O_NOINHERIT);
}

int CreateNew(const std::string& path) {
  return _wopen(Widen(path).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                _S_IREAD | _S_IWRITE);
}

long ReadSome(int descriptor, char* to, std::size_t size) {
  return _read(descriptor, to, static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX)));
}

long WriteSome(int descriptor, const char* from, std::size_t size) {
  return _write(descriptor, from, static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX)));
}

int CloseFile(int descriptor) {
  return _close(descriptor) == 0 ? 0 : errno;
}

int CheckWritable(const std::string& path) {
  return _waccess(Widen(path).c_str(), 2) == 0 ? 0 : errno;
}

// A new file takes the permissions of its folder, as every file created there does.
void TakeOverPermissions(int /*descriptor*/, const FileFacts& /*replaced*/) {}

void RemoveFile(const std::string& path) noexcept {
  _wunlink(Widen(path).c_str());
}

std::string FollowLinks(const std::string& path) {
  std::filesystem::path current = FilePath(path);
  for (int hop = 0; hop < 40; ++hop) {
    std::error_code error;
    if (!std::filesystem::is_symlink(current, error)) break;
    const std::filesystem::path next = std::filesystem::read_symlink(current, error);
    if (error) break;
    current = next.is_absolute() ? next : current.parent_path() / next;
  }
  return Utf8Path(current);
}

std::string AbsolutePath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(FilePath(path), error);
  return error ? path : Utf8Path(absolute);
}

std::size_t LastSeparator(const std::string& path) {
  return path.find_last_of("/\\");
}

int MoveIntoPlace(const std::string& from, const std::string& to, bool refuse) {
  // Without MOVEFILE_REPLACE_EXISTING the move fails when the target exists: the no-replace
  // creation. MOVEFILE_WRITE_THROUGH returns only when the move is on the disk.
  const DWORD flags = MOVEFILE_WRITE_THROUGH | (refuse ? 0 : MOVEFILE_REPLACE_EXISTING);
  if (MoveFileExW(Widen(from).c_str(), Widen(to).c_str(), flags) != 0) return 0;
  return ErrnoOf(GetLastError());
}

bool IsSameFile(const std::string& a, const std::string& b) {
  const auto identify = [](const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    if (path == "-") return Identify(GetStdHandle(STD_INPUT_HANDLE), info);
    if (path.empty() || path.find('\0') != std::string::npos) return false;
    const HANDLE file =
        CreateFileW(Widen(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    const bool known = Identify(file, info);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return known;
  };
  BY_HANDLE_FILE_INFORMATION first, second;
  if (!identify(a, first) || !identify(b, second)) return false;
  return first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh &&
         first.nFileIndexLow == second.nFileIndexLow;
}

std::uint64_t ProcessNumber() {
  return GetCurrentProcessId();
}

void OnInterruption(void (*cleanup)()) {
  gCleanup = cleanup;
  SetConsoleCtrlHandler(CleanUpOnInterruption, TRUE);
}

void RemoveFileWhenInterrupted(const char* path) noexcept {
  _wunlink(Widen(path).c_str());
}

InterruptionsHeld::InterruptionsHeld() {
  HeldMutex().lock();
}

InterruptionsHeld::~InterruptionsHeld() {
  HeldMutex().unlock();
}

void PrepareStandardStreams() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  SetConsoleOutputCP(CP_UTF8);
}

bool StandardErrorIsTerminal() {
  return _isatty(_fileno(stderr)) != 0;
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr || count != argc) {
    if (wide != nullptr) LocalFree(wide);
    return std::vector<std::string>(argv, argv + argc);
  }
  std::vector<std::string> arguments;
  for (int a = 0; a < count; ++a) arguments.push_back(Narrow(wide[a]));
  LocalFree(wide);
  return arguments;
}

std::uint64_t AvailableMemory() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  if (GlobalMemoryStatusEx(&status) == 0) return UINT64_MAX;
  return status.ullAvailPhys;
}

}  // namespace marbleset::platform
