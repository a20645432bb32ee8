// Building the image list from the sheet table and the data folder.
#include "game/SpriteSheets.h"

#include "engine/OmegaImageList.h"

namespace lr {

std::vector<std::string> LoadSpriteSheets(TOmegaImageList& list, const std::string& dataFolder) {
  std::vector<std::string> problems;
  for (const TSheetInfo& sheet : kSpriteSheets) {
    TImageListItem& item = list.Add(std::string(sheet.Name));
    item.TransparentColor = sheet.TransparentColor;
    item.Transparent = sheet.Transparent;
    if (!sheet.File.empty()) {
      TPicture picture;
      std::string error;
      if (LoadPictureFile(dataFolder + "/" + std::string(sheet.File), picture, error))
        item.SetPicture(picture);
      else
        problems.push_back(error);
    }
    item.SetTileHeight(sheet.TileHeight);
    item.SetTileWidth(sheet.TileWidth);
  }
  return problems;
}

}  // namespace lr
