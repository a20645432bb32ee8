// 8-bit text and UTF-8: every byte is one character there and back; anything UTF-8 has that
// the code page has not, or that is not UTF-8 at all, becomes "?".
#include <gtest/gtest.h>

#include <string>

#include "text/Codepage.h"

namespace lr {
namespace {

TEST(Codepage, EveryByteIsOneCharacterAndComesBack) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const std::string utf8 = Cp1252ToUtf8(all);
  EXPECT_EQ(Utf8ToCp1252(utf8), all);
  // Bytes below 0x80 stay themselves: the rest take two or three bytes each.
  EXPECT_EQ(utf8.substr(0, 128), all.substr(0, 128));

  struct TCase {
    unsigned char Byte;
    const char* Utf8;
  };
  const TCase cases[] = {
      {0x80, "\xE2\x82\xAC"},  // euro sign
      {0x81, "\xC2\x81"},      // undefined in the code page: U+0081
      {0x8A, "\xC5\xA0"},      // S with caron
      {0x8D, "\xC2\x8D"},      // undefined
      {0x8F, "\xC2\x8F"},      // undefined
      {0x90, "\xC2\x90"},      // undefined
      {0x99, "\xE2\x84\xA2"},  // trade mark
      {0x9D, "\xC2\x9D"},      // undefined
      {0x9F, "\xC5\xB8"},      // Y with diaeresis
      {0xA0, "\xC2\xA0"},      // no-break space: from here on as Latin-1
      {0xEB, "\xC3\xAB"},      // e with diaeresis
      {0xFF, "\xC3\xBF"},      // y with diaeresis
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(Cp1252ToUtf8(std::string(1, static_cast<char>(c.Byte))), c.Utf8) << int(c.Byte);
    EXPECT_EQ(Utf8ToCp1252(c.Utf8), std::string(1, static_cast<char>(c.Byte))) << int(c.Byte);
  }
}

TEST(Codepage, WhatTheCodePageCannotHoldAndBrokenUtf8BecomeOneQuestionMarkEach) {
  struct TCase {
    std::string Utf8;
    std::string Expected;
  };
  const TCase cases[] = {
      {"Zo\xC3\xAB", "Zo\xEB"},
      {"\xE6\x97\xA5\xE6\x9C\xAC", "??"},           // two CJK characters
      {"a\xF0\x9F\x94\xA5z", "a?z"},                // past the basic plane
      {"\xC2\x80", "?"},                            // U+0080: 0x80 is the euro sign
      {"\xC4\x80", "?"},                            // A with macron
      {"\xC0\xAF", "??"},                           // overlong slash: two bytes that start nothing
      {"\xE0\x80\xAF", "???"},                      // overlong, three bytes
      {"\xED\xA0\x80", "???"},                      // a surrogate
      {"\xF4\x90\x80\x80", "????"},                 // past U+10FFFF
      {"a\xE2\x82", "a?"},                          // euro sign cut short: one broken sequence
      {"\xE2\x82z", "?z"},                          // ... and followed by more text
      {"\x80\xBF", "??"},                           // stray continuation bytes
      {"\xFF\xFE", "??"},                           // bytes UTF-8 never uses
      {"\xF0\x9F\x94", "?"},                        // four-byte sequence cut short
      {std::string("a\0b", 3), std::string("a\0b", 3)},  // a zero byte is a character
      {"", ""},
  };
  for (const TCase& c : cases) EXPECT_EQ(Utf8ToCp1252(c.Utf8), c.Expected) << c.Utf8;
}

}  // namespace
}  // namespace lr
