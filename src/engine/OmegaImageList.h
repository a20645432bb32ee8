// TOmegaImageList and TImageListItem: the named sprite sheets, their textures, and the
// drawing routines that turn one tile into one textured quad.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/OmegaScreen.h"
#include "engine/Types.h"
#include "engine/Vertex.h"
#include "platform/PictureFile.h"

namespace lr {

class TOmegaImageList;

class TImageListItem {
 public:
  TImageListItem();

  std::string Name;
  TPicture Picture;
  Integer TileWidth = 0;
  Integer TileHeight = 0;
  uint32_t TransparentColor = 0;  // RGB, e.g. 0xFF00FF for clFuchsia
  bool Transparent = false;
  std::string Filepath;

  Integer Rows = 0;
  Integer Columns = 0;
  Integer ImageWidth = 1;
  Integer ImageHeight = 1;
  Integer TextureWidth = 0;
  Integer TextureHeight = 0;
  // The texture and the readable copy of its texels used by the sprites' pixel test.
  std::shared_ptr<TTexture> Texture;
  TOmegaScreen* Device = nullptr;
  TOmegaImageList* Renderer = nullptr;

  bool Loaded() const { return Renderer != nullptr; }
  Integer PatternCount() const { return Rows * Columns; }

  void SetTileWidth(Integer value);
  void SetTileHeight(Integer value);
  void SetPicture(const TPicture& value);
  // Makes the texture, keying out the transparent colour. Returns false when the texture
  // could not be made (the caller reports "Error creating texture " + Name).
  bool Load(TOmegaImageList& list);
  void Release(bool freeTexture);

  void DrawCorners(Integer x1, Integer y1, Integer x2, Integer y2, Integer x3, Integer y3, Integer x4,
                   Integer y4, Single angle, Single pivotX, Single pivotY, Single scaleX, Single scaleY,
                   uint32_t color1, uint32_t color2, uint32_t color3, uint32_t color4, bool mirrorY,
                   bool mirrorX, Integer patternIndex, Integer blendMode);
  void DrawEx(Integer x, Integer y, Single angle, Single pivotX, Single pivotY, Single scaleX, Single scaleY,
              uint32_t color1, uint32_t color2, uint32_t color3, uint32_t color4, bool mirrorY, bool mirrorX,
              Integer patternIndex, Integer blendMode);
  void DrawColors(Integer x, Integer y, Single angle, Single pivotX, Single pivotY, Single scaleX,
                  Single scaleY, uint32_t color1, uint32_t color2, uint32_t color3, uint32_t color4,
                  Integer patternIndex, Integer blendMode);
  void DrawRGBA(Integer x, Integer y, Single angle, Single pivotX, Single pivotY, Single scaleX, Single scaleY,
                Byte red, Byte green, Byte blue, Byte alpha, Integer patternIndex, Integer blendMode);
  void DrawColor(Integer x, Integer y, Single angle, Single pivotX, Single pivotY, Single scaleX, Single scaleY,
                 uint32_t color, bool mirrorY, bool mirrorX, Integer patternIndex, Integer blendMode);
};

class TOmegaImageList final : public TDeviceComponent {
 public:
  TOmegaScreen* OmegaScreen = nullptr;
  IErrorReporter* ErrorReporter = nullptr;
  // A texture could not be made: the error was shown and the program must end.
  bool FatalError = false;
  // Items in stored order; the list owns them.
  std::vector<std::unique_ptr<TImageListItem>> ImageList;

  TImageListItem& Add(const std::string& name);
  TImageListItem* Items(Integer index) const;
  // The first item whose Name equals name exactly (case-sensitive), or nullptr.
  TImageListItem* Find(const std::string& name) const;
  Integer Count() const { return static_cast<Integer>(ImageList.size()); }

  // Loads every item when the screen has a device. Returns the first item whose texture
  // could not be made, or nullptr.
  TImageListItem* Init();
  void UnInit();

  TKind DeviceKind() const override { return TKind::ImageList; }
  // Init, reporting "Error creating texture <Name>" when a texture cannot be made.
  void DeviceInit() override;
  void DeviceUnInit() override { UnInit(); }
};

}  // namespace lr
