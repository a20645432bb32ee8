// Reading the table's values and the locale-independent number conversions.
#include "settings/SettingsTable.h"

#include <charconv>
#include <cmath>

namespace lr {

namespace {

std::string_view TrimBlanks(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::optional<Integer> ParseWholeNumber(std::string_view text) {
  text = TrimBlanks(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  Integer value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<Single> ParseDecimal(std::string_view text) {
  text = TrimBlanks(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  // Only digits, a point, a sign and an exponent: no "inf", "nan" or hexadecimal.
  if (text.empty() || text.find_first_not_of("0123456789.-+eE") != std::string_view::npos) return std::nullopt;
  Single value = 0;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::string FormatDecimal(Single value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
  return std::string(buffer, result.ptr);
}

TSettingValue ParseTableValue(const TSetting& setting, std::string_view text) {
  TSettingValue value;
  switch (setting.Kind) {
    case TSettingKind::Float:
      value.Float = ParseDecimal(text).value_or(0);
      break;
    case TSettingKind::Switches:
      value.Switches.fill(text == "1");
      break;
    case TSettingKind::Name:
      value.Text = text;
      break;
    default:
      value.Int = ParseWholeNumber(text).value_or(0);
      break;
  }
  return value;
}

}  // namespace lr
