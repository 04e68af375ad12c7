// Catalogue listing.
#include "testhost/core/listing.h"

#include <cstdint>
#include <iomanip>

namespace vantiro::testhost {

namespace {

// Code points of the bytes 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F.
constexpr std::uint16_t kCp1251High[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

void AppendUtf8(std::string& out, std::uint32_t codePoint) {
  if (codePoint < 0x80) {
    out += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    out += static_cast<char>(0xC0 | (codePoint >> 6));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (codePoint >> 12));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
}

// Number of characters of UTF-8 text (for underlining).
std::size_t CharacterCount(std::string_view utf8) {
  std::size_t count = 0;
  for (char c : utf8) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
  return count;
}

void PrintHint(std::string_view hint, std::ostream& out) {
  // CR LF, or a lone CR or LF, breaks the line.
  std::size_t start = 0;
  while (start <= hint.size()) {
    std::size_t end = hint.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = hint.size();
    out << "        " << Cp1251ToUtf8(hint.substr(start, end - start)) << '\n';
    if (end == hint.size()) break;
    start = end + (hint.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
}

}  // namespace

std::string Cp1251ToUtf8(std::string_view bytes) {
  std::string out;
  for (char c : bytes) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out += c;
    } else if (byte < 0xC0) {
      AppendUtf8(out, kCp1251High[byte - 0x80]);
    } else {
      AppendUtf8(out, 0x0410u + (byte - 0xC0u));
    }
  }
  return out;
}

void PrintCatalogue(const PluginInfo& info, const std::vector<CatalogueRow>& rows,
                    std::ostream& out) {
  auto shown = [](const std::optional<std::string>& text) {
    return text ? Cp1251ToUtf8(*text) : std::string("<none>");
  };
  out << "Title:     " << shown(info.title) << '\n'
      << "Publisher: " << shown(info.publisher) << '\n'
      << "Hint:      " << shown(info.hint) << '\n';
  for (const CatalogueRow& row : rows) {
    if (row.actionId == 0) {
      std::string title = Cp1251ToUtf8(row.name);
      out << '\n' << title << '\n' << std::string(CharacterCount(title), '=') << '\n';
      if (row.hint) PrintHint(*row.hint, out);
      continue;
    }
    out << std::setw(4) << row.actionId << "  " << Cp1251ToUtf8(row.name) << "  (" << row.typeText
        << ", " << row.paramCount;
    if (row.paramCount2 != row.paramCount) out << '/' << row.paramCount2;
    out << (row.paramCount == 1 ? " parameter)" : " parameters)") << '\n';
    if (row.hint) PrintHint(*row.hint, out);
  }
}

}  // namespace vantiro::testhost
