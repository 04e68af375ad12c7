// Windows code pages: the system converts, so every page it has works; the
// engine's page is the process's ANSI code page.
#include <windows.h>

#include "text/code_page.h"
#include "text/code_page_platform.h"

namespace vantiro::text::platform {

int CurrentCodePage() noexcept { return static_cast<int>(GetACP()); }

bool SetCurrentCodePage(int codePage) noexcept { return codePage == CurrentCodePage(); }

bool Supports(int codePage) noexcept {
  return codePage > 0 && IsValidCodePage(static_cast<UINT>(codePage)) != 0;
}

std::u16string Decode(std::string_view bytes, int codePage) {
  if (bytes.empty()) return std::u16string();
  const auto page = static_cast<UINT>(codePage);
  const int size = static_cast<int>(bytes.size());
  const int length = MultiByteToWideChar(page, 0, bytes.data(), size, nullptr, 0);
  if (length <= 0) return std::u16string();
  std::u16string wide(static_cast<std::size_t>(length), u'\0');
  static_assert(sizeof(char16_t) == sizeof(wchar_t));
  MultiByteToWideChar(page, 0, bytes.data(), size, reinterpret_cast<wchar_t*>(wide.data()), length);
  return wide;
}

bool Encode(std::u16string_view character, int codePage, std::string& out) {
  char bytes[8];
  BOOL usedDefault = FALSE;
  const int length = WideCharToMultiByte(static_cast<UINT>(codePage), WC_NO_BEST_FIT_CHARS,
                                         reinterpret_cast<const wchar_t*>(character.data()),
                                         static_cast<int>(character.size()), bytes, sizeof bytes,
                                         "?", &usedDefault);
  if (length <= 0 || usedDefault) return false;
  out.append(bytes, static_cast<std::size_t>(length));
  return true;
}

std::size_t LeadByteLength(unsigned char byte, int codePage) noexcept {
  return IsDBCSLeadByteEx(static_cast<UINT>(codePage), byte) != 0 ? 2 : 1;
}

}  // namespace vantiro::text::platform
