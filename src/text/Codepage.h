// The game's 8-bit text (Windows-1252, in Options.dat and on the wire) and UTF-8, which the
// font engine, the dialogs and the traces speak.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lr {

// The character of one 8-bit code. Every byte is a character: the five codes Windows-1252
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for U+0081 and so on.
char32_t Cp1252CodePoint(uint8_t code);

// 8-bit text as UTF-8; every byte becomes exactly one character.
std::string Cp1252ToUtf8(std::string_view text);

// UTF-8 as 8-bit text, one byte per character. A character without an 8-bit code, and each
// malformed UTF-8 sequence (cut short, overlong, a surrogate, past U+10FFFF, a stray
// continuation byte), becomes "?". Never throws.
std::string Utf8ToCp1252(std::string_view text);

}  // namespace lr
