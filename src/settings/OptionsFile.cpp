// The settings file's codec, walking the settings table.
#include "settings/OptionsFile.h"

#include <algorithm>
#include <bit>

namespace lr {

namespace {

void PutInt32(std::string& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

uint32_t GetInt32(std::string_view field) {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= static_cast<uint32_t>(static_cast<uint8_t>(field[i])) << (8 * i);
  return value;
}

}  // namespace

std::string EncodeOptions(const TSettingValues& values) {
  std::string bytes(kOptionsFileSize, '\0');
  for (const TSetting& setting : kSettings) {
    const TSettingValue& value = values[static_cast<size_t>(setting.Id)];
    const size_t at = setting.Offset;
    switch (setting.Kind) {
      case TSettingKind::Int32:
      case TSettingKind::Colour:
        PutInt32(bytes, at, static_cast<uint32_t>(value.Int));
        break;
      case TSettingKind::Float:
        PutInt32(bytes, at, std::bit_cast<uint32_t>(value.Float));
        break;
      case TSettingKind::Switches:
        for (size_t i = 0; i < value.Switches.size(); ++i) bytes[at + i] = value.Switches[i] ? 1 : 0;
        break;
      case TSettingKind::ByteOf4:
        bytes[at] = static_cast<char>(value.Int & 0xFF);
        break;
      case TSettingKind::Flag:
        bytes[at] = value.Int != 0 ? 1 : 0;
        break;
      case TSettingKind::Name: {
        const size_t length = std::min(value.Text.size(), kStoredNameLength);
        bytes[at] = static_cast<char>(length);
        std::copy_n(value.Text.begin(), length, bytes.begin() + at + 1);
        break;
      }
    }
  }
  return bytes;
}

TSettingValue DecodeSetting(const TSetting& setting, std::string_view field) {
  TSettingValue value;
  switch (setting.Kind) {
    case TSettingKind::Int32:
    case TSettingKind::Colour:
      value.Int = static_cast<Integer>(GetInt32(field));
      break;
    case TSettingKind::Float:
      value.Float = std::bit_cast<Single>(GetInt32(field));
      break;
    case TSettingKind::Switches:
      for (size_t i = 0; i < value.Switches.size(); ++i) value.Switches[i] = field[i] != 0;
      break;
    case TSettingKind::ByteOf4:
      value.Int = static_cast<uint8_t>(field[0]);
      break;
    case TSettingKind::Flag:
      value.Int = field[0] != 0 ? 1 : 0;
      break;
    case TSettingKind::Name: {
      // A length above the capacity reads as the capacity.
      const size_t length = std::min<size_t>(static_cast<uint8_t>(field[0]), kStoredNameLength);
      value.Text = std::string(field.substr(1, length));
      break;
    }
  }
  return value;
}

size_t DecodeOptions(std::string_view bytes, TSettingValues& values) {
  size_t read = 0;
  for (const TSetting& setting : kSettings) {
    if (setting.Offset + setting.Size > bytes.size()) break;
    values[static_cast<size_t>(setting.Id)] = DecodeSetting(setting, bytes.substr(setting.Offset, setting.Size));
    ++read;
  }
  return read;
}

}  // namespace lr
