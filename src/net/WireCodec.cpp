// Reading and writing one field of a message: bounds first, little-endian integers, short
// strings clamped to their field.
#include "net/WireCodec.h"

namespace lr::wire_detail {

namespace {

bool Inside(size_t size, const TWireField& field) { return field.Size > 0 && field.Offset + field.Size <= size; }

}  // namespace

bool Put(std::span<uint8_t> bytes, const TWireField& field, uint8_t value) {
  if (!Inside(bytes.size(), field)) return false;
  bytes[field.Offset] = value;
  return true;
}

bool Put(std::span<uint8_t> bytes, const TWireField& field, uint16_t value) {
  if (!Inside(bytes.size(), field)) return false;
  bytes[field.Offset] = static_cast<uint8_t>(value & 0xFF);
  bytes[field.Offset + 1] = static_cast<uint8_t>(value >> 8);
  return true;
}

bool Put(std::span<uint8_t> bytes, const TWireField& field, const std::string& value) {
  if (!Inside(bytes.size(), field)) return false;
  const size_t length = std::min<size_t>(value.size(), field.Size - 1u);
  bytes[field.Offset] = static_cast<uint8_t>(length);
  std::copy_n(value.begin(), length, bytes.begin() + field.Offset + 1);
  // The rest of the field stays as the message was made: zero.
  return true;
}

bool Put(std::span<uint8_t> bytes, const TWireField& field, const std::array<uint8_t, 3>& value) {
  if (!Inside(bytes.size(), field) || field.Size != value.size()) return false;
  std::copy(value.begin(), value.end(), bytes.begin() + field.Offset);
  return true;
}

bool Get(std::span<const uint8_t> bytes, const TWireField& field, uint8_t& value) {
  if (!Inside(bytes.size(), field)) return false;
  value = bytes[field.Offset];
  return true;
}

bool Get(std::span<const uint8_t> bytes, const TWireField& field, uint16_t& value) {
  if (!Inside(bytes.size(), field)) return false;
  value = static_cast<uint16_t>(bytes[field.Offset] | (bytes[field.Offset + 1] << 8));
  return true;
}

bool Get(std::span<const uint8_t> bytes, const TWireField& field, std::string& value) {
  if (!Inside(bytes.size(), field)) return false;
  // A length byte beyond the capacity reads as the capacity: never past the field.
  const size_t length = std::min<size_t>(bytes[field.Offset], field.Size - 1u);
  const auto first = bytes.begin() + field.Offset + 1;
  value.assign(first, first + static_cast<std::ptrdiff_t>(length));
  return true;
}

bool Get(std::span<const uint8_t> bytes, const TWireField& field, std::array<uint8_t, 3>& value) {
  if (!Inside(bytes.size(), field) || field.Size != value.size()) return false;
  std::copy_n(bytes.begin() + field.Offset, value.size(), value.begin());
  return true;
}

}  // namespace lr::wire_detail
