// The Windows edge of the test host besides loading chart.dll: where the
// program lives, and the host window in which scripts draw their charts.
// Window handles cross this header as numbers, so <windows.h> stays in
// win32.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vantiro::testhost::win32 {

// Folder of the running program, with a trailing backslash.
std::string ExecutableFolder();

// A top-level window with a client area of the given size, shown unless
// `shown` is false (the designer's runs draw only snapshots); 0 when no
// window can be created (no display).
std::uintptr_t CreateHostWindow(int width, int height, bool shown = true);
void DestroyHostWindow(std::uintptr_t window);

// Handles the window messages that are waiting, so charts repaint.
void PumpMessages();

// Saves the client area of `window` as a 24-bit BMP file; false with
// `error` set when it cannot.
bool CaptureWindow(std::uintptr_t window, const std::string& path, std::string& error);

// Calls VantiroEngine_SetLayoutReport of the rmchart.dll that chart.dll
// loaded and returns its result; -1 with `error` set when that engine does
// not have it (or is not loaded).
std::int32_t SetLayoutReport(const char* path, std::string& error);

// Calls VantiroEngine_SetSnapshots(folder, stem) of the rmchart.dll in use;
// false with `error` set when that engine does not have it.
bool SetSnapshots(const std::string& folder, const std::string& stem, std::string& error);

// VantiroEngine_TakeLastFailure of the rmchart.dll in use; empty when that
// engine keeps no such detail.
std::string TakeEngineFailure();

// Handles window messages for `milliseconds`; false once `window` is gone
// (closed by the author), or at once when there is none.
bool WaitHandlingMessages(std::uintptr_t window, int milliseconds);

// Handles window messages until `window` is closed.
void KeepOpen(std::uintptr_t window);

// When the rmchart.dll in use is the recording engine of the tests: the
// texts of the calls it recorded, from call `first` on. Empty otherwise.
std::vector<std::string> RecordedEngineCalls(std::size_t first);

}  // namespace vantiro::testhost::win32
