// Tying the lobby and the room to the main form.
#include "online/Online.h"

#include "game/MainForm.h"

namespace lr {

TOnline::TOnline(TGForm& form) : Room(form), Lobby(form, Room), Form(form) {
  // A room that is left goes back to the lobby.
  Room.Lobby = &Lobby;
  // A window that draws the lobby may wrap this.
  Form.ShowLobby = [this] {
    // A player in a room goes back to it: the lobby is for finding one.
    if (Room.Role() != TGmForm::TRole::None) {
      Room.Show();
      return;
    }
    Opened = true;
    Lobby.Show();
  };
  Form.Lobby = {.Shown = [this] { return Lobby.Visible; }, .LClient = &Lobby.LClient};
}

TOnline::~TOnline() {
  Form.ShowLobby = nullptr;
  Form.Lobby = {};
}

void TOnline::Idle() {
  Lobby.Idle();
  Room.Idle();
}

}  // namespace lr
