// Console output in Unicode.
#include "testhost/cli/console_win32.h"

#include <windows.h>

#include <iostream>

namespace vantiro::testhost::win32 {

namespace {

// How many bytes at the end of `bytes` start a character that is not
// complete yet.
std::size_t IncompleteTail(const std::string& bytes, unsigned codePage) {
  if (bytes.empty()) return 0;
  if (codePage == CP_UTF8) {
    std::size_t back = 0;
    while (back < bytes.size() && back < 3 &&
           (static_cast<unsigned char>(bytes[bytes.size() - 1 - back]) & 0xC0) == 0x80) {
      ++back;
    }
    const auto lead = static_cast<unsigned char>(bytes[bytes.size() - 1 - back]);
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return length > back + 1 ? back + 1 : 0;
  }
  // A lead byte of a double-byte code page alone at the end.
  std::size_t i = 0;
  while (i < bytes.size()) {
    if (IsDBCSLeadByteEx(codePage, static_cast<BYTE>(bytes[i])) != 0) {
      if (i + 1 == bytes.size()) return 1;
      i += 2;
    } else {
      ++i;
    }
  }
  return 0;
}

}  // namespace

ConsoleBuffer::ConsoleBuffer(unsigned codePage, std::function<void(const std::wstring&)> write)
    : codePage_(codePage), write_(std::move(write)) {}

ConsoleBuffer::~ConsoleBuffer() { Flush(); }

int ConsoleBuffer::overflow(int c) {
  if (c == traits_type::eof()) return traits_type::not_eof(c);
  pending_ += static_cast<char>(c);
  if (c == '\n' || pending_.size() >= 4096) Flush();
  return c;
}

int ConsoleBuffer::sync() {
  Flush();
  return 0;
}

void ConsoleBuffer::Flush() {
  const std::size_t keep = IncompleteTail(pending_, codePage_);
  const int length = static_cast<int>(pending_.size() - keep);
  if (length == 0) return;
  const int wide = MultiByteToWideChar(codePage_, 0, pending_.data(), length, nullptr, 0);
  std::wstring text(static_cast<std::size_t>(wide), L'\0');
  MultiByteToWideChar(codePage_, 0, pending_.data(), length, text.data(), wide);
  pending_.erase(0, static_cast<std::size_t>(length));
  write_(text);
}

struct ConsoleOutput::Stream {
  Stream(std::ostream& target, HANDLE console)
      : stream(target),
        buffer(GetACP(),
               [console](const std::wstring& text) {
                 DWORD written = 0;
                 WriteConsoleW(console, text.data(), static_cast<DWORD>(text.size()), &written,
                               nullptr);
               }),
        saved(target.rdbuf(&buffer)) {}
  ~Stream() {
    stream.flush();
    stream.rdbuf(saved);
  }
  std::ostream& stream;
  ConsoleBuffer buffer;
  std::streambuf* saved;
};

namespace {

// The console behind `which`, or null when it goes elsewhere.
HANDLE ConsoleOf(DWORD which) {
  HANDLE handle = GetStdHandle(which);
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)
             ? handle
             : nullptr;
}

}  // namespace

ConsoleOutput::ConsoleOutput() {
  if (HANDLE console = ConsoleOf(STD_OUTPUT_HANDLE)) out_ = new Stream(std::cout, console);
  if (HANDLE console = ConsoleOf(STD_ERROR_HANDLE)) err_ = new Stream(std::cerr, console);
}

ConsoleOutput::~ConsoleOutput() {
  delete out_;
  delete err_;
}

}  // namespace vantiro::testhost::win32
