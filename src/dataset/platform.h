// What the program needs from the operating system, in one place: files named by UTF-8 paths,
// the atomic replace and no-replace creation under output files, the same-file check, removal
// of temporaries when a run is interrupted, standard streams that pass bytes unchanged, and the
// memory available for a data set. platform_posix.cpp serves Linux and other POSIX systems,
// platform_windows.cpp Windows; nothing else in the core or the command-line tool calls the
// system for these.
//
// Files are CRT descriptors on both systems, opened in binary mode, so the readers see the
// bytes of the file (a CRLF file reads as it does on Linux) and the writers write exactly the
// bytes given. Failures come back as errno values, which FileProblem turns into a sentence.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace marbleset::platform {

// What a path names, symbolic links followed.
struct FileFacts {
  bool exists = false;
  bool regular = false;
  bool directory = false;
  std::uint64_t size = 0;
  // Permission bits, owner and group of the file; only POSIX systems keep them.
  unsigned mode = 0;
  unsigned owner = 0;
  unsigned group = 0;
};

FileFacts Inspect(const std::string& path);
FileFacts InspectOpen(int descriptor);

// A path for the standard library's file streams and std::filesystem from a UTF-8 path, and
// back: on Windows the narrow string would be read in the system's code page instead.
std::filesystem::path FilePath(const std::string& utf8);
std::string Utf8Path(const std::filesystem::path& path);

// Descriptors: -1 (or a negative count) with errno set on failure.
// "/dev/stdin" reads standard input on every system.
int OpenToRead(const std::string& path);
// An existing file that is not a regular one (a FIFO, a device) opened to be written directly.
int OpenToWrite(const std::string& path);
// Creates a file that must not exist yet (EEXIST otherwise), readable and writable as any new
// file of the user.
int CreateNew(const std::string& path);
long ReadSome(int descriptor, char* to, std::size_t size);
long WriteSome(int descriptor, const char* from, std::size_t size);
// 0 or an errno value.
int CloseFile(int descriptor);
// 0, or EACCES (or another errno value) when the file may not be written.
int CheckWritable(const std::string& path);
// Gives a new file the permissions, owner and group a replaced file had, as far as the user
// may; a refusal is no failure.
void TakeOverPermissions(int descriptor, const FileFacts& replaced);
void RemoveFile(const std::string& path) noexcept;

// path with symbolic links in its last part followed, so the file they point to is replaced and
// the links stay.
std::string FollowLinks(const std::string& path);
// path made absolute against the current folder (unchanged when that is unknown).
std::string AbsolutePath(const std::string& path);
// Where a path's folder ends: the last separator ('/', and '\\' on Windows), or npos.
std::size_t LastSeparator(const std::string& path);

// Moves from over to in one step, so to holds its old bytes or the new ones and never a part.
// With refuse set, fails with EEXIST when to exists, atomically. Returns 0 or an errno value.
int MoveIntoPlace(const std::string& from, const std::string& to, bool refuse);

// True when both paths name one existing file, whatever the spelling or link: device and inode
// on POSIX, volume serial number and file index on Windows. "-" stands for standard input.
bool IsSameFile(const std::string& a, const std::string& b);

// A number that differs between processes running at once.
std::uint64_t ProcessNumber();

// Makes an interruption (SIGINT, SIGTERM, SIGHUP; Ctrl-C, Ctrl-Break and closing the console)
// call cleanup before the process ends as it would have without it. cleanup may only call
// RemoveFileWhenInterrupted on fixed paths.
void OnInterruption(void (*cleanup)());
void RemoveFileWhenInterrupted(const char* path) noexcept;

// While one lives, an interruption waits, so a temporary and its record change together.
class InterruptionsHeld {
 public:
  InterruptionsHeld();
  ~InterruptionsHeld();
  InterruptionsHeld(const InterruptionsHeld&) = delete;
  InterruptionsHeld& operator=(const InterruptionsHeld&) = delete;

 private:
  alignas(8) unsigned char saved_[128];
};

// Standard input and output pass bytes unchanged (no CRLF translation), and a console shows
// UTF-8 text. Call once at start.
void PrepareStandardStreams();
bool StandardErrorIsTerminal();
// The command line as UTF-8 strings.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Bytes of memory the system can give this process now; UINT64_MAX when it does not say.
std::uint64_t AvailableMemory();

}  // namespace marbleset::platform
