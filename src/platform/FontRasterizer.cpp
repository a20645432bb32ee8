// Fonts by family name: fontconfig picks the file (with stand-ins for the faces Linux lacks),
// SDL_ttf measures and renders it.
//
// [SECTION] Stand-ins and text helpers
// [SECTION] Faces
// [SECTION] Finding files
#include "platform/FontRasterizer.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <set>
#include <string_view>

namespace lr {

namespace {

// [SECTION] Stand-ins and text helpers

struct TStandIn {
  const char* Family;
  int Weight;  // fontconfig weight the stand-in is drawn with when no bold is asked for
};

struct TStandInList {
  const char* Requested;  // compared without regard to case
  std::array<TStandIn, 3> Candidates;
};

// The game's two faces are Windows fonts. The stand-ins are tried in order; the first one
// installed wins. A family not listed here takes whatever fontconfig offers for it.
//   Impact: the small text of the scoreboards and credits, mostly mixed case (player names,
//     "Press Spacebar to continue." at x = 440 must end inside the 640-pixel screen). League
//     Spartan Bold is heavy, keeps its lower case, and is narrow enough for that line; the
//     condensed and plain DejaVu faces are wider and only stand in when it is missing.
//   Showcard Gothic: titles and column heads ("Final Round", "DEATHS"), a heavy poster face.
//     League Spartan Black reads like one at 27 pixels and keeps the heads inside their
//     columns; Bebas Neue is all capitals like Showcard Gothic but much lighter.
constexpr std::array<TStandInList, 2> kStandIns = {{
    {"Impact",
     {{{"League Spartan", FC_WEIGHT_BOLD}, {"DejaVu Sans Condensed", FC_WEIGHT_BOLD}, {"DejaVu Sans", FC_WEIGHT_BOLD}}}},
    {"Showcard Gothic",
     {{{"League Spartan", FC_WEIGHT_BLACK}, {"Bebas Neue", FC_WEIGHT_BOLD}, {"DejaVu Sans", FC_WEIGHT_BOLD}}}},
}};

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const unsigned char x = static_cast<unsigned char>(a[i]);
    const unsigned char y = static_cast<unsigned char>(b[i]);
    if (std::tolower(x) != std::tolower(y)) return false;
  }
  return true;
}

const TStandInList* StandInsFor(const std::string& family) {
  for (const TStandInList& list : kStandIns)
    if (SameName(list.Requested, family)) return &list;
  return nullptr;
}

// Length of the UTF-8 sequence starting at text[i], or 0 when it is not well formed
// (overlong forms, surrogates and values past U+10FFFF included).
size_t Utf8SequenceLength(const std::string& text, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) return 1;
  size_t length;
  unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  if (byte(i + 1) < low || byte(i + 1) > high) return 0;
  for (size_t k = 2; k < length; ++k)
    if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
  return length;
}

}  // namespace

int PointsToPixels(int pointSize) {
  // MulDiv(size, 96, 72): the product divided with rounding half away from zero.
  const long long product = static_cast<long long>(pointSize) * 96;
  const long long rounded = product >= 0 ? (product + 36) / 72 : (product - 36) / 72;
  return static_cast<int>(rounded);
}

std::string TextToUtf8(const std::string& text) {
  bool valid = true;
  for (size_t i = 0; i < text.size() && valid;) {
    const size_t length = Utf8SequenceLength(text, i);
    valid = length != 0;
    i += length;
  }
  if (valid) return text;
  std::string out;
  out.reserve(text.size() * 2);
  for (const char c : text) {
    const unsigned char b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      out += c;
    } else {
      out += static_cast<char>(0xC0 | (b >> 6));
      out += static_cast<char>(0x80 | (b & 0x3F));
    }
  }
  return out;
}

namespace {

// [SECTION] Faces

// SDL_ttf is started once per rasterizer and stopped after the last face is closed.
struct TTtfLibrary {
  bool Started = TTF_Init() == 0;
  ~TTtfLibrary() {
    if (Started) TTF_Quit();
  }
};

class TTtfFace final : public IFontFace {
 public:
  TTtfFace(std::shared_ptr<TTtfLibrary> library, TTF_Font* font, std::string family)
      : Library(std::move(library)), Font(font), FamilyName(std::move(family)) {}
  ~TTtfFace() override { TTF_CloseFont(Font); }
  TTtfFace(const TTtfFace&) = delete;
  TTtfFace& operator=(const TTtfFace&) = delete;

  std::string Family() const override { return FamilyName; }

  TTextExtent Measure(const std::string& text) const override {
    TTextExtent extent{0, TTF_FontHeight(Font)};
    if (text.empty()) return extent;
    int w = 0, h = 0;
    if (TTF_SizeUTF8(Font, TextToUtf8(text).c_str(), &w, &h) == 0) extent = {w, h};
    return extent;
  }

  TTextBitmap Render(const std::string& text) const override {
    TTextBitmap bitmap;
    if (text.empty()) return bitmap;
    SDL_Surface* rendered = TTF_RenderUTF8_Blended(Font, TextToUtf8(text).c_str(), SDL_Color{255, 255, 255, 255});
    if (!rendered) return bitmap;  // nothing to draw, e.g. only characters of zero width
    SDL_Surface* surface = rendered;
    if (rendered->format->format != SDL_PIXELFORMAT_ARGB8888) {
      surface = SDL_ConvertSurfaceFormat(rendered, SDL_PIXELFORMAT_ARGB8888, 0);
      SDL_FreeSurface(rendered);
      if (!surface) return bitmap;
    }
    bitmap.Width = surface->w;
    bitmap.Height = surface->h;
    bitmap.Pixels.resize(static_cast<size_t>(surface->w) * surface->h);
    SDL_LockSurface(surface);
    for (int y = 0; y < surface->h; ++y) {
      const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(surface->pixels) +
                                                          static_cast<size_t>(y) * surface->pitch);
      uint32_t* out = &bitmap.Pixels[static_cast<size_t>(y) * surface->w];
      // Only the coverage is kept; the colour comes from the vertices that draw it.
      for (int x = 0; x < surface->w; ++x) out[x] = (row[x] & 0xFF000000u) | 0x00FFFFFFu;
    }
    SDL_UnlockSurface(surface);
    SDL_FreeSurface(surface);
    return bitmap;
  }

 private:
  std::shared_ptr<TTtfLibrary> Library;  // keeps SDL_ttf running while the face lives
  TTF_Font* Font;
  std::string FamilyName;
};

struct TFcMatch {
  std::string Path;
  int Index = 0;
  std::string Family;  // the family the caller asked about when the file has it, else its first
  std::string Style;   // e.g. "Bold", "Black", "Condensed Bold"
  bool HasFamily = false;
  int Weight = FC_WEIGHT_REGULAR;
  int Slant = FC_SLANT_ROMAN;
};

TFcMatch MatchFamily(FcConfig* config, const std::string& family, int weight, bool italic) {
  TFcMatch result;
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return result;
  if (!family.empty()) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, weight);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult outcome = FcResultNoMatch;
  FcPattern* match = FcFontMatch(config, pattern, &outcome);
  FcPatternDestroy(pattern);
  if (!match) return result;

  FcChar8* file = nullptr;
  if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) result.Path = reinterpret_cast<char*>(file);
  FcPatternGetInteger(match, FC_INDEX, 0, &result.Index);
  FcPatternGetInteger(match, FC_WEIGHT, 0, &result.Weight);
  FcPatternGetInteger(match, FC_SLANT, 0, &result.Slant);
  FcChar8* style = nullptr;
  if (FcPatternGetString(match, FC_STYLE, 0, &style) == FcResultMatch) result.Style = reinterpret_cast<char*>(style);
  // FcFontMatch always answers with something; only the families of the file tell whether
  // it is the one asked for.
  FcChar8* name = nullptr;
  for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
    const std::string value = reinterpret_cast<char*>(name);
    if (i == 0) result.Family = value;
    if (SameName(value, family)) {
      result.Family = value;
      result.HasFamily = true;
      break;
    }
  }
  FcPatternDestroy(match);
  return result;
}

}  // namespace

// [SECTION] Finding files

struct TFontRasterizer::TState {
  FcConfig* Config = nullptr;
  std::shared_ptr<TTtfLibrary> Library;
  std::set<std::string> Reported;  // requested families whose stand-in was logged
};

TFontRasterizer::TFontRasterizer() : State(std::make_unique<TState>()) {
  State->Config = FcInitLoadConfigAndFonts();
  State->Library = std::make_shared<TTtfLibrary>();
  if (!State->Library->Started) std::fprintf(stderr, "font: SDL_ttf could not start: %s\n", TTF_GetError());
  if (!State->Config) std::fprintf(stderr, "font: fontconfig could not start\n");
}

TFontRasterizer::~TFontRasterizer() {
  if (State->Config) FcConfigDestroy(State->Config);
}

bool TFontRasterizer::Ready() const { return State->Config && State->Library->Started; }

TFontMatch TFontRasterizer::Find(const std::string& family, unsigned style) {
  TFontMatch found;
  if (!State->Config) return found;
  const bool bold = (style & kFontBold) != 0;
  const bool italic = (style & kFontItalic) != 0;

  // Bold asks for the bold file; on a stand-in that is bold already, for the heaviest one.
  const auto pick = [&](const std::string& name, int weight, TFcMatch& out) {
    const int asked = !bold ? weight : weight >= FC_WEIGHT_BOLD ? FC_WEIGHT_EXTRABLACK : FC_WEIGHT_BOLD;
    out = MatchFamily(State->Config, name, asked, italic);
    return out.HasFamily && !out.Path.empty();
  };

  TFcMatch match;
  int baseWeight = FC_WEIGHT_REGULAR;  // what the face is drawn with when no bold is asked for
  const bool fallback = !pick(family, baseWeight, match);
  if (fallback) {
    TFcMatch standIn;
    bool foundStandIn = false;
    if (const TStandInList* list = StandInsFor(family))
      for (const TStandIn& candidate : list->Candidates)
        if ((foundStandIn = pick(candidate.Family, candidate.Weight, standIn))) {
          baseWeight = candidate.Weight;
          break;
        }
    // Without a listed stand-in the first answer stands: fontconfig's own idea of a substitute.
    if (foundStandIn) match = standIn;
    if (!match.Path.empty() && State->Reported.insert(family).second)
      std::fprintf(stderr, "font: '%s' not installed, using '%s' (%s)\n", family.c_str(), match.Family.c_str(),
                   match.Style.c_str());
  }
  found.Path = match.Path;
  found.Index = match.Index;
  found.Family = match.Family;
  found.Fallback = fallback;
  // No heavier file: SDL_ttf thickens the strokes (it leaves faces marked bold as they are).
  found.SynthesiseBold = bold && match.Weight <= baseWeight;
  found.SynthesiseItalic = italic && match.Slant == FC_SLANT_ROMAN;
  return found;
}

std::unique_ptr<IFontFace> TFontRasterizer::Open(const std::string& family, int pointSize, unsigned style) {
  if (!Ready() || pointSize <= 0) return nullptr;
  const TFontMatch match = Find(family, style);
  if (match.Path.empty()) return nullptr;
  TTF_Font* font = TTF_OpenFontIndex(match.Path.c_str(), PointsToPixels(pointSize), match.Index);
  if (!font) {
    std::fprintf(stderr, "font: cannot open '%s': %s\n", match.Path.c_str(), TTF_GetError());
    return nullptr;
  }
  // What the file lacks is made up by SDL_ttf: emboldening, slanting, the two lines.
  int ttfStyle = TTF_STYLE_NORMAL;
  if (match.SynthesiseBold) ttfStyle |= TTF_STYLE_BOLD;
  if (match.SynthesiseItalic) ttfStyle |= TTF_STYLE_ITALIC;
  if (style & kFontUnderline) ttfStyle |= TTF_STYLE_UNDERLINE;
  if (style & kFontStrikeOut) ttfStyle |= TTF_STYLE_STRIKETHROUGH;
  TTF_SetFontStyle(font, ttfStyle);
  return std::make_unique<TTtfFace>(State->Library, font, match.Family);
}

}  // namespace lr
