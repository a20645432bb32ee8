// Sprite sheets: tiles, textures with their colour key, and the quad each draw call builds.
#include "engine/OmegaImageList.h"

#include <algorithm>
#include <cmath>
#include <iostream>

#include "engine/OmegaScreen.h"
#include "platform/Paths.h"

namespace lr {

namespace {

Integer PowerOfTwoAtLeast(Integer n) {
  Integer p = 2;
  while (p < n && p < (1 << 30)) p <<= 1;
  return p;
}

}  // namespace

// [SECTION] Items

TImageListItem::TImageListItem() {
  SetTileWidth(1);
  SetTileHeight(1);
}

void TImageListItem::SetTileWidth(Integer value) {
  TileWidth = value == 0 ? ImageWidth : value;
  Columns = TileWidth > 0 ? ImageWidth / TileWidth : 0;
}

void TImageListItem::SetTileHeight(Integer value) {
  TileHeight = value == 0 ? ImageHeight : value;
  Rows = TileHeight > 0 ? ImageHeight / TileHeight : 0;
}

void TImageListItem::SetPicture(const TPicture& value) {
  Picture = value;
  if (value.Empty()) return;
  ImageWidth = value.Width;
  ImageHeight = value.Height;
  SetTileWidth(ImageWidth);
  SetTileHeight(ImageHeight);
  if (TextureWidth < 2) {
    TextureWidth = PowerOfTwoAtLeast(ImageWidth);
    TextureHeight = PowerOfTwoAtLeast(ImageHeight);
  }
}

bool TImageListItem::Load(TOmegaImageList& list) {
  // A picture file named by Filepath replaces the stored picture; a missing file is ignored.
  bool fromFile = false;
  const size_t first = Filepath.find_first_not_of(" \t");
  Filepath = first == std::string::npos ? std::string()
                                        : Filepath.substr(first, Filepath.find_last_not_of(" \t") - first + 1);
  if (!Filepath.empty()) {
    // A drive, a backslash or (here) a leading slash: the name is used as it is.
    const bool qualified = Filepath.find(':') != std::string::npos || Filepath.find('\\') != std::string::npos ||
                           Filepath.front() == '/';
    const std::string path = qualified ? NativePath(Filepath) : GameDataDirectory() + "/" + Filepath;
    TPicture fromDisk;
    std::string error;
    if (LoadPictureFile(path, fromDisk, error)) {
      Picture = std::move(fromDisk);
      fromFile = true;
    }
  }
  if (Picture.Empty()) return true;  // no graphic: stays unloaded
  Device = list.OmegaScreen;
  Renderer = &list;
  if (TileHeight < 1) TileHeight = Picture.Height;
  if (TileWidth < 1) TileWidth = Picture.Width;
  if (!Texture) {
    // The texture has the picture's exact size, but at least 2 × 2: a thinner picture sits in
    // its top-left corner and the rest is transparent black. Keyed texels become all zero.
    if (Picture.Pixels.size() != static_cast<size_t>(Picture.Width) * Picture.Height) return false;
    auto texture = std::make_shared<TTexture>();
    texture->Width = std::max(Picture.Width, 2);
    texture->Height = std::max(Picture.Height, 2);
    if (texture->Width == Picture.Width && texture->Height == Picture.Height) {
      texture->Texels = Picture.Pixels;
    } else {
      texture->Texels.assign(static_cast<size_t>(texture->Width) * texture->Height, 0u);
      for (Integer y = 0; y < Picture.Height; ++y)
        std::copy_n(Picture.Pixels.begin() + static_cast<ptrdiff_t>(y) * Picture.Width, Picture.Width,
                    texture->Texels.begin() + static_cast<ptrdiff_t>(y) * texture->Width);
    }
    if (Transparent) {
      const uint32_t key = 0xFF000000u | (TransparentColor & 0xFFFFFFu);
      for (uint32_t& texel : texture->Texels)
        if (texel == key) texel = 0;
    }
    texture->OpaqueWhite = std::all_of(texture->Texels.begin(), texture->Texels.end(),
                                       [](uint32_t texel) { return texel == 0xFFFFFFFFu; });
    Texture = std::move(texture);
  }
  TextureWidth = std::max(Texture->Width, 2);
  TextureHeight = std::max(Texture->Height, 2);
  ImageHeight = std::max(Picture.Height, 1);
  ImageWidth = std::max(Picture.Width, 1);
  Rows = ImageHeight / TileHeight;
  Columns = ImageWidth / TileWidth;
  // A picture read from a file is dropped once its texture exists; a stored one stays so the
  // texture can be made again.
  if (fromFile) Picture = TPicture{};
  return true;
}

void TImageListItem::Release(bool freeTexture) {
  Renderer = nullptr;
  Device = nullptr;
  if (freeTexture) Texture.reset();
}

// [SECTION] Drawing

void TImageListItem::DrawCorners(Integer x1, Integer y1, Integer x2, Integer y2, Integer x3, Integer y3,
                                 Integer x4, Integer y4, Single angle, Single pivotX, Single pivotY,
                                 Single scaleX, Single scaleY, uint32_t color1, uint32_t color2,
                                 uint32_t color3, uint32_t color4, bool mirrorY, bool mirrorX,
                                 Integer patternIndex, Integer blendMode) {
  if (!Device || !Texture) return;
  if (scaleX == 0) scaleX = 1;
  if (scaleY == 0) scaleY = 1;
  if (blendMode != -1) Device->SetBlendMode(blendMode);

  // Texture coordinates of the tile, or of the whole picture for pattern -1.
  double uL, uR, vT, vB, w, h;
  if (patternIndex >= 0) {
    const Integer count = std::max(Rows * Columns, 1);
    if (patternIndex >= count) patternIndex = count - 1;
    const Integer cols = std::max(Columns, 1);
    const Integer col = patternIndex % cols;
    const Integer row = patternIndex / cols;
    uL = static_cast<double>(col * TileWidth) / TextureWidth;
    uR = static_cast<double>(col * TileWidth + TileWidth) / TextureWidth;
    vT = static_cast<double>(row * TileHeight) / TextureHeight;
    vB = static_cast<double>(row * TileHeight + TileHeight) / TextureHeight;
    w = TileWidth;
    h = TileHeight;
  } else {
    uL = vT = 0;
    uR = static_cast<double>(ImageWidth) / TextureWidth;
    vB = static_cast<double>(ImageHeight) / TextureHeight;
    w = ImageWidth;
    h = ImageHeight;
  }
  if (mirrorX) std::swap(uL, uR);
  if (mirrorY) std::swap(vT, vB);

  TVertex v[4];
  v[0].Color = color1;
  v[1].Color = color2;
  v[2].Color = color3;
  v[3].Color = color4;
  v[0].U = static_cast<Single>(uL), v[0].V = static_cast<Single>(vT);
  v[1].U = static_cast<Single>(uR), v[1].V = static_cast<Single>(vT);
  v[2].U = static_cast<Single>(uR), v[2].V = static_cast<Single>(vB);
  v[3].U = static_cast<Single>(uL), v[3].V = static_cast<Single>(vB);

  // Half a pixel is added to the right and bottom edges.
  const double px0[4] = {static_cast<double>(x1), x2 + 0.5, x3 + 0.5, static_cast<double>(x4)};
  const double py0[4] = {static_cast<double>(y1), static_cast<double>(y2), y3 + 0.5, y4 + 0.5};
  const double px = x1 + w * pivotX;
  const double py = y1 + h * pivotY;
  const double theta = angle * M_PI / 180.0;
  const double c = std::cos(theta);
  const double s = std::sin(theta);
  for (int i = 0; i < 4; ++i) {
    const double dx = px0[i] - px;
    const double dy = py0[i] - py;
    v[i].X = static_cast<Single>(px + scaleX * c * dx - scaleY * s * dy);
    v[i].Y = static_cast<Single>(py + scaleX * s * dx + scaleY * c * dy);
  }
  Device->SetTexture(Texture.get());
  Device->SubmitVertices(v, 4);
  Device->DrawPrimitive(TPrimitiveKind::TriangleFan, v, 4);
}

void TImageListItem::DrawEx(Integer x, Integer y, Single angle, Single pivotX, Single pivotY, Single scaleX,
                            Single scaleY, uint32_t color1, uint32_t color2, uint32_t color3, uint32_t color4,
                            bool mirrorY, bool mirrorX, Integer patternIndex, Integer blendMode) {
  DrawCorners(x, y, x + TileWidth, y, x + TileWidth, y + TileHeight, x, y + TileHeight, angle, pivotX, pivotY,
              scaleX, scaleY, color1, color2, color3, color4, mirrorY, mirrorX, patternIndex, blendMode);
}

void TImageListItem::DrawColors(Integer x, Integer y, Single angle, Single pivotX, Single pivotY,
                                Single scaleX, Single scaleY, uint32_t color1, uint32_t color2,
                                uint32_t color3, uint32_t color4, Integer patternIndex, Integer blendMode) {
  DrawEx(x, y, angle, pivotX, pivotY, scaleX, scaleY, color1, color2, color3, color4, false, false,
         patternIndex, blendMode);
}

void TImageListItem::DrawRGBA(Integer x, Integer y, Single angle, Single pivotX, Single pivotY, Single scaleX,
                              Single scaleY, Byte red, Byte green, Byte blue, Byte alpha, Integer patternIndex,
                              Integer blendMode) {
  const uint32_t color = ColorARGB(red, green, blue, alpha);
  DrawEx(x, y, angle, pivotX, pivotY, scaleX, scaleY, color, color, color, color, false, false, patternIndex,
         blendMode);
}

void TImageListItem::DrawColor(Integer x, Integer y, Single angle, Single pivotX, Single pivotY, Single scaleX,
                               Single scaleY, uint32_t color, bool mirrorY, bool mirrorX, Integer patternIndex,
                               Integer blendMode) {
  DrawEx(x, y, angle, pivotX, pivotY, scaleX, scaleY, color, color, color, color, mirrorY, mirrorX,
         patternIndex, blendMode);
}

// [SECTION] The list

TImageListItem& TOmegaImageList::Add(const std::string& name) {
  ImageList.push_back(std::make_unique<TImageListItem>());
  ImageList.back()->Name = name;
  return *ImageList.back();
}

TImageListItem* TOmegaImageList::Items(Integer index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return ImageList[static_cast<size_t>(index)].get();
}

TImageListItem* TOmegaImageList::Find(const std::string& name) const {
  for (const auto& item : ImageList)
    if (item->Name == name) return item.get();
  return nullptr;
}

TImageListItem* TOmegaImageList::Init() {
  if (!OmegaScreen) return nullptr;
  OmegaScreen->SetTexture(nullptr);
  if (!OmegaScreen->HasDevice()) return nullptr;
  for (const auto& item : ImageList)
    if (!item->Load(*this)) return item.get();
  return nullptr;
}

void TOmegaImageList::DeviceInit() {
  if (TImageListItem* failed = Init()) {
    const std::string text = "Error creating texture " + failed->Name;
    if (ErrorReporter)
      ErrorReporter->ShowError("Error", text);
    else
      std::cerr << "Error: " << text << "\n";
    FatalError = true;
  }
}

void TOmegaImageList::UnInit() {
  for (const auto& item : ImageList) item->Release(false);
}

}  // namespace lr
