// SHA-256 digests of bytes and of files, as lowercase hex: what a methods text and a run report
// give to name the exact data a result was made from.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace marbleset {

// The digest of bytes as 64 lowercase hex digits.
std::string Sha256Hex(std::string_view bytes);

// The digest of the file at path, read in pieces; nothing when it cannot be read.
std::optional<std::string> Sha256OfFile(const std::string& path);

}  // namespace marbleset
