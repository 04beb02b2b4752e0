// A PNG reader for the tests, written from the file format's description: chunks with their
// CRCs checked, the image data inflated by zlib, all five row filters undone. It reads what
// any PNG writer may produce at 8 bits RGB or RGBA, so the tests check the writer's pixels
// through an independent reading.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace marbleset::testing {

struct DecodedPng {
  int width = 0, height = 0;
  int colourType = 0;
  std::vector<std::uint32_t> pixels;  // 0xAARRGGBB
  std::string error;                  // empty when the file read
  std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

DecodedPng DecodePng(const std::string& bytes);

}  // namespace marbleset::testing
