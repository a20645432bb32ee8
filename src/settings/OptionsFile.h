// Options.dat: the table's values as 102 bytes and back, little-endian, zero in the bytes
// that carry no meaning.
#pragma once

#include <string>
#include <string_view>

#include "settings/SettingsTable.h"

namespace lr {

// The whole file for these values.
std::string EncodeOptions(const TSettingValues& values);

// One row from its own bytes (exactly the row's size).
TSettingValue DecodeSetting(const TSetting& setting, std::string_view field);

// Reads the rows in file order while the bytes last; a row the bytes cannot fill and the rows
// after it are left as they are. Returns how many rows were read.
size_t DecodeOptions(std::string_view bytes, TSettingValues& values);

}  // namespace lr
