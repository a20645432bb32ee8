// Opening SDL's game controllers as they come and go, and passing their events on.
#include "platform/SdlGamepads.h"

#include <SDL.h>

#include <filesystem>

namespace lr {

// The model's buttons and axes are SDL's, in SDL's order.
static_assert(static_cast<int>(TPadButton::DpadRight) == SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
static_assert(static_cast<int>(TPadButton::Start) == SDL_CONTROLLER_BUTTON_START);
static_assert(static_cast<int>(TPadAxis::RightTrigger) == SDL_CONTROLLER_AXIS_TRIGGERRIGHT);

TSdlGamepads::~TSdlGamepads() {
  for (SDL_GameController* controller : Controllers)
    if (controller) SDL_GameControllerClose(controller);
  if (Started) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

bool TSdlGamepads::Open(const std::string& mappingFile, std::string& error) {
  if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
    error = SDL_GetError();
    return false;
  }
  Started = true;
  std::error_code ec;
  if (!mappingFile.empty() && std::filesystem::exists(mappingFile, ec) &&
      SDL_GameControllerAddMappingsFromFile(mappingFile.c_str()) < 0)
    error = mappingFile + ": " + SDL_GetError();
  return true;
}

int TSdlGamepads::PlaceOf(int32_t instanceId) const {
  for (int place = 0; place < kMaxPads; ++place)
    if (Controllers[static_cast<size_t>(place)] && InstanceIds[static_cast<size_t>(place)] == instanceId) return place;
  return -1;
}

void TSdlGamepads::Added(int deviceIndex) {
  // The pads present at start are announced too, and may be announced twice.
  if (PlaceOf(SDL_JoystickGetDeviceInstanceID(deviceIndex)) >= 0) return;
  int place = 0;
  while (place < kMaxPads && Controllers[static_cast<size_t>(place)]) ++place;
  if (place == kMaxPads) return;  // a fifth pad plays nobody
  SDL_GameController* controller = SDL_GameControllerOpen(deviceIndex);
  if (!controller) return;
  Controllers[static_cast<size_t>(place)] = controller;
  InstanceIds[static_cast<size_t>(place)] = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller));
  Pads.Plug(place);
}

void TSdlGamepads::Removed(int32_t instanceId) {
  const int place = PlaceOf(instanceId);
  if (place < 0) return;
  SDL_GameControllerClose(Controllers[static_cast<size_t>(place)]);
  Controllers[static_cast<size_t>(place)] = nullptr;
  InstanceIds[static_cast<size_t>(place)] = -1;
  Pads.Unplug(place);
}

bool TSdlGamepads::HandleEvent(const SDL_Event& event) {
  switch (event.type) {
    case SDL_CONTROLLERDEVICEADDED:
      if (Started) Added(event.cdevice.which);
      return true;
    case SDL_CONTROLLERDEVICEREMOVED:
      Removed(event.cdevice.which);
      return true;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
      // Buttons beyond the classic fifteen (paddles, touchpads) play no part.
      if (event.cbutton.button < kPadButtonCount)
        Pads.SetButton(PlaceOf(event.cbutton.which), static_cast<TPadButton>(event.cbutton.button),
                       event.type == SDL_CONTROLLERBUTTONDOWN);
      return true;
    case SDL_CONTROLLERAXISMOTION:
      if (event.caxis.axis < kPadAxisCount)
        Pads.SetAxis(PlaceOf(event.caxis.which), static_cast<TPadAxis>(event.caxis.axis), event.caxis.value);
      return true;
    default:
      return false;
  }
}

}  // namespace lr
