// Test support for the Windows engine: a GDI+ session for the whole test
// program, pixels read back from GDI+ bitmaps and DIB sections, colour
// comparison, and a scratch folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/model/chart_model.h"
#include "engine/render/gdiplus/gdiplus_api.h"

namespace vantiro::engine::testing {

// A copy of an image's pixels as 0xAARRGGBB.
struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<Argb> argb;

  Argb At(int x, int y) const { return argb[static_cast<std::size_t>(y) * width + x]; }
};

Pixels ReadPixels(Gdiplus::Bitmap& bitmap);

// A picture file as GDI+ reads it (empty, and a test failure, if it cannot).
Pixels LoadPicture(const std::string& path);

// A top-down 32-bit DIB section selected into its own memory device
// context, cleared to `fill`.
class DibCanvas {
 public:
  DibCanvas(int width, int height, Argb fill);
  ~DibCanvas();
  DibCanvas(const DibCanvas&) = delete;
  DibCanvas& operator=(const DibCanvas&) = delete;

  HDC dc() const { return dc_; }
  Pixels Read() const;  // alpha is reported as 0xFF

 private:
  int width_, height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  void* bits_ = nullptr;
};

// Inclusive pixel box; empty when right < left.
struct Box {
  int left = 0, top = 0, right = -1, bottom = -1;
  bool empty() const { return right < left || bottom < top; }
};

// Box of the pixels that differ from white by more than `threshold` in
// any colour channel.
Box InkBox(const Pixels& pixels, int threshold = 96);

// Whether every colour channel (and alpha) is within `tolerance`.
::testing::AssertionResult Near(Argb actual, Argb expected, int tolerance);

// A fresh folder under the system's temporary folder, removed with its
// files at the end of the test.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // `name` inside the folder, as an ANSI path.
  std::string Path(const std::string& name) const;

 private:
  std::string folder_;
};

std::vector<std::uint8_t> ReadFileBytes(const std::string& path);
bool FileExists(const std::string& path);

}  // namespace vantiro::engine::testing
