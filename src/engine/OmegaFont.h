// TOmegaFont: text in a named system font, drawn through the screen as one textured quad
// per string and measured in pixels.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/OmegaScreen.h"
#include "engine/Types.h"
#include "engine/Vertex.h"
#include "platform/FontRasterizer.h"

namespace lr {

enum TFontStyle : Byte { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

// A set of font styles: fsBold | fsItalic, or {} for none.
class TFontStyles {
 public:
  constexpr TFontStyles() = default;
  constexpr TFontStyles(TFontStyle style) : Bits(style) {}  // NOLINT: a single style is a set
  constexpr bool Contains(TFontStyle style) const { return (Bits & style) != 0; }
  constexpr Byte Value() const { return Bits; }
  constexpr TFontStyles operator|(TFontStyles other) const { return FromBits(Bits | other.Bits); }
  constexpr bool operator==(const TFontStyles&) const = default;

 private:
  static constexpr TFontStyles FromBits(int bits) {
    TFontStyles styles;
    styles.Bits = static_cast<Byte>(bits);
    return styles;
  }
  Byte Bits = 0;
};

constexpr TFontStyles operator|(TFontStyle a, TFontStyle b) { return TFontStyles(a) | TFontStyles(b); }

static_assert(fsBold == kFontBold && fsItalic == kFontItalic && fsUnderline == kFontUnderline &&
                  fsStrikeOut == kFontStrikeOut,
              "the engine's styles are handed to the font engine as they are");

class TOmegaFont final : public TDeviceComponent {
 public:
  TOmegaFont() = default;
  ~TOmegaFont() override;
  TOmegaFont(const TOmegaFont&) = delete;
  TOmegaFont& operator=(const TOmegaFont&) = delete;

  TOmegaScreen* OmegaScreen = nullptr;
  // The font engine the device font comes from; not owned. Without one there is no device
  // font: nothing is drawn and every extent is 0.
  IFontRasterizer* Rasterizer = nullptr;

  std::string FontName;
  Integer FontSize = 0;  // points
  TFontStyles FontStyle;
  // The text colour Write uses.
  Byte Red = 255, Green = 255, Blue = 255, Alpha = 255;
  uint32_t Color() const { return ColorARGB(Red, Green, Blue, Alpha); }
  void SetColor(uint32_t color);

  // Stores the font, makes the colour opaque white and re-creates the device font.
  void SetFont(const std::string& name, Integer size, TFontStyles style);
  // Creates the device font from FontName, FontSize and FontStyle; a font without a name or
  // with a size below 1 point has none.
  void Init();
  void UnInit();
  bool HasDeviceFont() const { return static_cast<bool>(Face); }
  // The family the device font was found in (a stand-in's when FontName is not installed).
  std::string DeviceFamily() const;

  // Text with its top-left corner at (x, y), in normal alpha blending, unclipped. Does
  // nothing without a device font or without a screen that has a device.
  void TextOut(Integer x, Integer y, const std::string& text, Byte red, Byte green, Byte blue, Byte alpha);
  void Write(Integer x, Integer y, const std::string& text);
  Integer TextWidth(const std::string& text) const;
  Integer TextHeight(const std::string& text) const;

  // The screen re-creates the device font around a device reset.
  TKind DeviceKind() const override { return TKind::Font; }
  void DeviceInit() override { Init(); }
  void DeviceUnInit() override { UnInit(); }

  // How many rendered strings are kept; the scoreboards redraw the same few every frame.
  static constexpr size_t CacheCapacity = 48;
  size_t CachedStrings() const { return Cache.size(); }

 private:
  struct TCachedText {
    std::string Text;
    TTexture Texture;
    uint64_t LastUse = 0;
  };
  const TTexture& TextureFor(const std::string& text);

  std::unique_ptr<IFontFace> Face;
  std::vector<TCachedText> Cache;
  uint64_t UseCounter = 0;
};

}  // namespace lr
