// TOmegaScreen: owns the rendering device, brackets each frame, switches between windowed and
// full screen, and is the sink through which every quad passes, picking up the screen's
// global colour and transform.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/SoftwareDevice.h"
#include "engine/Types.h"
#include "engine/Vertex.h"
#include "platform/Presenter.h"

namespace lr {

enum class TPrimitiveKind { TriangleFan, LineStrip };
enum class TRenderMode { rmHardware, rmReference, rmSoftware };
enum class TPool { plManaged, plDefault };

class TOmegaScreen;

// A component whose device resources the screen releases and restores around a reset. A
// component leaves its screen's list when it is destroyed, so either may go first.
class TDeviceComponent {
 public:
  enum class TKind { ImageList, Font, Input };
  TDeviceComponent() = default;
  TDeviceComponent(const TDeviceComponent&) = delete;
  TDeviceComponent& operator=(const TDeviceComponent&) = delete;
  virtual ~TDeviceComponent();
  virtual TKind DeviceKind() const = 0;
  virtual void DeviceInit() = 0;
  virtual void DeviceUnInit() = 0;

 private:
  friend class TOmegaScreen;
  TOmegaScreen* Screen = nullptr;
};

// Start-up error codes and their texts.
constexpr uint32_t kErrNoDirect3D = 0x82000001;
constexpr uint32_t kErrNoCompatibleDevice = 0x8200003;
constexpr uint32_t kErrResetFailed = 0x8200000c;
std::string ScreenErrorText(uint32_t code);
extern const char* const kExitText;  // "This application will now exit."

class TOmegaScreen {
 public:
  TOmegaScreen();
  ~TOmegaScreen();

  // [SECTION] Published properties.
  Integer Width = 800;
  Integer Height = 600;
  Integer bpp() const { return Fbpp; }
  void Setbpp(Integer value) { Fbpp = value == 32 ? 32 : 16; }
  bool FullScreen = false;
  TRenderMode RenderMode = TRenderMode::rmHardware;
  TPool Pool = TPool::plManaged;
  bool ZBuffer = true;
  bool VSYNC = false;
  bool BackBufferAccess = false;
  Integer BBCount = 0;
  bool ShowMouseCursor = true;
  Byte Red() const { return FRed; }
  Byte Green() const { return FGreen; }
  Byte Blue() const { return FBlue; }
  Byte Alpha() const { return FAlpha; }
  void SetRed(Byte value);
  void SetGreen(Byte value);
  void SetBlue(Byte value);
  void SetAlpha(Byte value);
  uint32_t GlobalColor() const { return FGlobalColor; }
  Single ScaleX = 1, ScaleY = 1, Rotation = 0;
  Integer CenterX = 0, CenterY = 0, OffsetX = 0, OffsetY = 0;
  std::function<void()> OnCreate, OnDestroy, OnInit, OnUnInit;

  // The window and the components of the form, in form order.
  IPresenter* Presenter = nullptr;
  IErrorReporter* ErrorReporter = nullptr;
  void AddComponent(TDeviceComponent* component);
  void RemoveComponent(TDeviceComponent* component);
  const std::vector<TDeviceComponent*>& Components() const { return FComponents; }

  // [SECTION] Device and frames.
  // Creates the device; false after reporting an error (the caller ends the program).
  bool Initialize();
  bool HasDevice() const { return static_cast<bool>(Device); }
  TSoftwareDevice* GetDevice() { return Device.get(); }
  bool Initialized() const { return FInitialized; }
  bool Active() const { return FActive; }

  void BeginScene();
  void EndScene();
  bool InScene() const { return FInScene; }
  void Clear(Byte red, Byte green, Byte blue, Byte alpha);
  void ToggleFullScreen();
  void ReleaseAll();
  void RestoreAll();
  void UnInit();
  // The back-buffer size actually in use (full screen accepts only the listed sizes).
  Integer BackBufferWidth() const { return Device ? Device->Width() : 0; }
  Integer BackBufferHeight() const { return Device ? Device->Height() : 0; }

  // [SECTION] Drawing.
  // Remembers the last mode set and ignores a request for the same mode; starts at 0.
  void SetBlendMode(Integer mode);
  Integer BlendMode() const { return FBlendMode; }
  void SetTexture(const TTexture* texture);
  // Applies the global colour and transform to the vertices in place.
  void SubmitVertices(TVertex* vertices, int count) const;
  void DrawPrimitive(TPrimitiveKind kind, const TVertex* vertices, int count);

 private:
  void PresentationSize(Integer& width, Integer& height);
  bool Reset();
  void ShowError(uint32_t code);

  std::unique_ptr<TSoftwareDevice> Device;
  std::vector<TDeviceComponent*> FComponents;
  Integer Fbpp = 16;
  Byte FRed = 255, FGreen = 255, FBlue = 255, FAlpha = 255;
  uint32_t FGlobalColor = 0xFFFFFFFF;
  Integer FBlendMode = 0;
  bool FInScene = false;
  bool FInitialized = false;
  bool FActive = false;
};

}  // namespace lr
