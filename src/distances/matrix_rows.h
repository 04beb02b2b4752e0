// A piece of a square distance matrix: a contiguous block of its rows. The pieces of a run,
// written one after another, are the whole run's file byte for byte, so a matrix too large for
// one process is computed by many (a cluster's array job) and joined with cat.
#pragma once

#include <cstddef>
#include <limits>

namespace marbleset {

struct MatrixRows {
  std::size_t first = 0;
  std::size_t last = std::numeric_limits<std::size_t>::max();  // one past the last row
  bool header = true;  // the matrix's header line comes before the rows (the first piece)

  bool Whole(std::size_t n) const { return first == 0 && last >= n; }
};

// Piece `piece` (from 0) of `pieces` of a matrix of n rows. Every row of the square layout
// holds n cells and every pair of OTUs with one in a block is computed for it, so blocks of
// equal rows cost the same: the rows are shared out as evenly as whole rows allow, the larger
// blocks last. The data sets of a file are shared out among pieces the same way.
inline MatrixRows PieceRows(std::size_t n, std::size_t piece, std::size_t pieces) {
  return {n * piece / pieces, n * (piece + 1) / pieces, piece == 0};
}

}  // namespace marbleset
