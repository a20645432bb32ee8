// The heavy frame: a busy 640×480 frame of the game described as a list of engine calls, and
// the routine that draws it through the screen, image list, primitives and fonts exactly as the
// game's code does. Shared by bench_frame.cpp and tests/engine/HeavyFrameTest.cpp.
//
// The frame, in drawing order:
//   1. the background: the white 640×480 "BG" sheet through DrawColors with a top colour and
//      black bottom corners, as the main form draws it (blend mode 0);
//   2. 64 "Platform" tiles (32×32) and 16 "Sticky" players (32×64, various patterns, half of
//      them mirrored, tinted like the players), through DrawEx as sprites draw (mode 0);
//   3. 300 "PSmoke" particles (32×32) through DrawColors in mode 2 (additive with alpha), each
//      corner with its own colour;
//   4. four 640×60 "Lava" quads through DrawEx in mode 4 (additive by colour);
//   5. 12 icons ("Bubble", "Powerup_*") rotated and scaled up through DrawRGBA (mode 0);
//   6. a full-screen black rectangle of alpha 128 through TOmegaPrimitives::DrawRect, in the
//      blend mode left in force (0), as the scoreboards fade;
//   7. 40 lines of text: 10 in the large font (20 pt) and 30 in the small one (11 pt).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/OmegaFont.h"
#include "engine/OmegaImageList.h"
#include "engine/OmegaPrimitives.h"
#include "engine/OmegaScreen.h"

namespace lr::heavy {

constexpr Integer ScreenWidth = 640;
constexpr Integer ScreenHeight = 480;
constexpr int TileCount = 64;
constexpr int PlayerCount = 16;
constexpr int ParticleCount = 300;
constexpr int LavaCount = 4;
constexpr int RotatedCount = 12;
constexpr int LargeTextLines = 10;
constexpr int SmallTextLines = 30;

enum class TCallKind { Colors, Ex, RGBA, Rect, Text };

// One engine call. Image calls use Item, the pivot is always the centre (0.5, 0.5) as for
// sprites; Rect uses Colors[0], X, Y, Width, Height; Text uses Font, Text and Colors[0].
struct TDrawCall {
  TCallKind Kind = TCallKind::Ex;
  TImageListItem* Item = nullptr;
  Integer X = 0, Y = 0;
  Integer Width = 0, Height = 0;
  Single Angle = 0;
  Single ScaleX = 1, ScaleY = 1;
  uint32_t Colors[4] = {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF};
  bool MirrorX = false;
  Integer Pattern = 0;
  Integer BlendMode = 0;
  TOmegaFont* Font = nullptr;
  std::string Text;
};

inline uint32_t Hash(uint32_t x) {
  x ^= x >> 16;
  x *= 0x7FEB352Du;
  x ^= x >> 15;
  x *= 0x846CA68Bu;
  return x ^ (x >> 16);
}

inline Byte ByteOf(uint32_t color, int shift) { return static_cast<Byte>(color >> shift); }

// The frame's calls over the sheets of list (found by the game's names). Returns an empty list
// and a reason in error when a sheet it needs is missing or has no texture.
inline std::vector<TDrawCall> MakeHeavyFrame(const TOmegaImageList& list, TOmegaFont& small, TOmegaFont& large,
                                             std::string& error) {
  std::vector<TDrawCall> calls;
  const char* needed[] = {"BG", "Lava", "Platform", "Sticky", "PSmoke", "Bubble"};
  for (const char* name : needed) {
    const TImageListItem* item = list.Find(name);
    if (!item || !item->Texture) {
      error = std::string("sheet ") + name + " is missing or not loaded";
      return calls;
    }
  }
  std::vector<TImageListItem*> icons = {list.Find("Bubble")};
  for (const auto& item : list.ImageList)
    if (item->Name.rfind("Powerup_", 0) == 0 && item->Texture) icons.push_back(item.get());

  TDrawCall bg;
  bg.Kind = TCallKind::Colors;
  bg.Item = list.Find("BG");
  const uint32_t top = ColorARGB(40, 70, 140, 255);
  bg.Colors[0] = bg.Colors[1] = top;
  bg.Colors[2] = bg.Colors[3] = 0xFF000000u;
  calls.push_back(bg);

  for (int i = 0; i < TileCount; ++i) {  // eight rows of eight platform tiles
    TDrawCall tile;
    tile.Item = list.Find("Platform");
    tile.X = 16 + (i % 8) * 32 + (i / 8 % 2) * 300;
    tile.Y = 60 + (i / 8) * 48;
    calls.push_back(tile);
  }
  for (int i = 0; i < PlayerCount; ++i) {
    const uint32_t h = Hash(static_cast<uint32_t>(i) + 100);
    TDrawCall player;
    player.Item = list.Find("Sticky");
    player.X = static_cast<Integer>(h % 600);
    player.Y = static_cast<Integer>((h >> 10) % 400);
    player.Pattern = static_cast<Integer>((h >> 20) % 13);
    player.MirrorX = (i % 2) == 1;
    const uint32_t tint = (i % 2) == 0 ? ColorARGB(200, 50, 50, 255) : ColorARGB(50, 200, 50, 255);
    for (uint32_t& c : player.Colors) c = tint;
    calls.push_back(player);
  }
  for (int i = 0; i < ParticleCount; ++i) {
    const uint32_t h = Hash(static_cast<uint32_t>(i) + 5000);
    TDrawCall smoke;
    smoke.Kind = TCallKind::Colors;
    smoke.Item = list.Find("PSmoke");
    smoke.X = static_cast<Integer>(h % 608);
    smoke.Y = static_cast<Integer>((h >> 10) % 448);
    smoke.BlendMode = 2;
    const Integer alpha = 64 + static_cast<Integer>((h >> 20) % 192);
    smoke.Colors[0] = ColorARGB(255, 255, 255, alpha);
    smoke.Colors[1] = ColorARGB(255, 200, 80, alpha);
    smoke.Colors[2] = ColorARGB(255, 120, 30, alpha / 2);
    smoke.Colors[3] = ColorARGB(180, 180, 180, alpha);
    calls.push_back(smoke);
  }
  for (int i = 0; i < LavaCount; ++i) {
    TDrawCall lava;
    lava.Item = list.Find("Lava");
    lava.X = 0;
    lava.Y = 300 + i * 45;
    lava.BlendMode = 4;
    calls.push_back(lava);
  }
  for (int i = 0; i < RotatedCount; ++i) {
    TDrawCall icon;
    icon.Kind = TCallKind::RGBA;
    icon.Item = icons[static_cast<size_t>(i) % icons.size()];
    icon.X = 30 + i * 50;
    icon.Y = 180 + (i % 3) * 60;
    icon.Angle = 17.0f + 29.0f * static_cast<Single>(i);
    icon.ScaleX = icon.ScaleY = 1.25f + 0.25f * static_cast<Single>(i % 4);
    icon.Colors[0] = ColorARGB(255, 255, 255, i % 2 == 0 ? 255 : 200);
    calls.push_back(icon);
  }
  TDrawCall fader;
  fader.Kind = TCallKind::Rect;
  fader.Width = ScreenWidth;
  fader.Height = ScreenHeight;
  fader.Colors[0] = ColorARGB(0, 0, 0, 128);
  calls.push_back(fader);

  static const char* const headings[LargeTextLines] = {"ROUND 3 OF 10", "NAME",   "KILLS",      "DEATHS",
                                                       "WON",           "FAV. ITEM", "RED MAN WINS", "GREEN MAN",
                                                       "SUDDEN DEATH",  "GET READY"};
  for (int i = 0; i < LargeTextLines; ++i) {
    TDrawCall text;
    text.Kind = TCallKind::Text;
    text.Font = &large;
    text.Text = headings[i];
    text.X = 20 + (i % 2) * 320;
    text.Y = 8 + (i / 2) * 94;
    text.Colors[0] = ColorARGB(255, 255 - 20 * i, 64 + 15 * i, 255);
    calls.push_back(text);
  }
  static const char* const names[] = {"Red Man", "Green Man", "Blue Man", "Yellow Man", "Pink Man", "Grey Man"};
  static const char* const causes[] = {"Lava", "Mine", "TNT", "Electrocuted", "Suicide", "Shot"};
  for (int i = 0; i < SmallTextLines; ++i) {
    char line[96];
    std::snprintf(line, sizeof line, "%s  kills %d  deaths %d  won %d  %s", names[i % 6], (i * 7) % 23, i % 5,
                  i % 4, causes[(i / 6) % 6]);
    TDrawCall text;
    text.Kind = TCallKind::Text;
    text.Font = &small;
    text.Text = line;
    text.X = 10 + (i % 2) * 320;
    text.Y = 40 + (i / 2) * 29;
    text.Colors[0] = ColorARGB(128 + 4 * i, 255 - 6 * i, 64 + 6 * i, 255);
    calls.push_back(text);
  }
  return calls;
}

// One call through the engine. suffix is appended to text, so that new strings can be forced.
inline void DrawCall(TOmegaPrimitives& prim, const TDrawCall& c, const std::string& suffix = {}) {
  switch (c.Kind) {
    case TCallKind::Colors:
      c.Item->DrawColors(c.X, c.Y, c.Angle, 0.5f, 0.5f, c.ScaleX, c.ScaleY, c.Colors[0], c.Colors[1], c.Colors[2],
                         c.Colors[3], c.Pattern, c.BlendMode);
      break;
    case TCallKind::Ex:
      c.Item->DrawEx(c.X, c.Y, c.Angle, 0.5f, 0.5f, c.ScaleX, c.ScaleY, c.Colors[0], c.Colors[1], c.Colors[2],
                     c.Colors[3], false, c.MirrorX, c.Pattern, c.BlendMode);
      break;
    case TCallKind::RGBA:
      c.Item->DrawRGBA(c.X, c.Y, c.Angle, 0.5f, 0.5f, c.ScaleX, c.ScaleY, ByteOf(c.Colors[0], 16),
                       ByteOf(c.Colors[0], 8), ByteOf(c.Colors[0], 0), ByteOf(c.Colors[0], 24), c.Pattern,
                       c.BlendMode);
      break;
    case TCallKind::Rect:
      prim.DrawRect(c.Colors[0], static_cast<Single>(c.X), static_cast<Single>(c.Y), static_cast<Single>(c.Width),
                    static_cast<Single>(c.Height));
      break;
    case TCallKind::Text:
      c.Font->TextOut(c.X, c.Y, suffix.empty() ? c.Text : c.Text + suffix, ByteOf(c.Colors[0], 16),
                      ByteOf(c.Colors[0], 8), ByteOf(c.Colors[0], 0), ByteOf(c.Colors[0], 24));
      break;
  }
}

// The whole frame, bracketed by BeginScene and EndScene.
inline void DrawHeavyFrame(TOmegaScreen& screen, TOmegaPrimitives& prim, const std::vector<TDrawCall>& calls,
                           const std::string& suffix = {}) {
  screen.BeginScene();
  for (const TDrawCall& c : calls) DrawCall(prim, c, suffix);
  screen.EndScene();
}

}  // namespace lr::heavy
