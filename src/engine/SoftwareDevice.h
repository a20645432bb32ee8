// TSoftwareDevice: the rasteriser that stands in for the graphics card. It draws triangle
// fans and line strips of pre-transformed vertices into a 32-bit ARGB back buffer.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/Vertex.h"

namespace lr {

class TSoftwareDevice {
 public:
  TSoftwareDevice(Integer width, Integer height);

  Integer Width() const { return FWidth; }
  Integer Height() const { return FHeight; }
  const uint32_t* BackBuffer() const { return Buffer.data(); }
  uint32_t* BackBuffer() { return Buffer.data(); }

  // Fills the whole back buffer with one ARGB colour.
  void Clear(uint32_t argb);
  // Blend factors of modes 0..13; any other value acts as mode 0.
  void SetBlendMode(Integer mode);
  Integer BlendMode() const { return FBlendMode; }
  // nullptr draws untextured (the vertex colour alone). The texture must outlive its use.
  void SetTexture(const TTexture* texture);
  const TTexture* Texture() const { return FTexture; }

  // count vertices as a fan: triangles (0, i, i + 1).
  void DrawTriangleFan(const TVertex* vertices, int count);
  // Draws every span through the general pipeline, without the fast paths for common cases;
  // the pixels are the same either way (tests and benchmarks compare the two).
  void SetPlainSpans(bool plain) { FPlainSpans = plain; }

  // count vertices as connected one-pixel lines (count - 1 of them).
  void DrawLineStrip(const TVertex* vertices, int count);

 private:
  Integer FWidth;
  Integer FHeight;
  std::vector<uint32_t> Buffer;
  Integer FBlendMode = 0;
  const TTexture* FTexture = nullptr;
  bool FPlainSpans = false;
};

}  // namespace lr
