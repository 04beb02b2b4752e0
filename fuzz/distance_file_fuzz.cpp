// Fuzz target: distance files as the tree builder and the distance picture read them; every
// matrix read must be square with one name per OTU.
#include "formats/distance_file_reader.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  using namespace marbleset;
  std::istringstream in(fuzz::TextOf(bytes, size));
  try {
    for (const DistanceMatrix& matrix : ReadDistanceMatrices(in, "fuzz.dist")) {
      if (matrix.names.size() != matrix.n || matrix.values.size() != matrix.n * matrix.n) {
        __builtin_trap();
      }
    }
  } catch (const Failure&) {
    // A count or value that cannot be read, a row cut short: the reader's answer.
  }
  return 0;
}
