// Charts saved as image files: drawn by GDI+; PNG through our own writer
// (the one the native engine uses, so PNG files agree across targets),
// JPEG and BMP through GDI+'s encoders, EMF through a metafile device
// context in memory. The finished bytes go through the checked write
// routine, so the target never holds a partial file.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "engine/device/device.h"
#include "engine/device/win32/gdi_guards.h"
#include "engine/device/win32/win32_graphics.h"
#include "engine/files/file_io.h"
#include "engine/render/png/png_encode.h"

namespace vantiro::engine::device {
namespace {

// The GDI+ encoder of each raster kind.
const wchar_t* MimeTypeOf(FileKind kind) {
  switch (kind) {
    case FileKind::kPng: return L"image/png";
    case FileKind::kJpeg: return L"image/jpeg";
    case FileKind::kBmp: return L"image/bmp";
    default: return nullptr;
  }
}

// The class ID of the installed GDI+ encoder for `mimeType`.
bool FindEncoder(const wchar_t* mimeType, CLSID& clsid) {
  UINT count = 0, bytes = 0;
  if (Gdiplus::GetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || count == 0 ||
      bytes < count * sizeof(Gdiplus::ImageCodecInfo)) {
    return false;
  }
  // GDI+ fills the block with the codec records followed by their strings.
  auto block = std::make_unique<std::byte[]>(bytes);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(block.get());
  if (Gdiplus::GetImageEncoders(count, bytes, codecs) != Gdiplus::Ok) return false;
  for (UINT i = 0; i < count; ++i) {
    if (codecs[i].MimeType != nullptr && std::wcscmp(codecs[i].MimeType, mimeType) == 0) {
      clsid = codecs[i].Clsid;
      return true;
    }
  }
  return false;
}

// Everything an encoder wrote into a memory stream.
bool Encode(Gdiplus::Image& image, const CLSID& encoder,
            const Gdiplus::EncoderParameters* parameters, std::vector<std::uint8_t>& out) {
  StreamRef stream;
  if (CreateStreamOnHGlobal(nullptr, TRUE, stream.out()) != S_OK || stream.get() == nullptr) {
    return false;
  }
  if (image.Save(stream.get(), &encoder, parameters) != Gdiplus::Ok) return false;
  STATSTG stat{};
  if (stream.get()->Stat(&stat, STATFLAG_NONAME) != S_OK || stat.cbSize.QuadPart == 0 ||
      stat.cbSize.QuadPart >= (ULONGLONG{1} << 31)) {
    return false;
  }
  out.resize(static_cast<std::size_t>(stat.cbSize.QuadPart));
  LARGE_INTEGER start{};
  ULONG read = 0;
  return stream.get()->Seek(start, STREAM_SEEK_SET, nullptr) == S_OK &&
         stream.get()->Read(out.data(), static_cast<ULONG>(out.size()), &read) == S_OK &&
         read == out.size();
}

// The bitmap's pixels, premultiplied as our PNG writer takes them.
bool EncodePng(Gdiplus::Bitmap& canvas, int width, int height, std::vector<std::uint8_t>& out) {
  const Gdiplus::Rect all(0, 0, width, height);
  Gdiplus::BitmapData data{};
  if (canvas.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB, &data) !=
      Gdiplus::Ok) {
    return false;
  }
  const render::PixelView pixels{static_cast<const std::uint8_t*>(data.Scan0), width, height,
                                 data.Stride};
  out = data.Stride > 0 ? render::EncodePng(pixels) : std::vector<std::uint8_t>();
  canvas.UnlockBits(&data);
  return !out.empty();
}

std::int32_t WriteRaster(const Chart& chart, const std::string& target, FileKind kind, int width,
                         int height, int jpegQuality) {
  CLSID encoder{};
  if (kind != FileKind::kPng && !FindEncoder(MimeTypeOf(kind), encoder)) {
    return codes::kImageFileFailed;
  }
  Gdiplus::Bitmap canvas(width, height, PixelFormat32bppARGB);
  if (canvas.GetLastStatus() != Gdiplus::Ok) return codes::kImageFileFailed;
  {
    Gdiplus::Graphics graphics(&canvas);
    if (graphics.GetLastStatus() != Gdiplus::Ok) return codes::kImageFileFailed;
    graphics.Clear(Gdiplus::Color(255, 255, 255, 255));
    PaintChart(graphics, chart, width, height, target);
  }
  std::vector<std::uint8_t> bytes;
  if (kind == FileKind::kJpeg) {
    ULONG quality = static_cast<ULONG>(JpegQuality(jpegQuality));
    Gdiplus::EncoderParameters parameters{};
    parameters.Count = 1;
    parameters.Parameter[0].Guid = Gdiplus::EncoderQuality;
    parameters.Parameter[0].Type = Gdiplus::EncoderParameterValueTypeLong;
    parameters.Parameter[0].NumberOfValues = 1;
    parameters.Parameter[0].Value = &quality;
    if (!Encode(canvas, encoder, &parameters, bytes)) return codes::kImageFileFailed;
  } else if (kind == FileKind::kBmp) {
    // Charts are opaque: 24-bit pixels, as every reader expects of a BMP.
    std::unique_ptr<Gdiplus::Bitmap> rgb(canvas.Clone(0, 0, width, height, PixelFormat24bppRGB));
    if (!rgb || rgb->GetLastStatus() != Gdiplus::Ok) return codes::kImageFileFailed;
    if (!Encode(*rgb, encoder, nullptr, bytes)) return codes::kImageFileFailed;
  } else if (!EncodePng(canvas, width, height, bytes)) {
    return codes::kImageFileFailed;
  }
  return files::WriteWholeFile(target, bytes) ? codes::kOk : codes::kImageFileFailed;
}

// Size of one pixel of `dc` in hundredths of a millimetre (96 dpi if the
// device does not say).
void PixelSize(HDC dc, double& across, double& down) {
  across = down = 2540.0 / 96.0;
  if (dc == nullptr) return;
  const int mmX = GetDeviceCaps(dc, HORZSIZE), pxX = GetDeviceCaps(dc, HORZRES);
  const int mmY = GetDeviceCaps(dc, VERTSIZE), pxY = GetDeviceCaps(dc, VERTRES);
  if (mmX > 0 && pxX > 0) across = 100.0 * mmX / pxX;
  if (mmY > 0 && pxY > 0) down = 100.0 * mmY / pxY;
}

// The metafile is made in memory and written as bytes, so that a write that
// fails (a full disk) is seen and the old file stays.
std::int32_t WriteMetafile(const Chart& chart, const std::string& target, int width, int height) {
  double across = 0, down = 0;
  std::vector<std::uint8_t> bytes;
  {
    const ScreenDc screen;
    PixelSize(screen.get(), across, down);
    const RECT frame{0, 0, static_cast<LONG>(std::lround(width * across)),
                     static_cast<LONG>(std::lround(height * down))};
    MetafileDc dc(CreateEnhMetaFileW(screen.get(), nullptr, &frame, L"Vantiro\0Chart\0"));
    if (dc.get() == nullptr) return codes::kImageFileFailed;
    {
      Gdiplus::Graphics graphics(dc.get());
      if (graphics.GetLastStatus() != Gdiplus::Ok) return codes::kImageFileFailed;
      graphics.SetPageUnit(Gdiplus::UnitPixel);
      PaintChart(graphics, chart, width, height, target);
    }
    const Metafile metafile(dc.Close());
    if (metafile.get() == nullptr) return codes::kImageFileFailed;
    const UINT size = GetEnhMetaFileBits(metafile.get(), 0, nullptr);
    if (size == 0) return codes::kImageFileFailed;
    bytes.resize(size);
    if (GetEnhMetaFileBits(metafile.get(), size, bytes.data()) != size)
      return codes::kImageFileFailed;
  }
  return files::WriteWholeFile(target, bytes) ? codes::kOk : codes::kImageFileFailed;
}

}  // namespace

std::int32_t DrawToFile(const Chart& chart, const std::string& path, int width, int height,
                        int jpegQuality) {
  const FileKind kind = FileKindOf(path);
  const bool known = kind == FileKind::kEmf || MimeTypeOf(kind) != nullptr;
  if (!known || !FileSizeAllowed(kind, width, height)) {
    RecordRefusedFile(path, kind, true, width, height);
    return codes::kImageFileFailed;
  }
  if (StartGraphics() != codes::kOk) return codes::kImageFileFailed;
  try {
    if (kind == FileKind::kEmf) return WriteMetafile(chart, path, width, height);
    return WriteRaster(chart, path, kind, width, height, jpegQuality);
  } catch (...) {
    return codes::kImageFileFailed;
  }
}

}  // namespace vantiro::engine::device
