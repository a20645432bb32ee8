// The 28-byte pre-transformed vertex every quad, line and text is drawn from, and a texture.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/Types.h"

namespace lr {

struct TVertex {
  Single X = 0, Y = 0, Z = 0;  // screen pixels; z is always 0
  Single Rhw = 1;              // reciprocal w, always 1
  uint32_t Color = 0xFFFFFFFF; // ARGB
  Single U = 0, V = 0;         // texture coordinates, 0..1 across the texture
};
static_assert(sizeof(TVertex) == 28, "the vertex format is 28 bytes");

// A texture: 32-bit ARGB texels, row by row. Colour-keyed texels are all zero.
struct TTexture {
  Integer Width = 0;
  Integer Height = 0;
  std::vector<uint32_t> Texels;
  // Every texel is opaque white, so sampling changes nothing (the background's blank
  // picture): the device may draw it as plain vertex colour, pixel for pixel the same.
  bool OpaqueWhite = false;
  uint32_t At(Integer x, Integer y) const {
    return (x < 0 || y < 0 || x >= Width || y >= Height) ? 0u : Texels[static_cast<size_t>(y) * Width + x];
  }
};

}  // namespace lr
