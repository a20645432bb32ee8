// Windows-1252 to and from UTF-8: one table of the 32 codes that differ from Latin-1.
#include "text/Codepage.h"

#include <array>

namespace lr {

namespace {

// 0x80..0x9F. The undefined five keep their own value, so every byte round-trips.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

constexpr char kReplacement = '?';

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The 8-bit code of a character, or the replacement when it has none.
char CodeOf(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (size_t i = 0; i < kHighControls.size(); ++i)
    if (kHighControls[i] == c) return static_cast<char>(0x80 + i);
  return kReplacement;
}

// One step through UTF-8: the character at `at` and its byte count. A malformed sequence
// gives no character and the count of its longest well-formed start (at least 1), so one
// broken sequence reads as one replacement.
struct TStep {
  bool Valid;
  char32_t CodePoint;
  size_t Bytes;
};

TStep Step(std::string_view text, size_t at) {
  const auto byte = [&](size_t k) { return static_cast<uint8_t>(text[at + k]); };
  const uint8_t lead = byte(0);
  if (lead < 0x80) return {true, lead, 1};
  size_t length;
  char32_t value;
  uint8_t low = 0x80, high = 0xBF;  // allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, value = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;  // overlong
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, value = lead & 0x07;
    if (lead == 0xF0) low = 0x90;  // overlong
    if (lead == 0xF4) high = 0x8F;  // past U+10FFFF
  } else {
    return {false, 0, 1};
  }
  for (size_t k = 1; k < length; ++k) {
    if (at + k >= text.size()) return {false, 0, k};
    const uint8_t b = byte(k);
    if (b < (k == 1 ? low : 0x80) || b > (k == 1 ? high : 0xBF)) return {false, 0, k};
    value = (value << 6) | (b & 0x3F);
  }
  return {true, value, length};
}

}  // namespace

char32_t Cp1252CodePoint(uint8_t code) {
  return code >= 0x80 && code <= 0x9F ? kHighControls[code - 0x80] : static_cast<char32_t>(code);
}

std::string Cp1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (const char c : text) AppendUtf8(out, Cp1252CodePoint(static_cast<uint8_t>(c)));
  return out;
}

std::string Utf8ToCp1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    const TStep step = Step(text, at);
    out += step.Valid ? CodeOf(step.CodePoint) : kReplacement;
    at += step.Bytes;
  }
  return out;
}

}  // namespace lr
