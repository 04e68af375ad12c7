// Charts saved as image files: PNG, JPEG and BMP through GDI+'s encoders,
// EMF through a metafile device context. A file is written next to its
// target and renamed into place, so the target never holds a partial file.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "engine/device/device.h"
#include "engine/device/win32/win32_graphics.h"
#include "engine/render/gdiplus/gdiplus_text.h"

namespace vantiro::engine::device {
namespace {

enum class FileKind { kUnknown, kPng, kJpeg, kBmp, kEmf };

struct FileExtension {
  const char* extension;
  FileKind kind;
  const wchar_t* mimeType;  // of the GDI+ encoder; none for metafiles
};
constexpr FileExtension kFileExtensions[] = {
    {".png", FileKind::kPng, L"image/png"},   {".jpg", FileKind::kJpeg, L"image/jpeg"},
    {".jpeg", FileKind::kJpeg, L"image/jpeg"}, {".bmp", FileKind::kBmp, L"image/bmp"},
    {".emf", FileKind::kEmf, nullptr},
};

const FileExtension* ExtensionOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return nullptr;
  std::string extension = path.substr(dot);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const FileExtension& known : kFileExtensions) {
    if (extension == known.extension) return &known;
  }
  return nullptr;
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
  IStream* stream = nullptr;
  if (CreateStreamOnHGlobal(nullptr, TRUE, &stream) != S_OK || stream == nullptr) return false;
  bool ok = image.Save(stream, &encoder, parameters) == Gdiplus::Ok;
  STATSTG stat{};
  ok = ok && stream->Stat(&stat, STATFLAG_NONAME) == S_OK &&
       stat.cbSize.QuadPart > 0 && stat.cbSize.QuadPart < (ULONGLONG{1} << 31);
  if (ok) {
    out.resize(static_cast<std::size_t>(stat.cbSize.QuadPart));
    LARGE_INTEGER start{};
    ULONG read = 0;
    ok = stream->Seek(start, STREAM_SEEK_SET, nullptr) == S_OK &&
         stream->Read(out.data(), static_cast<ULONG>(out.size()), &read) == S_OK &&
         read == out.size();
  }
  stream->Release();
  return ok;
}

// Moves a finished temporary file onto `target`; removes it on failure.
bool Publish(const std::wstring& part, const std::wstring& target) {
  if (MoveFileExW(part.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0) return true;
  DeleteFileW(part.c_str());
  return false;
}

bool WriteWholeFile(const std::wstring& target, const std::vector<std::uint8_t>& bytes) {
  const std::wstring part = target + L".part";
  HANDLE file = CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  for (std::size_t done = 0; ok && done < bytes.size();) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 24));
    DWORD written = 0;
    ok = WriteFile(file, bytes.data() + done, chunk, &written, nullptr) != 0 && written == chunk;
    done += written;
  }
  ok = CloseHandle(file) != 0 && ok;
  if (!ok) {
    DeleteFileW(part.c_str());
    return false;
  }
  return Publish(part, target);
}

std::int32_t WriteRaster(const Chart& chart, const std::wstring& target,
                         const FileExtension& type, int width, int height, int jpegQuality) {
  CLSID encoder{};
  if (!FindEncoder(type.mimeType, encoder)) return kFileNotCreated;
  Gdiplus::Bitmap canvas(width, height, PixelFormat32bppARGB);
  if (canvas.GetLastStatus() != Gdiplus::Ok) return kFileNotCreated;
  {
    Gdiplus::Graphics graphics(&canvas);
    if (graphics.GetLastStatus() != Gdiplus::Ok) return kFileNotCreated;
    graphics.Clear(Gdiplus::Color(255, 255, 255, 255));
    PaintChart(graphics, chart, width, height);
  }
  std::vector<std::uint8_t> bytes;
  if (type.kind == FileKind::kJpeg) {
    ULONG quality = static_cast<ULONG>(
        jpegQuality == 0 ? kDefaultJpegQuality : std::clamp(jpegQuality, 1, 100));
    Gdiplus::EncoderParameters parameters{};
    parameters.Count = 1;
    parameters.Parameter[0].Guid = Gdiplus::EncoderQuality;
    parameters.Parameter[0].Type = Gdiplus::EncoderParameterValueTypeLong;
    parameters.Parameter[0].NumberOfValues = 1;
    parameters.Parameter[0].Value = &quality;
    if (!Encode(canvas, encoder, &parameters, bytes)) return kFileNotCreated;
  } else if (type.kind == FileKind::kBmp) {
    // Charts are opaque: 24-bit pixels, as every reader expects of a BMP.
    std::unique_ptr<Gdiplus::Bitmap> rgb(
        canvas.Clone(0, 0, width, height, PixelFormat24bppRGB));
    if (!rgb || rgb->GetLastStatus() != Gdiplus::Ok) return kFileNotCreated;
    if (!Encode(*rgb, encoder, nullptr, bytes)) return kFileNotCreated;
  } else if (!Encode(canvas, encoder, nullptr, bytes)) {
    return kFileNotCreated;
  }
  return WriteWholeFile(target, bytes) ? kOk : kFileNotCreated;
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

std::int32_t WriteMetafile(const Chart& chart, const std::wstring& target, int width,
                           int height) {
  const std::wstring part = target + L".part";
  HDC screen = GetDC(nullptr);
  double across = 0, down = 0;
  PixelSize(screen, across, down);
  const RECT frame{0, 0, static_cast<LONG>(std::lround(width * across)),
                   static_cast<LONG>(std::lround(height * down))};
  HDC dc = CreateEnhMetaFileW(screen, part.c_str(), &frame, L"Vantiro\0Chart\0");
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  if (dc == nullptr) return kFileNotCreated;
  bool painted = false;
  try {
    Gdiplus::Graphics graphics(dc);
    if (graphics.GetLastStatus() == Gdiplus::Ok) {
      graphics.SetPageUnit(Gdiplus::UnitPixel);
      PaintChart(graphics, chart, width, height);
      painted = true;
    }
  } catch (...) {
    painted = false;  // the metafile is still closed and removed below
  }
  HENHMETAFILE metafile = CloseEnhMetaFile(dc);
  if (metafile == nullptr) {
    DeleteFileW(part.c_str());
    return kFileNotCreated;
  }
  DeleteEnhMetaFile(metafile);
  if (!painted) {
    DeleteFileW(part.c_str());
    return kFileNotCreated;
  }
  return Publish(part, target) ? kOk : kFileNotCreated;
}

}  // namespace

std::int32_t DrawToFile(const Chart& chart, const std::string& path, int width, int height,
                        int jpegQuality) {
  const FileExtension* type = ExtensionOf(path);
  if (type == nullptr || !SizeAllowed(width, height)) return kFileNotCreated;
  if (StartGraphics() != kOk) return kFileNotCreated;
  const std::wstring target = render::WideFromAnsi(path);
  if (target.empty()) return kFileNotCreated;
  try {
    if (type->kind == FileKind::kEmf) return WriteMetafile(chart, target, width, height);
    return WriteRaster(chart, target, *type, width, height, jpegQuality);
  } catch (...) {
    return kFileNotCreated;
  }
}

}  // namespace vantiro::engine::device
