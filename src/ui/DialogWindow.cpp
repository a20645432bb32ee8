// The dialog window: SDL window and renderer, ImGui context, fonts, event routing and the
// focus handling a private X server without a window manager needs.
#include "ui/DialogWindow.h"

#include <SDL.h>
#include <imgui.h>
#include <imgui_impl_sdl.h>
#include <imgui_impl_sdlrenderer.h>

#include <algorithm>
#include <array>
#include <cfloat>
#include <deque>

#include "platform/SdlWindow.h"
#include "text/Codepage.h"

namespace lr {

namespace {

// Pixel sizes of the dialog's faces: the small dialog font, and the larger one of the buttons.
constexpr float kFontPixels = 13.0f;
constexpr float kButtonFontPixels = 16.0f;
constexpr float kDisplayFontPixels = 14.0f;
// Gap between the game window and the dialog beside it.
constexpr int kGap = 12;

// Every character a name can hold: the printable 8-bit codes, the euro sign, curly quotes
// and the rest of the code page's own characters included.
const ImWchar* NameGlyphRanges() {
  static const std::array<ImWchar, 2 * (256 - 0x20) + 1> ranges = [] {
    std::array<ImWchar, 2 * (256 - 0x20) + 1> r{};
    for (int code = 0x20; code < 256; ++code) {
      const auto c = static_cast<ImWchar>(Cp1252CodePoint(static_cast<uint8_t>(code)));
      r[2 * (code - 0x20)] = r[2 * (code - 0x20) + 1] = c;
    }
    return r;  // ends with 0
  }();
  return ranges.data();
}

ImFont* AddFont(ImGuiIO& io, const std::string& path, float pixels) {
  ImFontConfig config;
  config.OversampleH = 2;
  config.OversampleV = 1;
  config.GlyphRanges = NameGlyphRanges();
  if (!path.empty())
    if (ImFont* font = io.Fonts->AddFontFromFileTTF(path.c_str(), pixels, &config)) return font;
  config.SizePixels = pixels;
  return io.Fonts->AddFontDefault(&config);
}

// The colours of a classic desktop dialog: grey face, white fields, dark edges.
void ApplyDialogStyle(ImGuiStyle& style) {
  ImGui::StyleColorsLight(&style);
  const ImVec4 face(0.831f, 0.816f, 0.784f, 1.0f);
  const ImVec4 field(1, 1, 1, 1);
  const ImVec4 edge(0.50f, 0.50f, 0.50f, 1.0f);
  const ImVec4 pressed(0.74f, 0.73f, 0.70f, 1.0f);
  const ImVec4 hover(0.88f, 0.87f, 0.85f, 1.0f);
  // Selected text keeps its black, so the selection is a light blue rather than the desktop's
  // dark highlight, under which it could not be read.
  const ImVec4 highlight(0.60f, 0.75f, 0.95f, 1.0f);
  ImVec4* c = style.Colors;
  c[ImGuiCol_Text] = ImVec4(0, 0, 0, 1);
  c[ImGuiCol_WindowBg] = face;
  c[ImGuiCol_ChildBg] = face;
  c[ImGuiCol_Border] = edge;
  c[ImGuiCol_FrameBg] = field;
  c[ImGuiCol_FrameBgHovered] = field;
  c[ImGuiCol_FrameBgActive] = field;
  c[ImGuiCol_Button] = face;
  c[ImGuiCol_ButtonHovered] = hover;
  c[ImGuiCol_ButtonActive] = pressed;
  c[ImGuiCol_CheckMark] = ImVec4(0, 0, 0, 1);
  c[ImGuiCol_TextSelectedBg] = highlight;
  c[ImGuiCol_NavHighlight] = ImVec4(0, 0, 0, 0.6f);
  style.WindowRounding = 0;
  style.FrameRounding = 0;
  style.GrabRounding = 0;
  style.WindowBorderSize = 0;
  style.FrameBorderSize = 1;
  style.WindowPadding = ImVec2(0, 0);
  style.FramePadding = ImVec2(4, 3);
  style.ItemInnerSpacing = ImVec2(5, 4);
}

}  // namespace

void BeginDialogSurface() {
  ImGui::SetNextWindowPos(ImVec2(0, 0));
  ImGui::SetNextWindowSize(ImGui::GetIO().DisplaySize);
  ImGui::Begin("##dialog", nullptr,
               ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings |
                   ImGuiWindowFlags_NoBringToFrontOnFocus);
}

// ImGui sees keys and buttons only as held or not at each frame. So that no press is lost
// and none lands at the wrong place, each mouse button change gets a frame of its own, and
// no key is released before a frame has seen the keys pressed so far (a chord such as Ctrl+A
// is seen whole); everything behind a waiting event waits too, so the order stays.
struct TDialogWindow::TInput {
  bool KeyDownSinceFrame = false;
  bool ButtonSinceFrame = false;
  std::deque<SDL_Event> Deferred;
  int X = 0, Y = 0;
  bool Inside = false;
  std::array<bool, 3> Buttons{};

  bool MustWait(const SDL_Event& event) const {
    if (event.type == SDL_MOUSEBUTTONDOWN || event.type == SDL_MOUSEBUTTONUP) return ButtonSinceFrame;
    return event.type == SDL_KEYUP && KeyDownSinceFrame;
  }
};

TDialogWindow::TDialogWindow() : Input(std::make_unique<TInput>()) {}

TDialogWindow::~TDialogWindow() {
  if (Context) {
    ImGui::SetCurrentContext(Context);
    ImGui_ImplSDLRenderer_Shutdown();
    ImGui_ImplSDL2_Shutdown();
    ImGui::DestroyContext(Context);
  }
  if (Renderer) SDL_DestroyRenderer(Renderer);
  if (Window) SDL_DestroyWindow(Window);
  if (VideoStarted) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool TDialogWindow::Open(const std::string& caption, int width, int height, const TDialogFontFiles& files,
                         std::string& error) {
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    error = SDL_GetError();
    return false;
  }
  VideoStarted = true;
  Width = width;
  Height = height;
  Window = SDL_CreateWindow(caption.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width, height,
                            SDL_WINDOW_HIDDEN);
  if (!Window) {
    error = SDL_GetError();
    return false;
  }
  Id = SDL_GetWindowID(Window);
  Renderer = SDL_CreateRenderer(Window, -1, 0);
  if (!Renderer) {
    error = SDL_GetError();
    return false;
  }
  // Its own context and its own font atlas: a texture belongs to one renderer only.
  Context = ImGui::CreateContext();
  ImGui::SetCurrentContext(Context);
  ImGuiIO& io = ImGui::GetIO();
  io.IniFilename = nullptr;
  io.LogFilename = nullptr;
  // The mouse cursor is shared with the game window; the dialog leaves it alone.
  io.ConfigFlags |= ImGuiConfigFlags_NoMouseCursorChange;
  ApplyDialogStyle(ImGui::GetStyle());
  Fonts.Regular = AddFont(io, files.Regular, kFontPixels);
  Fonts.Bold = AddFont(io, files.Bold, kFontPixels);
  Fonts.BoldLarge = AddFont(io, files.Bold, kButtonFontPixels);
  Fonts.Display = AddFont(io, files.Display.empty() ? files.Bold : files.Display, kDisplayFontPixels);
  io.FontDefault = Fonts.Regular;
  if (!ImGui_ImplSDL2_InitForSDLRenderer(Window) || !ImGui_ImplSDLRenderer_Init(Renderer)) {
    error = "the dialog's drawing could not start";
    return false;
  }
  return true;
}

void TDialogWindow::Place() {
  // Beside the game window, on the right when it fits on the desktop, else on the left, else
  // against the desktop's right edge.
  int x = 0, y = 0, w = 0, h = 0;
  SDL_Rect desktop{0, 0, 0, 0};
  if (!Owner) return;
  SDL_GetWindowPosition(Owner, &x, &y);
  SDL_GetWindowSize(Owner, &w, &h);
  const int display = std::max(0, SDL_GetWindowDisplayIndex(Owner));
  if (SDL_GetDisplayUsableBounds(display, &desktop) != 0) return;
  int left = x + w + kGap;
  if (left + Width > desktop.x + desktop.w) left = x - kGap - Width;
  if (left < desktop.x) left = desktop.x + desktop.w - Width;
  const int top = std::clamp(y, desktop.y, std::max(desktop.y, desktop.y + desktop.h - Height));
  SDL_SetWindowPosition(Window, std::max(desktop.x, left), top);
}

void TDialogWindow::Show() {
  if (!Window) return;
  if (!Placed) {
    Place();
    Placed = true;
  }
  SDL_ShowWindow(Window);
  SDL_RaiseWindow(Window);
  SDL_SetWindowInputFocus(Window);
  Invalidate();
}

void TDialogWindow::Hide() {
  if (!Window || !Shown()) return;
  const bool hadFocus = HasKeyboardFocus();
  SDL_HideWindow(Window);
  // Input held back for a frame that will not come is dropped.
  Input->Deferred.clear();
  Input->KeyDownSinceFrame = false;
  Input->ButtonSinceFrame = false;
  Input->Buttons.fill(false);
  if (hadFocus && Owner) {
    SDL_RaiseWindow(Owner);
    SDL_SetWindowInputFocus(Owner);
  }
}

bool TDialogWindow::Shown() const { return Window && (SDL_GetWindowFlags(Window) & SDL_WINDOW_SHOWN) != 0; }

bool TDialogWindow::HasKeyboardFocus() const { return Window && SDL_GetKeyboardFocus() == Window; }

bool TDialogWindow::HandleEvent(const SDL_Event& event) {
  if (!Context || SdlEventWindowId(event) != Id) return false;
  Invalidate();
  if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE) return true;
  if (!Input->Deferred.empty() || Input->MustWait(event))
    Input->Deferred.push_back(event);
  else
    Feed(event);
  return false;
}

void TDialogWindow::Feed(const SDL_Event& event) {
  ImGui::SetCurrentContext(Context);
  ImGui_ImplSDL2_ProcessEvent(&event);
  TInput& in = *Input;
  switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      // The modifiers as they were with this key, not as they are by the time it is read.
      ImGuiIO& io = ImGui::GetIO();
      const Uint16 mod = event.key.keysym.mod;
      io.KeyShift = (mod & KMOD_SHIFT) != 0;
      io.KeyCtrl = (mod & KMOD_CTRL) != 0;
      io.KeyAlt = (mod & KMOD_ALT) != 0;
      io.KeySuper = (mod & KMOD_GUI) != 0;
      if (event.type == SDL_KEYDOWN) in.KeyDownSinceFrame = true;
      break;
    }
    case SDL_MOUSEMOTION:
      in.X = event.motion.x;
      in.Y = event.motion.y;
      in.Inside = true;
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      in.X = event.button.x;
      in.Y = event.button.y;
      if (event.button.button >= 1 && event.button.button <= in.Buttons.size())
        in.Buttons[event.button.button - 1] = event.type == SDL_MOUSEBUTTONDOWN;
      in.ButtonSinceFrame = true;
      if (event.type == SDL_MOUSEBUTTONDOWN && !HasKeyboardFocus()) SDL_SetWindowInputFocus(Window);
      break;
    case SDL_WINDOWEVENT:
      if (event.window.event == SDL_WINDOWEVENT_ENTER) in.Inside = true;
      if (event.window.event == SDL_WINDOWEVENT_LEAVE) in.Inside = false;
      break;
    default:
      break;
  }
}

void TDialogWindow::Update(const std::function<void(const TDialogFonts&)>& draw) {
  if (!Context || !Shown()) return;
  const uint32_t now = SDL_GetTicks();
  if (PendingFrames == 0 && now - LastDrawMs < kIdleRedrawMs) return;
  if (PendingFrames > 0) --PendingFrames;
  LastDrawMs = now;

  ImGui::SetCurrentContext(Context);
  ImGui_ImplSDLRenderer_NewFrame();
  ImGui_ImplSDL2_NewFrame();
  // The pointer and its buttons as the events fed so far left them: the backend would read
  // SDL's present state, which runs ahead of held-back events (and, without a window
  // manager, follows synthetic moves only while the window has the keyboard focus).
  ImGuiIO& io = ImGui::GetIO();
  const TInput& in = *Input;
  const bool held = in.Buttons[0] || in.Buttons[1] || in.Buttons[2];
  io.MousePos = in.Inside || held ? ImVec2(static_cast<float>(in.X), static_cast<float>(in.Y))
                                  : ImVec2(-FLT_MAX, -FLT_MAX);
  for (size_t i = 0; i < in.Buttons.size(); ++i) io.MouseDown[i] = in.Buttons[i];
  ImGui::NewFrame();
  BeginDialogSurface();
  draw(Fonts);
  ImGui::End();
  ImGui::Render();

  const ImVec4 face = ImGui::GetStyle().Colors[ImGuiCol_WindowBg];
  SDL_SetRenderDrawColor(Renderer, static_cast<Uint8>(face.x * 255), static_cast<Uint8>(face.y * 255),
                         static_cast<Uint8>(face.z * 255), 255);
  SDL_RenderClear(Renderer);
  ImGui_ImplSDLRenderer_RenderDrawData(ImGui::GetDrawData());
  SDL_RenderPresent(Renderer);
  // A bar being dragged follows the pointer frame by frame.
  if (ImGui::IsAnyItemActive() && io.MouseDown[0]) PendingFrames = std::max(PendingFrames, 1);

  Input->KeyDownSinceFrame = false;
  Input->ButtonSinceFrame = false;
  while (!Input->Deferred.empty() && !Input->MustWait(Input->Deferred.front())) {
    Feed(Input->Deferred.front());
    Input->Deferred.pop_front();
  }
  if (!Input->Deferred.empty()) Invalidate();
}

}  // namespace lr
