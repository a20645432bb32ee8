// SDL's game controllers feeding the pad model, with SDL's virtual joystick standing in for a
// pad plugged in, pressed, pushed and unplugged (no pad can be plugged into a test machine).
#include "platform/SdlGamepads.h"

#include <SDL.h>
#include <gtest/gtest.h>

namespace lr {
namespace {

// Takes every pending event through the pads, as the window's event loop does.
void Pump(TSdlGamepads& sdl) {
  SDL_Event event;
  SDL_JoystickUpdate();
  while (SDL_PollEvent(&event)) sdl.HandleEvent(event);
}

TEST(SdlGamepads, AVirtualPadIsPluggedPressedPushedAndUnplugged) {
  TGamepads pads;
  TSdlGamepads sdl(pads);
  std::string error;
  ASSERT_TRUE(sdl.Open("", error)) << error;
  // A controller-shaped virtual joystick: SDL maps its 6 axes and 15 buttons in its own order.
  const int device = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, kPadAxisCount, kPadButtonCount, 0);
  ASSERT_GE(device, 0) << SDL_GetError();
  ASSERT_TRUE(SDL_IsGameController(device)) << "SDL gave the virtual joystick no controller mapping";
  Pump(sdl);
  ASSERT_TRUE(pads.State(0).Plugged);
  SDL_Joystick* joystick = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(device));
  ASSERT_NE(joystick, nullptr);

  ASSERT_EQ(SDL_JoystickSetVirtualButton(joystick, SDL_CONTROLLER_BUTTON_DPAD_LEFT, SDL_PRESSED), 0);
  ASSERT_EQ(SDL_JoystickSetVirtualButton(joystick, SDL_CONTROLLER_BUTTON_A, SDL_PRESSED), 0);
  ASSERT_EQ(SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTY, -20000), 0);
  Pump(sdl);
  EXPECT_EQ(pads.State(0).Buttons, PadBit(TPadButton::DpadLeft) | PadBit(TPadButton::South));
  EXPECT_EQ(pads.State(0).Axis(TPadAxis::LeftY), -20000);
  ASSERT_EQ(pads.TakePresses().size(), 2u);

  ASSERT_EQ(SDL_JoystickSetVirtualButton(joystick, SDL_CONTROLLER_BUTTON_A, SDL_RELEASED), 0);
  Pump(sdl);
  EXPECT_EQ(pads.State(0).Buttons, PadBit(TPadButton::DpadLeft));

  // Unplugged while held: the model lets go of everything.
  ASSERT_EQ(SDL_JoystickDetachVirtual(device), 0);
  Pump(sdl);
  EXPECT_FALSE(pads.State(0).Plugged);
  EXPECT_EQ(pads.State(0).Buttons, 0u);

  // Plugged in again: it comes back at once, in the first free place.
  const int again = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, kPadAxisCount, kPadButtonCount, 0);
  ASSERT_GE(again, 0) << SDL_GetError();
  Pump(sdl);
  EXPECT_TRUE(pads.State(0).Plugged);
  SDL_JoystickDetachVirtual(again);
  Pump(sdl);
}

}  // namespace
}  // namespace lr
