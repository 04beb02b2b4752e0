// File names beyond the system's code page on Windows, where a narrow std::string given to the
// standard library reads in that code page instead of UTF-8: each service that opens files
// outside the readers and writers, given a folder named in Greek, CJK and a letter outside the
// basic plane.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "provenance/sha256.h"
#include "scratch_folder.h"
#include "trees/cluster_job.h"

namespace marbleset {
namespace {

TEST(Utf8Paths, DigestAndClusterJobFindTheirFolder) {
  const ScratchFolder scratch;
  const std::string name = "d\xCE\xA9_\xE6\xA8\xA3_\xF0\x9F\x8C\xBE";
  const std::filesystem::path folder = scratch.path / std::u8string(name.begin(), name.end());
  std::filesystem::create_directory(folder);
  const std::u8string scratchName = scratch.path.u8string();
  const std::string utf8Folder = std::string(scratchName.begin(), scratchName.end()) + "/" + name;

  // The published digest of "abc".
  PutFile(folder / "abc.txt", "abc");
  EXPECT_EQ(Sha256OfFile(utf8Folder + "/abc.txt").value_or("unreadable"),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");

  ClusterJobSettings settings;
  settings.dataFile = "markers.phy";
  const ClusterJob job = MakeClusterJob(settings);
  WriteClusterJob(job, utf8Folder);
  EXPECT_EQ(FileBytes(folder / "Snakefile"), job.snakefile);
  EXPECT_EQ(FileBytes(folder / "slurm-array.sh"), job.slurmScript);
}

}  // namespace
}  // namespace marbleset
