// Test support for the Windows engine (see pixels.h).
#include "tests/engine_win32/pixels.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace vantiro::engine::testing {
namespace {

// GDI+ runs for the whole test program.
class GdiplusSession : public ::testing::Environment {
 public:
  void SetUp() override {
    Gdiplus::GdiplusStartupInput input;
    ASSERT_EQ(Gdiplus::GdiplusStartup(&token_, &input, nullptr), Gdiplus::Ok);
  }

 private:
  ULONG_PTR token_ = 0;
};

[[maybe_unused]] ::testing::Environment* const kSession =
    ::testing::AddGlobalTestEnvironment(new GdiplusSession);

int Channel(Argb c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

}  // namespace

Pixels ReadPixels(Gdiplus::Bitmap& bitmap) {
  Pixels out;
  out.width = static_cast<int>(bitmap.GetWidth());
  out.height = static_cast<int>(bitmap.GetHeight());
  out.argb.resize(static_cast<std::size_t>(out.width) * out.height);
  Gdiplus::Rect all(0, 0, out.width, out.height);
  Gdiplus::BitmapData data{};
  if (bitmap.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) !=
      Gdiplus::Ok) {
    ADD_FAILURE() << "LockBits failed";
    return out;
  }
  for (int y = 0; y < out.height; ++y) {
    std::memcpy(&out.argb[static_cast<std::size_t>(y) * out.width],
                static_cast<const std::uint8_t*>(data.Scan0) + y * data.Stride, 4 * out.width);
  }
  bitmap.UnlockBits(&data);
  return out;
}

Pixels LoadPicture(const std::string& path) {
  const std::wstring wide(path.begin(), path.end());
  Gdiplus::Bitmap picture(wide.c_str());
  if (picture.GetLastStatus() != Gdiplus::Ok) {
    ADD_FAILURE() << "GDI+ cannot read " << path;
    return {};
  }
  return ReadPixels(picture);
}

DibCanvas::DibCanvas(int width, int height, Argb fill) : width_(width), height_(height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  dc_ = CreateCompatibleDC(nullptr);
  bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
  if (dc_ == nullptr || bitmap_ == nullptr || bits_ == nullptr) {
    ADD_FAILURE() << "no DIB section";
    return;
  }
  previous_ = SelectObject(dc_, bitmap_);
  auto* words = static_cast<std::uint32_t*>(bits_);
  std::fill(words, words + static_cast<std::size_t>(width) * height, fill);
}

DibCanvas::~DibCanvas() {
  if (dc_ != nullptr && previous_ != nullptr) SelectObject(dc_, previous_);
  if (bitmap_ != nullptr) DeleteObject(bitmap_);
  if (dc_ != nullptr) DeleteDC(dc_);
}

Pixels DibCanvas::Read() const {
  GdiFlush();
  Pixels out;
  out.width = width_;
  out.height = height_;
  if (bits_ == nullptr) return out;
  const auto* words = static_cast<const std::uint32_t*>(bits_);
  out.argb.assign(words, words + static_cast<std::size_t>(width_) * height_);
  for (Argb& pixel : out.argb) pixel |= 0xFF000000u;
  return out;
}

Box InkBox(const Pixels& pixels, int threshold) {
  Box box{pixels.width, pixels.height, -1, -1};
  for (int y = 0; y < pixels.height; ++y) {
    for (int x = 0; x < pixels.width; ++x) {
      const Argb c = pixels.At(x, y);
      if (255 - Channel(c, 16) > threshold || 255 - Channel(c, 8) > threshold ||
          255 - Channel(c, 0) > threshold) {
        box.left = std::min(box.left, x);
        box.top = std::min(box.top, y);
        box.right = std::max(box.right, x);
        box.bottom = std::max(box.bottom, y);
      }
    }
  }
  return box;
}

::testing::AssertionResult Near(Argb actual, Argb expected, int tolerance) {
  for (int shift : {24, 16, 8, 0}) {
    if (std::abs(Channel(actual, shift) - Channel(expected, shift)) > tolerance) {
      char text[64];
      std::snprintf(text, sizeof text, "%08X, expected %08X (+-%d)", static_cast<unsigned>(actual),
                    static_cast<unsigned>(expected), tolerance);
      return ::testing::AssertionFailure() << text;
    }
  }
  return ::testing::AssertionSuccess();
}

ScratchFolder::ScratchFolder() {
  static unsigned counter = 0;
  const auto folder =
      std::filesystem::temp_directory_path() /
      ("vantiro-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter));
  std::filesystem::create_directories(folder);
  folder_ = folder.string();
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

std::string ScratchFolder::Path(const std::string& name) const { return folder_ + "\\" + name; }

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in),
                                   std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace vantiro::engine::testing
