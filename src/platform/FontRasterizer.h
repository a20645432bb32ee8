// Text rasterising: system fonts found by family name, measured and drawn into white
// coverage bitmaps. The engine sees only the two interfaces at the top of this file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace lr {

// Style bits of a font request; the engine's font styles use the same values.
constexpr unsigned kFontBold = 1;
constexpr unsigned kFontItalic = 2;
constexpr unsigned kFontUnderline = 4;
constexpr unsigned kFontStrikeOut = 8;

// A rendered string: ARGB pixels row by row, white with alpha = glyph coverage.
struct TTextBitmap {
  int Width = 0;
  int Height = 0;
  std::vector<uint32_t> Pixels;
};

struct TTextExtent {
  int Width = 0;
  int Height = 0;
};

// One opened font at one size and style.
class IFontFace {
 public:
  virtual ~IFontFace() = default;
  // The family actually drawn with (a stand-in's name when the requested one is missing).
  virtual std::string Family() const = 0;
  // Width and height in pixels; an empty string has width 0 and the font's line height.
  virtual TTextExtent Measure(const std::string& text) const = 0;
  // An empty bitmap for an empty string or text with no pixels.
  virtual TTextBitmap Render(const std::string& text) const = 0;
};

// The font engine: opens faces by family name.
class IFontRasterizer {
 public:
  virtual ~IFontRasterizer() = default;
  // pointSize is in Windows points (96 pixels per inch); style is a mix of kFont* bits.
  // Returns nullptr when no font at all can be opened.
  virtual std::unique_ptr<IFontFace> Open(const std::string& family, int pointSize, unsigned style) = 0;
};

// The font file chosen for a family.
struct TFontMatch {
  std::string Path;
  int Index = 0;           // face number inside a font collection
  std::string Family;      // the family of the file found
  bool Fallback = false;   // the requested family is not installed
  bool SynthesiseBold = false;    // bold was asked for and the file is not bolder than usual
  bool SynthesiseItalic = false;  // italic was asked for and the file is upright
};

// Pixel em height of a font of pointSize points on a 96-dpi display, rounded like MulDiv.
int PointsToPixels(int pointSize);

// The game hands its 8-bit names over as UTF-8. Should text that is not valid UTF-8 arrive
// all the same, it is read as Latin-1 byte by byte, so every byte still shows as some
// character and nothing fails.
std::string TextToUtf8(const std::string& text);

// The real engine: fontconfig finds the file, SDL_ttf measures and renders. Needs no video
// subsystem, so headless runs draw the same pixels as windowed ones.
class TFontRasterizer final : public IFontRasterizer {
 public:
  TFontRasterizer();
  ~TFontRasterizer() override;
  TFontRasterizer(const TFontRasterizer&) = delete;
  TFontRasterizer& operator=(const TFontRasterizer&) = delete;

  // False when fontconfig or SDL_ttf could not start; Open then always fails.
  bool Ready() const;
  // Picks the file for a family: the family itself when installed, else the first installed
  // stand-in of its list, else whatever fontconfig offers. Logs each stand-in once.
  TFontMatch Find(const std::string& family, unsigned style);
  std::unique_ptr<IFontFace> Open(const std::string& family, int pointSize, unsigned style) override;

 private:
  struct TState;
  std::unique_ptr<TState> State;
};

}  // namespace lr
