// Owners of the Windows handles the device creates, so that each is
// released on every path out of the code that made it.
#pragma once

#include <utility>

#include <windows.h>
#include <objidl.h>

#include "engine/render/gdiplus/stream_ref.h"

namespace vantiro::engine::device {

// A GDI object (bitmap, brush) deleted with DeleteObject.
template <class Handle>
class GdiObject {
 public:
  explicit GdiObject(Handle handle = nullptr) : handle_(handle) {}
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  ~GdiObject() {
    if (handle_ != nullptr) DeleteObject(handle_);
  }
  Handle get() const { return handle_; }
  Handle release() { return std::exchange(handle_, nullptr); }

 private:
  Handle handle_;
};

// A memory device context, deleted with DeleteDC.
class MemoryDc {
 public:
  explicit MemoryDc(HDC like) : dc_(CreateCompatibleDC(like)) {}
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  ~MemoryDc() {
    if (dc_ != nullptr) DeleteDC(dc_);
  }
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

// The screen's device context, released with ReleaseDC.
class ScreenDc {
 public:
  ScreenDc() : dc_(GetDC(nullptr)) {}
  ScreenDc(const ScreenDc&) = delete;
  ScreenDc& operator=(const ScreenDc&) = delete;
  ~ScreenDc() {
    if (dc_ != nullptr) ReleaseDC(nullptr, dc_);
  }
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

// An object selected into a device context until the end of the scope.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;
  ~Selection() {
    if (previous_ != nullptr && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// An enhanced metafile, deleted with DeleteEnhMetaFile.
class Metafile {
 public:
  explicit Metafile(HENHMETAFILE handle) : handle_(handle) {}
  Metafile(const Metafile&) = delete;
  Metafile& operator=(const Metafile&) = delete;
  ~Metafile() {
    if (handle_ != nullptr) DeleteEnhMetaFile(handle_);
  }
  HENHMETAFILE get() const { return handle_; }

 private:
  HENHMETAFILE handle_;
};

// A metafile device context: Close gives its metafile; if it is never
// closed, the destructor closes and deletes it.
class MetafileDc {
 public:
  explicit MetafileDc(HDC dc) : dc_(dc) {}
  MetafileDc(const MetafileDc&) = delete;
  MetafileDc& operator=(const MetafileDc&) = delete;
  ~MetafileDc() {
    if (dc_ != nullptr) DeleteEnhMetaFile(CloseEnhMetaFile(dc_));
  }
  HDC get() const { return dc_; }
  HENHMETAFILE Close() { return CloseEnhMetaFile(std::exchange(dc_, nullptr)); }

 private:
  HDC dc_;
};

// A COM stream, released with Release.
using render::StreamRef;

}  // namespace vantiro::engine::device
