// TOnline: the online windows of one game, the lobby and the game room, made beside the main
// form and tied to it: the menu's online entry shows the lobby, and the title screen sees the
// lobby's master connection. The game itself knows nothing of this folder.
#pragma once

#include "online/GameRoom.h"
#include "online/LobbyForm.h"

namespace lr {

class TGForm;

class TOnline {
 public:
  // After the form's creation (the lobby logs in with its player 1). Destroy before the form.
  explicit TOnline(TGForm& form);
  ~TOnline();
  TOnline(const TOnline&) = delete;
  TOnline& operator=(const TOnline&) = delete;

  // Between frames, after the socket events: the windows' timed steps.
  void Idle();
  // The lobby has been shown at least once since the program started.
  bool LobbyOpened() const { return Opened; }

  TGmForm Room;  // before the lobby, which prepares it
  TLForm Lobby;

 private:
  TGForm& Form;
  bool Opened = false;
};

}  // namespace lr
