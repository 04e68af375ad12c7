// Windows: what the host prints goes to a console as Unicode, so that the
// console shows the plug-in's and the engine's texts (in the ANSI code page,
// 1251 on a Russian system) right whatever its own code page (866 there).
// Into a pipe or a file the bytes stay as they are.
#pragma once

#include <functional>
#include <streambuf>
#include <string>

namespace vantiro::testhost::win32 {

// A stream buffer that hands whole lines (and whatever is flushed) to
// `write`, converted from `codePage` to UTF-16. A character cut by a flush
// waits for the rest.
class ConsoleBuffer : public std::streambuf {
 public:
  ConsoleBuffer(unsigned codePage, std::function<void(const std::wstring&)> write);
  ~ConsoleBuffer() override;

 protected:
  int overflow(int c) override;
  int sync() override;

 private:
  void Flush();

  unsigned codePage_;
  std::function<void(const std::wstring&)> write_;
  std::string pending_;
};

// While it lives, std::cout and std::cerr write through a ConsoleBuffer when
// they go to a console.
class ConsoleOutput {
 public:
  ConsoleOutput();
  ~ConsoleOutput();
  ConsoleOutput(const ConsoleOutput&) = delete;
  ConsoleOutput& operator=(const ConsoleOutput&) = delete;

 private:
  struct Stream;
  Stream* out_ = nullptr;
  Stream* err_ = nullptr;
};

}  // namespace vantiro::testhost::win32
