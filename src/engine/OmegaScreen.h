// TOmegaScreen: owns the rendering device, brackets each frame, and is the sink through
// which every quad passes, picking up the screen's global colour and transform.
#pragma once

#include <memory>

#include "engine/SoftwareDevice.h"
#include "engine/Types.h"
#include "engine/Vertex.h"
#include "platform/Presenter.h"

namespace lr {

enum class TPrimitiveKind { TriangleFan, LineStrip };

class TOmegaScreen {
 public:
  TOmegaScreen();

  // Published properties.
  Integer Width = 800;
  Integer Height = 600;
  bool FullScreen = false;
  Byte Red = 255, Green = 255, Blue = 255, Alpha = 255;
  Single ScaleX = 1, ScaleY = 1, Rotation = 0;
  Integer CenterX = 0, CenterY = 0, OffsetX = 0, OffsetY = 0;

  IPresenter* Presenter = nullptr;

  // Creates the device at Width × Height.
  void Initialize();
  bool HasDevice() const { return static_cast<bool>(Device); }
  TSoftwareDevice* GetDevice() { return Device.get(); }

  void BeginScene();
  void EndScene();
  bool InScene() const { return FInScene; }
  void Clear(Byte red, Byte green, Byte blue, Byte alpha);

  // Remembers the last mode set and ignores a request for the same mode; starts at 0.
  void SetBlendMode(Integer mode);
  Integer BlendMode() const { return FBlendMode; }
  void SetTexture(const TTexture* texture);
  // Applies the global colour and transform to the vertices in place.
  void SubmitVertices(TVertex* vertices, int count) const;
  void DrawPrimitive(TPrimitiveKind kind, const TVertex* vertices, int count);

 private:
  std::unique_ptr<TSoftwareDevice> Device;
  Integer FBlendMode = 0;
  bool FInScene = false;
  bool Initialized = false;
  bool Active = false;
};

}  // namespace lr
