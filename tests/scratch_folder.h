// A fresh folder of a test's own, made with a unique name (mkdtemp) so that a killed earlier
// run's leftovers or a second run at the same time never meet it, and removed with everything
// in it at the end; and the whole bytes of a file, read or written.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>

namespace marbleset {

class ScratchFolder {
 public:
  ScratchFolder() {
#ifdef _WIN32
    // Windows has no mkdtemp: a random name, taken only when the folder is new.
    std::random_device random;
    do {
      path = std::filesystem::temp_directory_path() /
             ("marbleset-test-" + std::to_string(random()) + std::to_string(random()));
    } while (!std::filesystem::create_directory(path));
#else
    std::string pattern =
        (std::filesystem::temp_directory_path() / "marbleset-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp: " + pattern);
    path = pattern;
#endif
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  std::string operator/(const std::string& name) const {
    return (path / name).string();
  }

  std::filesystem::path path;
};

inline std::string FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void PutFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace marbleset
