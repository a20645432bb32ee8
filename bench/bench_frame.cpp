// The heavy frame of HeavyFrame.h in one run: through the engine, straight to the device, through
// SDL2's software renderer, and beside them the memory floor:
//   BM_HeavyFrame_Engine           through the engine as the game draws (screen, image list,
//                                  primitives, fonts), the 40 strings already in the fonts' caches
//                                  as the scoreboards' are from their second frame on;
//   BM_HeavyFrame_EngineFreshText  the same, every string new each frame (40 renders by the font
//                                  engine per frame: the worst case, not the game's steady state);
//   BM_HeavyFrame_DeviceReplay     the frame's quads handed straight to the software device;
//   BM_HeavyFrame_DevicePlainSpans the same with every span through the general pipeline (no fast
//                                  paths): what the fast paths save;
//   BM_HeavyFrame_SdlSoftware      the same quads through SDL2's software renderer
//                                  (SDL_RenderGeometry, two triangles per quad, on an SDL_Surface);
//   BM_MemoryFloor_SixCopies       six copies of a 640×480×4 buffer, back and forth between two
//                                  (cache-warm, like the back buffer): less than any frame costs.
//
// The quads given to the device replay and to SDL are those the engine submits: the image
// list's corner arithmetic is repeated here, and before anything is timed the replay is checked
// to give the engine's pixels exactly, so both sides draw the same vertices. SDL gets them
// converted to SDL_Vertex ahead of time, with textures made from the same texels; the blank
// background stays textured for SDL (measured a little faster for it than untextured), while
// our device skips sampling its all opaque white texels. SDL's blend modes stand in for the
// ones it lacks: mode 0 is SDL_BLENDMODE_BLEND; modes 1, 2 and 4 are SDL_BLENDMODE_ADD.
//
// The pictures are the game's sheets from <executable folder>/data (LR_DATA_DIR overrides);
// build the "assets" target next to the benchmark to get them.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "HeavyFrame.h"
#include "engine/SoftwareDevice.h"
#include "game/SpriteSheets.h"
#include "platform/FontRasterizer.h"
#include "platform/Paths.h"

namespace lr {
namespace {

using heavy::ScreenHeight;
using heavy::ScreenWidth;
using heavy::TCallKind;
using heavy::TDrawCall;

constexpr size_t PixelCount = static_cast<size_t>(ScreenWidth) * ScreenHeight;

// One quad as the device receives it.
struct TQuad {
  const TTexture* Texture;
  Integer Mode;
  TVertex V[4];
};

// The quad TImageListItem::DrawEx builds and the screen adjusts (see DrawCorners).
TQuad ImageQuad(const TOmegaScreen& screen, const TDrawCall& c) {
  const TImageListItem& item = *c.Item;
  const Integer x1 = c.X, y1 = c.Y, x2 = c.X + item.TileWidth, y2 = c.Y, x3 = c.X + item.TileWidth,
                y3 = c.Y + item.TileHeight, x4 = c.X, y4 = c.Y + item.TileHeight;
  const Single pivotX = 0.5f, pivotY = 0.5f;
  const Single scaleX = c.ScaleX == 0 ? 1 : c.ScaleX;
  const Single scaleY = c.ScaleY == 0 ? 1 : c.ScaleY;
  const Single angle = c.Angle;
  Integer pattern = c.Pattern;

  double uL, uR, vT, vB, w, h;
  if (pattern >= 0) {
    const Integer count = std::max(item.Rows * item.Columns, 1);
    if (pattern >= count) pattern = count - 1;
    const Integer cols = std::max(item.Columns, 1);
    const Integer col = pattern % cols;
    const Integer row = pattern / cols;
    uL = static_cast<double>(col * item.TileWidth) / item.TextureWidth;
    uR = static_cast<double>(col * item.TileWidth + item.TileWidth) / item.TextureWidth;
    vT = static_cast<double>(row * item.TileHeight) / item.TextureHeight;
    vB = static_cast<double>(row * item.TileHeight + item.TileHeight) / item.TextureHeight;
    w = item.TileWidth;
    h = item.TileHeight;
  } else {
    uL = vT = 0;
    uR = static_cast<double>(item.ImageWidth) / item.TextureWidth;
    vB = static_cast<double>(item.ImageHeight) / item.TextureHeight;
    w = item.ImageWidth;
    h = item.ImageHeight;
  }
  if (c.MirrorX) std::swap(uL, uR);

  TQuad q{item.Texture.get(), c.BlendMode, {}};
  for (int i = 0; i < 4; ++i) q.V[i].Color = c.Kind == TCallKind::RGBA ? c.Colors[0] : c.Colors[i];
  q.V[0].U = static_cast<Single>(uL), q.V[0].V = static_cast<Single>(vT);
  q.V[1].U = static_cast<Single>(uR), q.V[1].V = static_cast<Single>(vT);
  q.V[2].U = static_cast<Single>(uR), q.V[2].V = static_cast<Single>(vB);
  q.V[3].U = static_cast<Single>(uL), q.V[3].V = static_cast<Single>(vB);
  const double px0[4] = {static_cast<double>(x1), x2 + 0.5, x3 + 0.5, static_cast<double>(x4)};
  const double py0[4] = {static_cast<double>(y1), static_cast<double>(y2), y3 + 0.5, y4 + 0.5};
  const double px = x1 + w * pivotX;
  const double py = y1 + h * pivotY;
  const double theta = angle * M_PI / 180.0;
  const double cs = std::cos(theta);
  const double sn = std::sin(theta);
  for (int i = 0; i < 4; ++i) {
    const double dx = px0[i] - px;
    const double dy = py0[i] - py;
    q.V[i].X = static_cast<Single>(px + scaleX * cs * dx - scaleY * sn * dy);
    q.V[i].Y = static_cast<Single>(py + scaleX * sn * dx + scaleY * cs * dy);
  }
  screen.SubmitVertices(q.V, 4);
  return q;
}

SDL_BlendMode SdlBlendMode(Integer mode) {
  switch (mode) {
    case 1:
    case 2:
    case 4:
      return SDL_BLENDMODE_ADD;
    default:
      return SDL_BLENDMODE_BLEND;
  }
}

struct TSdlQuad {
  SDL_Texture* Texture;
  SDL_BlendMode Mode;
  SDL_Vertex V[4];
};

// Everything the benchmarks share, made once.
struct TRig {
  std::string Error;
  TFontRasterizer Fonts;
  TOmegaScreen Screen;
  TOmegaImageList Sheets;
  TOmegaPrimitives Prim;
  TOmegaFont Small, Large;
  std::vector<TDrawCall> Calls;
  std::vector<TQuad> Quads;
  std::vector<std::unique_ptr<TTexture>> TextTextures;
  std::vector<uint32_t> StartPixels;  // the back buffer before the first frame
  SDL_Surface* Target = nullptr;
  SDL_Renderer* Renderer = nullptr;
  std::map<const TTexture*, SDL_Texture*> SdlTextures;
  std::vector<TSdlQuad> SdlQuads;
  double SdlMeanDifference = 0;  // mean |ours − SDL's| per colour channel after one frame

  TRig() {
    const char* env = std::getenv("LR_DATA_DIR");
    const std::string data = env ? env : ExecutableDirectory() + "/data";
    Screen.Width = ScreenWidth;
    Screen.Height = ScreenHeight;
    Sheets.OmegaScreen = &Screen;
    const std::vector<std::string> problems = LoadSpriteSheets(Sheets, data);
    if (!problems.empty()) {
      Error = "cannot read the sheets in " + data + " (" + problems.front() +
              "); build the assets target or set LR_DATA_DIR";
      return;
    }
    TPicture white;  // the background entry, as the main form fills it
    white.Width = ScreenWidth;
    white.Height = ScreenHeight;
    white.BitsPerPixel = 32;
    white.Pixels.assign(PixelCount, 0xFFFFFFFFu);
    Sheets.Find("BG")->SetPicture(white);
    if (!Screen.Initialize()) {
      Error = "the screen could not start";
      return;
    }
    Sheets.DeviceInit();
    Prim.OmegaScreen = &Screen;
    for (TOmegaFont* font : {&Small, &Large}) {
      font->OmegaScreen = &Screen;
      font->Rasterizer = &Fonts;
    }
    Small.SetFont("Impact", 11, {});
    Large.SetFont("Showcard Gothic", 20, {});
    if (Sheets.FatalError || !Small.HasDeviceFont() || !Large.HasDeviceFont()) {
      Error = "a texture or a font could not be made";
      return;
    }
    Calls = heavy::MakeHeavyFrame(Sheets, Small, Large, Error);
    if (!Error.empty()) return;
    CaptureQuads();

    // The engine's first frame, and the same quads replayed on a device from the same start.
    StartPixels.assign(Screen.GetDevice()->BackBuffer(), Screen.GetDevice()->BackBuffer() + PixelCount);
    heavy::DrawHeavyFrame(Screen, Prim, Calls);
    TSoftwareDevice replay(ScreenWidth, ScreenHeight);
    Replay(replay);
    if (std::memcmp(replay.BackBuffer(), Screen.GetDevice()->BackBuffer(), PixelCount * 4) != 0) {
      Error = "the captured quads do not draw the engine's pixels";
      return;
    }
    TSoftwareDevice plain(ScreenWidth, ScreenHeight);  // and the device's fast paths change nothing
    plain.SetPlainSpans(true);
    Replay(plain);
    if (std::memcmp(replay.BackBuffer(), plain.BackBuffer(), PixelCount * 4) != 0) {
      Error = "the fast paths do not draw the general pipeline's pixels";
      return;
    }
    MakeSdlSide();
    if (!Error.empty()) return;
    DrawSdl();
    const auto* sdlPixels = static_cast<const uint32_t*>(Target->pixels);
    const uint32_t* ours = replay.BackBuffer();
    uint64_t sum = 0;
    for (size_t i = 0; i < PixelCount; ++i)
      for (int shift = 0; shift < 24; shift += 8)
        sum += static_cast<uint64_t>(std::abs(static_cast<int>((sdlPixels[i] >> shift) & 0xFF) -
                                              static_cast<int>((ours[i] >> shift) & 0xFF)));
    SdlMeanDifference = static_cast<double>(sum) / (3.0 * PixelCount);
  }

  ~TRig() {
    for (auto& [texture, sdl] : SdlTextures) SDL_DestroyTexture(sdl);
    if (Renderer) SDL_DestroyRenderer(Renderer);
    if (Target) SDL_FreeSurface(Target);
  }

  // The quads the engine submits for Calls, with the screen's blend-mode bookkeeping.
  void CaptureQuads() {
    Integer mode = Screen.BlendMode();
    for (const TDrawCall& c : Calls) {
      switch (c.Kind) {
        case TCallKind::Colors:
        case TCallKind::Ex:
        case TCallKind::RGBA:
          if (c.BlendMode != -1) mode = c.BlendMode;
          Quads.push_back(ImageQuad(Screen, c));
          Quads.back().Mode = mode;
          break;
        case TCallKind::Rect: {
          TQuad q{nullptr, mode, {}};
          const Single x = static_cast<Single>(c.X), y = static_cast<Single>(c.Y);
          const Single w = static_cast<Single>(c.Width), h = static_cast<Single>(c.Height);
          const Single xs[4] = {x, x + w, x + w, x}, ys[4] = {y, y, y + h, y + h};
          for (int i = 0; i < 4; ++i) q.V[i].X = xs[i], q.V[i].Y = ys[i], q.V[i].Color = c.Colors[0];
          Screen.SubmitVertices(q.V, 4);
          Quads.push_back(q);
          break;
        }
        case TCallKind::Text: {
          const std::unique_ptr<IFontFace> face =
              Fonts.Open(c.Font->FontName, c.Font->FontSize, c.Font->FontStyle.Value());
          TTextBitmap bitmap = face->Render(c.Text);
          auto texture = std::make_unique<TTexture>();
          texture->Width = bitmap.Width;
          texture->Height = bitmap.Height;
          texture->Texels = std::move(bitmap.Pixels);
          TQuad q{texture.get(), 0, {}};
          const Single left = static_cast<Single>(c.X), top = static_cast<Single>(c.Y);
          const Single right = static_cast<Single>(static_cast<double>(c.X) + texture->Width);
          const Single bottom = static_cast<Single>(static_cast<double>(c.Y) + texture->Height);
          q.V[0] = {left, top, 0, 1, c.Colors[0], 0, 0};
          q.V[1] = {right, top, 0, 1, c.Colors[0], 1, 0};
          q.V[2] = {right, bottom, 0, 1, c.Colors[0], 1, 1};
          q.V[3] = {left, bottom, 0, 1, c.Colors[0], 0, 1};
          TextTextures.push_back(std::move(texture));
          Quads.push_back(q);
          break;
        }
      }
    }
  }

  void Replay(TSoftwareDevice& device) const {
    std::memcpy(device.BackBuffer(), StartPixels.data(), PixelCount * 4);
    for (const TQuad& q : Quads) {
      device.SetBlendMode(q.Mode);
      device.SetTexture(q.Texture);
      device.DrawTriangleFan(q.V, 4);
    }
  }

  void MakeSdlSide() {
    Target = SDL_CreateRGBSurfaceWithFormat(0, ScreenWidth, ScreenHeight, 32, SDL_PIXELFORMAT_ARGB8888);
    if (Target) Renderer = SDL_CreateSoftwareRenderer(Target);
    if (!Renderer) {
      Error = std::string("SDL's software renderer could not start: ") + SDL_GetError();
      return;
    }
    std::memcpy(Target->pixels, StartPixels.data(), PixelCount * 4);
    for (const TQuad& q : Quads) {
      SDL_Texture* texture = nullptr;
      if (q.Texture) {
        auto found = SdlTextures.find(q.Texture);
        if (found == SdlTextures.end()) {
          // SDL copies the texels: the surface only borrows them for the call.
          SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
              const_cast<uint32_t*>(q.Texture->Texels.data()), q.Texture->Width, q.Texture->Height, 32,
              q.Texture->Width * 4, SDL_PIXELFORMAT_ARGB8888);
          texture = surface ? SDL_CreateTextureFromSurface(Renderer, surface) : nullptr;
          if (surface) SDL_FreeSurface(surface);
          if (!texture) {
            Error = std::string("SDL could not make a texture: ") + SDL_GetError();
            return;
          }
          found = SdlTextures.emplace(q.Texture, texture).first;
        }
        texture = found->second;
      }
      TSdlQuad s{texture, SdlBlendMode(q.Mode), {}};
      for (int i = 0; i < 4; ++i) {
        const TVertex& v = q.V[i];
        s.V[i].position = {v.X, v.Y};
        s.V[i].color = {static_cast<Uint8>(v.Color >> 16), static_cast<Uint8>(v.Color >> 8),
                        static_cast<Uint8>(v.Color), static_cast<Uint8>(v.Color >> 24)};
        s.V[i].tex_coord = {v.U, v.V};
      }
      SdlQuads.push_back(s);
    }
  }

  void DrawSdl() {
    static const int indices[6] = {0, 1, 2, 0, 2, 3};
    for (const TSdlQuad& q : SdlQuads) {
      if (q.Texture)
        SDL_SetTextureBlendMode(q.Texture, q.Mode);
      else
        SDL_SetRenderDrawBlendMode(Renderer, q.Mode);
      SDL_RenderGeometry(Renderer, q.Texture, q.V, 4, indices, 6);
    }
    SDL_RenderFlush(Renderer);
  }
};

TRig& Rig() {
  static TRig rig;
  return rig;
}

bool Ready(benchmark::State& state) {
  if (Rig().Error.empty()) return true;
  state.SkipWithError(Rig().Error.c_str());
  return false;
}

void BM_HeavyFrame_Engine(benchmark::State& state) {
  if (!Ready(state)) return;
  TRig& rig = Rig();
  heavy::DrawHeavyFrame(rig.Screen, rig.Prim, rig.Calls);  // the strings are cached from here on
  for (auto _ : state) {
    heavy::DrawHeavyFrame(rig.Screen, rig.Prim, rig.Calls);
    benchmark::DoNotOptimize(rig.Screen.GetDevice()->BackBuffer());
    benchmark::ClobberMemory();
  }
  state.counters["quads"] = static_cast<double>(rig.Quads.size());
  state.counters["cached strings"] = static_cast<double>(rig.Small.CachedStrings() + rig.Large.CachedStrings());
}

void BM_HeavyFrame_EngineFreshText(benchmark::State& state) {
  if (!Ready(state)) return;
  TRig& rig = Rig();
  uint64_t frame = 0;
  for (auto _ : state) {
    heavy::DrawHeavyFrame(rig.Screen, rig.Prim, rig.Calls, " " + std::to_string(++frame));
    benchmark::DoNotOptimize(rig.Screen.GetDevice()->BackBuffer());
    benchmark::ClobberMemory();
  }
}

// One frame of quads; kept out of line so that a profiler can single out the timed frames
// (valgrind --tool=callgrind --toggle-collect='*DrawReplayFrame*').
[[gnu::noinline]] void DrawReplayFrame(TSoftwareDevice& device, const std::vector<TQuad>& quads) {
  for (const TQuad& q : quads) {
    device.SetBlendMode(q.Mode);
    device.SetTexture(q.Texture);
    device.DrawTriangleFan(q.V, 4);
  }
}

void ReplayLoop(benchmark::State& state, bool plainSpans) {
  if (!Ready(state)) return;
  TRig& rig = Rig();
  TSoftwareDevice device(ScreenWidth, ScreenHeight);
  device.SetPlainSpans(plainSpans);
  rig.Replay(device);
  for (auto _ : state) {
    DrawReplayFrame(device, rig.Quads);
    benchmark::DoNotOptimize(device.BackBuffer());
    benchmark::ClobberMemory();
  }
}

void BM_HeavyFrame_DeviceReplay(benchmark::State& state) { ReplayLoop(state, false); }
void BM_HeavyFrame_DevicePlainSpans(benchmark::State& state) { ReplayLoop(state, true); }

void BM_HeavyFrame_SdlSoftware(benchmark::State& state) {
  if (!Ready(state)) return;
  TRig& rig = Rig();
  for (auto _ : state) {
    rig.DrawSdl();
    benchmark::DoNotOptimize(rig.Target->pixels);
    benchmark::ClobberMemory();
  }
  state.counters["mean |diff| vs ours"] = rig.SdlMeanDifference;
}

void BM_MemoryFloor_SixCopies(benchmark::State& state) {
  std::vector<uint32_t> a(PixelCount, 0xFF102030u), b(PixelCount, 0xFF405060u);
  for (auto _ : state) {
    for (int k = 0; k < 6; ++k) {
      if (k % 2 == 0)
        std::memcpy(b.data(), a.data(), PixelCount * 4);
      else
        std::memcpy(a.data(), b.data(), PixelCount * 4);
      benchmark::ClobberMemory();
    }
    benchmark::DoNotOptimize(a.data());
  }
}

BENCHMARK(BM_HeavyFrame_Engine)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HeavyFrame_EngineFreshText)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HeavyFrame_DeviceReplay)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HeavyFrame_DevicePlainSpans)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HeavyFrame_SdlSoftware)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MemoryFloor_SixCopies)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace lr

BENCHMARK_MAIN();
