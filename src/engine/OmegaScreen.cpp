// The screen: device creation and reset, the frame bracket, the blend-mode cache and the
// global vertex adjustment.
#include "engine/OmegaScreen.h"

#include <clocale>
#include <cmath>
#include <iostream>
#include <new>

namespace lr {

namespace {

struct TErrorText {
  uint32_t Code;
  const char* Text;
};

constexpr TErrorText kErrorTexts[] = {
    {0x82000001,
     "Could not initialize Direct3D. You may\nwant to check that the latest version of\nDirectX is correctly "
     "installed on your\nsystem.  Also make sure that this program\nwas compiled with header files that match\nthe "
     "installed DirectX DLLs."},
    {0x8200003, "Could not find any compatible Direct3D\ndevices."},
    {0x8200004,
     "This application cannot run in a desktop\nwindow with the current display settings.\nPlease change your "
     "desktop settings to a\n16- or 32-bit display mode and re-run this\napplication."},
    {0x82000005, "No hardware-accelerated Direct3D devices\nwere found."},
    {0x82000006, "This application requires functionality that is\nnot available on your Direct3D hardware\naccelerator."},
    {0x82000007, "Your Direct3D hardware accelerator cannot\nrender into a window."},
    {0x82000008,
     "Your Direct3D hardware accelerator cannot\nrender into a window with the current\ndesktop display settings."},
    {0x82000009,
     "This application requires functionality that is\nnot available on your Direct3D hardware\naccelerator with the "
     "current desktop display\nsettings."},
    {0x8200000c, "Could not reset the Direct3D device."},
    {0x8200000a,
     "A D3D object has a non-zero reference\ncount (meaning things were not properly\ncleaned up)."},
    {0x8007000E, "Not enough memory."},
    {0x8876017C, "Not enough video memory."},
};

// The sizes a full-screen back buffer may have.
struct TSize {
  Integer Width, Height;
};
constexpr TSize kFullScreenSizes[] = {{800, 600}, {640, 400}, {640, 480}, {1024, 768},
                                      {320, 200}, {320, 240}, {1280, 1024}};

}  // namespace

const char* const kExitText = "This application will now exit.";

std::string ScreenErrorText(uint32_t code) {
  for (const TErrorText& e : kErrorTexts)
    if (e.Code == code) return e.Text;
  return "Generic application error.";
}

TOmegaScreen::TOmegaScreen() {
  // Every conversion between numbers and text in the program uses a point.
  std::setlocale(LC_NUMERIC, "C");
  if (OnCreate) OnCreate();
}

TOmegaScreen::~TOmegaScreen() {
  if (Presenter) Presenter->ShowCursor(true);
  UnInit();
  if (OnDestroy) OnDestroy();
  for (TDeviceComponent* c : FComponents) c->Screen = nullptr;
}

TDeviceComponent::~TDeviceComponent() {
  if (Screen) Screen->RemoveComponent(this);
}

void TOmegaScreen::AddComponent(TDeviceComponent* component) {
  if (!component || component->Screen == this) return;
  if (component->Screen) component->Screen->RemoveComponent(component);
  component->Screen = this;
  FComponents.push_back(component);
}

void TOmegaScreen::RemoveComponent(TDeviceComponent* component) {
  std::erase(FComponents, component);
  if (component && component->Screen == this) component->Screen = nullptr;
}

void TOmegaScreen::SetRed(Byte value) {
  FRed = value;
  FGlobalColor = ColorARGB(FRed, FGreen, FBlue, FAlpha);
}
void TOmegaScreen::SetGreen(Byte value) {
  FGreen = value;
  FGlobalColor = ColorARGB(FRed, FGreen, FBlue, FAlpha);
}
void TOmegaScreen::SetBlue(Byte value) {
  FBlue = value;
  FGlobalColor = ColorARGB(FRed, FGreen, FBlue, FAlpha);
}
void TOmegaScreen::SetAlpha(Byte value) {
  FAlpha = value;
  FGlobalColor = ColorARGB(FRed, FGreen, FBlue, FAlpha);
}

void TOmegaScreen::ShowError(uint32_t code) {
  if (ErrorReporter) {
    ErrorReporter->ShowError("Error", ScreenErrorText(code));
    ErrorReporter->ShowError("Error", kExitText);
  } else {
    std::cerr << "Error: " << ScreenErrorText(code) << "\n" << kExitText << "\n";
  }
}

void TOmegaScreen::PresentationSize(Integer& width, Integer& height) {
  width = Width;
  height = Height;
  if (!FullScreen) return;
  for (const TSize& size : kFullScreenSizes)
    if (size.Width == Width && size.Height == Height) return;
  if (Presenter) Presenter->Beep();
  width = 800;
  height = 600;
}

bool TOmegaScreen::Initialize() {
  Integer width, height;
  PresentationSize(width, height);
  if (width <= 0 || height <= 0 || static_cast<int64_t>(width) * height > 64LL * 1024 * 1024) {
    ShowError(kErrNoCompatibleDevice);
    return false;
  }
  try {
    Device = std::make_unique<TSoftwareDevice>(width, height);
  } catch (const std::bad_alloc&) {
    ShowError(0x8007000E);
    return false;
  }
  FInitialized = true;
  FActive = true;
  // Default states: normal alpha blending (mode 0), no texture.
  Device->SetBlendMode(FBlendMode);
  Device->SetTexture(nullptr);
  if (Presenter) Presenter->SetFullScreen(FullScreen);
  RestoreAll();
  if (OnInit) OnInit();
  if (Presenter) Presenter->ShowCursor(ShowMouseCursor);
  return true;
}

void TOmegaScreen::RestoreAll() {
  if (Device) Device->SetTexture(nullptr);
  for (TDeviceComponent* c : FComponents)
    if (c->DeviceKind() == TDeviceComponent::TKind::ImageList) c->DeviceInit();
  for (TDeviceComponent* c : FComponents)
    if (c->DeviceKind() != TDeviceComponent::TKind::ImageList) c->DeviceInit();
}

void TOmegaScreen::ReleaseAll() {
  if (Device) Device->SetTexture(nullptr);
  for (TDeviceComponent* c : FComponents)
    if (c->DeviceKind() == TDeviceComponent::TKind::Font) c->DeviceUnInit();
  for (TDeviceComponent* c : FComponents)
    if (c->DeviceKind() == TDeviceComponent::TKind::ImageList) c->DeviceUnInit();
}

bool TOmegaScreen::Reset() {
  ReleaseAll();
  if (OnUnInit) OnUnInit();
  Integer width, height;
  PresentationSize(width, height);
  const Integer blendMode = FBlendMode;
  try {
    if (!Device || Device->Width() != width || Device->Height() != height)
      Device = std::make_unique<TSoftwareDevice>(width, height);
  } catch (const std::bad_alloc&) {
    Device.reset();
    return false;
  }
  if (Presenter) {
    Presenter->SetFullScreen(FullScreen);
    Presenter->ShowCursor(ShowMouseCursor);
  }
  // The saved render states come back: the blend mode in force stays in force.
  Device->SetBlendMode(blendMode);
  RestoreAll();
  if (OnInit) OnInit();
  return true;
}

void TOmegaScreen::ToggleFullScreen() {
  FActive = false;
  FullScreen = !FullScreen;
  const bool ok = Reset();
  if (!ok) ShowError(kErrResetFailed);
  FInitialized = ok;
  FActive = ok;
}

void TOmegaScreen::UnInit() {
  FActive = false;
  FInitialized = false;
  if (!Device) return;
  ReleaseAll();
  if (OnUnInit) OnUnInit();
  Device.reset();
}

void TOmegaScreen::BeginScene() {
  if (Device && FInitialized && FActive) FInScene = true;
}

void TOmegaScreen::EndScene() {
  if (!FInScene) return;
  FInScene = false;
  if (Presenter) Presenter->Present(Device->BackBuffer(), Device->Width(), Device->Height());
}

void TOmegaScreen::Clear(Byte red, Byte green, Byte blue, Byte alpha) {
  // No depth buffer is kept: see TSoftwareDevice.
  if (Device) Device->Clear(ColorARGB(red, green, blue, alpha));
}

void TOmegaScreen::SetBlendMode(Integer mode) {
  if (mode == FBlendMode) return;
  FBlendMode = mode;
  if (Device) Device->SetBlendMode(mode);
}

void TOmegaScreen::SetTexture(const TTexture* texture) {
  if (Device) Device->SetTexture(texture);
}

void TOmegaScreen::SubmitVertices(TVertex* vertices, int count) const {
  const uint32_t k[4] = {FAlpha, FRed, FGreen, FBlue};
  const double phi = Rotation * M_PI / 180.0;
  const double c = std::cos(phi);
  const double s = std::sin(phi);
  for (int i = 0; i < count; ++i) {
    TVertex& v = vertices[i];
    uint32_t color = 0;
    for (int ch = 0; ch < 4; ++ch) {
      const int shift = 24 - 8 * ch;
      const uint32_t value = (v.Color >> shift) & 0xFF;
      color |= ((value * k[ch]) / 256) << shift;
    }
    v.Color = color;
    const double dx = v.X - CenterX;
    const double dy = v.Y - CenterY;
    v.X = static_cast<Single>(OffsetX + CenterX + ScaleX * c * dx - ScaleY * s * dy);
    v.Y = static_cast<Single>(OffsetY + CenterY + ScaleX * s * dx + ScaleY * c * dy);
  }
}

void TOmegaScreen::DrawPrimitive(TPrimitiveKind kind, const TVertex* vertices, int count) {
  if (!Device || !FInScene) return;
  if (kind == TPrimitiveKind::TriangleFan)
    Device->DrawTriangleFan(vertices, count);
  else
    Device->DrawLineStrip(vertices, count);
}

}  // namespace lr
