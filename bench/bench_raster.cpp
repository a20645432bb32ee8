// The software device on a heavy 640×480 frame: how many milliseconds one frame of drawing costs.
//
// The frame: a corner-coloured background over the whole screen, four additive 640×60 lava
// strips, 80 colour-keyed 32×32 sprites, 300 additive 32×32 smoke particles, 12 rotated and
// scaled sprites and a translucent full-screen fader quad; about 1.2 M pixel writes. Vertex
// colours carry the screen's global colour (255 becomes 254), as every quad of the game does.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/SoftwareDevice.h"

namespace lr {
namespace {

constexpr int ScreenWidth = 640;
constexpr int ScreenHeight = 480;

struct TDraw {
  const TTexture* Texture;
  Integer Mode;
  TVertex V[4];
};

TTexture MakeTexture(int w, int h, uint32_t (*texel)(int x, int y)) {
  TTexture t;
  t.Width = w;
  t.Height = h;
  t.Texels.resize(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) t.Texels[static_cast<size_t>(y) * w + x] = texel(x, y);
  return t;
}

uint32_t Hash(uint32_t x) {
  x ^= x >> 16;
  x *= 0x7FEB352Du;
  x ^= x >> 15;
  x *= 0x846CA68Bu;
  return x ^ (x >> 16);
}

// A quad as the image list builds it: right and bottom edges + 0.5, rotated and scaled about
// its centre, texture coordinates of the (u2, v2) corner of the picture.
TDraw ImageQuad(const TTexture* tex, Integer mode, float x, float y, float w, float h, float u2, float v2,
                uint32_t c0, uint32_t c1, uint32_t c2, uint32_t c3, float angle = 0, float scale = 1) {
  TDraw d{tex, mode, {}};
  const float px = x + w / 2, py = y + h / 2;
  const float cs = std::cos(angle), sn = std::sin(angle);
  const float corners[4][2] = {{x, y}, {x + w + 0.5f, y}, {x + w + 0.5f, y + h + 0.5f}, {x, y + h + 0.5f}};
  const float uv[4][2] = {{0, 0}, {u2, 0}, {u2, v2}, {0, v2}};
  const uint32_t colours[4] = {c0, c1, c2, c3};
  for (int i = 0; i < 4; ++i) {
    const float dx = corners[i][0] - px, dy = corners[i][1] - py;
    d.V[i] = {px + scale * cs * dx - scale * sn * dy, py + scale * sn * dx + scale * cs * dy, 0, 1, colours[i],
              uv[i][0], uv[i][1]};
  }
  return d;
}

struct TFrame {
  TTexture Background, Lava, Sprite, Smoke;
  std::vector<TDraw> Draws;

  explicit TFrame(bool shadedParticles) {
    Background = MakeTexture(1024, 512, [](int, int) { return 0xFFFFFFFFu; });
    Lava = MakeTexture(1024, 64, [](int x, int y) {
      return 0xFF000000u | (Hash(static_cast<uint32_t>(x * 64 + y)) & 0x00FF7F1Fu) | 0x00800000u;
    });
    Sprite = MakeTexture(32, 32, [](int x, int y) {  // a keyed-out disc
      const int dx = x - 16, dy = y - 16;
      return dx * dx + dy * dy < 196 ? 0xFF000000u | (Hash(static_cast<uint32_t>(x + 32 * y)) & 0xFFFFFFu) : 0u;
    });
    Smoke = MakeTexture(32, 32, [](int x, int y) {  // soft round puff
      const double r = std::sqrt((x - 15.5) * (x - 15.5) + (y - 15.5) * (y - 15.5)) / 16;
      const uint32_t a = r >= 1 ? 0u : static_cast<uint32_t>(255 * (1 - r));
      return (a << 24) | 0x00C0C0C0u;
    });

    Draws.push_back(ImageQuad(&Background, 0, 0, 0, 640, 480, 640.0f / 1024, 480.0f / 512, 0xFE102040,
                              0xFE204080, 0xFE602010, 0xFE301020));
    for (int i = 0; i < 4; ++i)
      Draws.push_back(ImageQuad(&Lava, 2, 0, 300.0f + i * 45, 640, 60, 640.0f / 1024, 60.0f / 64, 0x80FEFEFE,
                                0x80FEFEFE, 0x80FEFEFE, 0x80FEFEFE));
    for (int i = 0; i < 80; ++i) {
      const uint32_t h = Hash(static_cast<uint32_t>(i) + 1000);
      Draws.push_back(ImageQuad(&Sprite, 0, static_cast<float>(h % 600), static_cast<float>((h >> 10) % 440), 32,
                                32, 1, 1, 0xFEFEFEFE, 0xFEFEFEFE, 0xFEFEFEFE, 0xFEFEFEFE));
    }
    for (int i = 0; i < 300; ++i) {
      const uint32_t h = Hash(static_cast<uint32_t>(i) + 5000);
      const uint32_t base = 0x00FEFEFEu | ((h >> 24) & 0xFEu) << 24;
      const uint32_t tint = shadedParticles ? (base & 0xFF00FFFFu) | (h & 0x0000FF00u) : base;
      Draws.push_back(ImageQuad(&Smoke, 2, static_cast<float>(h % 600), static_cast<float>((h >> 10) % 440), 32, 32,
                                1, 1, base, tint, base, shadedParticles ? 0x40FE8020u : base));
    }
    for (int i = 0; i < 12; ++i)
      Draws.push_back(ImageQuad(&Sprite, 0, 60.0f + i * 45, 200, 32, 32, 1, 1, 0xFEFEFEFE, 0xFEFEFEFE,
                                0xFEFEFEFE, 0xFEFEFEFE, 0.3f * i + 0.1f, 1.5f));
    TDraw fader{nullptr, 0, {}};
    const float corners[4][2] = {{0, 0}, {640, 0}, {640, 480}, {0, 480}};
    for (int i = 0; i < 4; ++i) fader.V[i] = {corners[i][0], corners[i][1], 0, 1, 0x80000000u, 0, 0};
    Draws.push_back(fader);
  }

  void Render(TSoftwareDevice& device) const {
    device.Clear(0xFF000000u);
    for (const TDraw& d : Draws) {
      device.SetBlendMode(d.Mode);
      device.SetTexture(d.Texture);
      device.DrawTriangleFan(d.V, 4);
    }
  }
};

void RunFrame(benchmark::State& state, bool shadedParticles) {
  const TFrame frame(shadedParticles);
  TSoftwareDevice device(ScreenWidth, ScreenHeight);
  for (auto _ : state) {
    frame.Render(device);
    benchmark::DoNotOptimize(device.BackBuffer());
    benchmark::ClobberMemory();
  }
  state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_HeavyFrame(benchmark::State& state) { RunFrame(state, false); }
void BM_HeavyFrameShadedParticles(benchmark::State& state) { RunFrame(state, true); }

// The parts on their own: where the time of the frame goes.
void BM_FullScreenTranslucentQuad(benchmark::State& state) {
  TSoftwareDevice device(ScreenWidth, ScreenHeight);
  const TVertex v[4] = {{0, 0, 0, 1, 0x80000000u, 0, 0},
                        {640, 0, 0, 1, 0x80000000u, 0, 0},
                        {640, 480, 0, 1, 0x80000000u, 0, 0},
                        {0, 480, 0, 1, 0x80000000u, 0, 0}};
  for (auto _ : state) {
    device.DrawTriangleFan(v, 4);
    benchmark::DoNotOptimize(device.BackBuffer());
    benchmark::ClobberMemory();
  }
}

void BM_AdditiveParticles300(benchmark::State& state) {
  const TFrame frame(false);
  TSoftwareDevice device(ScreenWidth, ScreenHeight);
  device.SetBlendMode(2);
  device.SetTexture(&frame.Smoke);
  for (auto _ : state) {
    for (const TDraw& d : frame.Draws)
      if (d.Texture == &frame.Smoke) device.DrawTriangleFan(d.V, 4);
    benchmark::DoNotOptimize(device.BackBuffer());
    benchmark::ClobberMemory();
  }
}

BENCHMARK(BM_HeavyFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HeavyFrameShadedParticles)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullScreenTranslucentQuad)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AdditiveParticles300)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace lr

BENCHMARK_MAIN();
