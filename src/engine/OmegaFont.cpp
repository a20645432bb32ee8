// Text drawing: each string is rendered once into a coverage texture, kept while it is in
// use, and drawn as one textured quad tinted by the vertex colour.
#include "engine/OmegaFont.h"

#include <algorithm>

namespace lr {

TOmegaFont::~TOmegaFont() = default;

void TOmegaFont::SetColor(uint32_t color) {
  Alpha = static_cast<Byte>(color >> 24);
  Red = static_cast<Byte>(color >> 16);
  Green = static_cast<Byte>(color >> 8);
  Blue = static_cast<Byte>(color);
}

void TOmegaFont::SetFont(const std::string& name, Integer size, TFontStyles style) {
  FontName = name;
  FontSize = size;
  FontStyle = style;
  SetColor(0xFFFFFFFFu);
  UnInit();
  Init();
}

void TOmegaFont::Init() {
  UnInit();
  if (!Rasterizer || FontName.empty() || FontSize < 1) return;
  Face = Rasterizer->Open(FontName, FontSize, FontStyle.Value());
}

void TOmegaFont::UnInit() {
  Face.reset();
  Cache.clear();
}

std::string TOmegaFont::DeviceFamily() const { return Face ? Face->Family() : std::string(); }

const TTexture& TOmegaFont::TextureFor(const std::string& text) {
  ++UseCounter;
  for (TCachedText& entry : Cache)
    if (entry.Text == text) {
      entry.LastUse = UseCounter;
      return entry.Texture;
    }
  // A new string replaces the one unused for longest once the cache is full.
  TCachedText* slot;
  if (Cache.size() < CacheCapacity) {
    slot = &Cache.emplace_back();
  } else {
    slot = &*std::min_element(Cache.begin(), Cache.end(), [](const TCachedText& a, const TCachedText& b) {
      return a.LastUse < b.LastUse;
    });
  }
  TTextBitmap bitmap = Face->Render(text);
  slot->Text = text;
  slot->LastUse = UseCounter;
  slot->Texture.Width = bitmap.Width;
  slot->Texture.Height = bitmap.Height;
  slot->Texture.Texels = std::move(bitmap.Pixels);
  return slot->Texture;
}

void TOmegaFont::TextOut(Integer x, Integer y, const std::string& text, Byte red, Byte green, Byte blue,
                         Byte alpha) {
  if (!Face || !OmegaScreen || !OmegaScreen->HasDevice() || text.empty()) return;
  const TTexture& texture = TextureFor(text);
  if (texture.Width <= 0 || texture.Height <= 0) return;

  // One texel per pixel: with pixel centres at +0.5 the quad from x to x + width covers
  // exactly the columns x .. x + width - 1 and samples texel i at column x + i.
  const auto left = static_cast<Single>(x);
  const auto top = static_cast<Single>(y);
  const auto right = static_cast<Single>(static_cast<double>(x) + texture.Width);
  const auto bottom = static_cast<Single>(static_cast<double>(y) + texture.Height);
  const uint32_t color = ColorARGB(red, green, blue, alpha);
  TVertex v[4];
  v[0].X = left, v[0].Y = top, v[0].U = 0, v[0].V = 0;
  v[1].X = right, v[1].Y = top, v[1].U = 1, v[1].V = 0;
  v[2].X = right, v[2].Y = bottom, v[2].U = 1, v[2].V = 1;
  v[3].X = left, v[3].Y = bottom, v[3].U = 0, v[3].V = 1;
  for (TVertex& vertex : v) vertex.Color = color;

  // Text goes straight to the device: the screen's global colour and transform belong to the
  // quads of image lists, fader and primitives and leave text alone, so opaque white stays
  // 255. Text sets its own states for its one quad and puts the previous ones back, so the
  // screen's cached blend mode and bound texture are as they were.
  TSoftwareDevice* device = OmegaScreen->GetDevice();
  const TTexture* previousTexture = device->Texture();
  const Integer previousBlendMode = OmegaScreen->BlendMode();
  OmegaScreen->SetBlendMode(0);
  OmegaScreen->SetTexture(&texture);
  OmegaScreen->DrawPrimitive(TPrimitiveKind::TriangleFan, v, 4);
  OmegaScreen->SetTexture(previousTexture);
  OmegaScreen->SetBlendMode(previousBlendMode);
}

void TOmegaFont::Write(Integer x, Integer y, const std::string& text) { TextOut(x, y, text, Red, Green, Blue, Alpha); }

Integer TOmegaFont::TextWidth(const std::string& text) const { return Face ? Face->Measure(text).Width : 0; }

Integer TOmegaFont::TextHeight(const std::string& text) const { return Face ? Face->Measure(text).Height : 0; }

}  // namespace lr
