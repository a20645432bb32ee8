// A match in progress on a real form, with the two local players and hand-placed platforms
// and ropes; Tick runs the sprite passes of one frame.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "actors/PlayerUnit.h"
#include "game/LevelUnit.h"
#include "game/MainForm.h"
#include "platform/RecordingAudio.h"
#include "support/TestGame.h"

namespace lr {

class Arena : public ::testing::Test {
 protected:
  void SetUp() override {
    Form = testing::NewTestForm(Clock, Audio);
    ASSERT_TRUE(Form);
    Form->GameMode = 1;
    Form->TimeFactor = 1;
    Form->RoundTimer = -1;
  }
  TPlayer& P1() { return *Form->Player1; }
  TPlayer& P2() { return *Form->Player2; }
  // Leaves Player1 alone in the arena.
  void Solo() {
    Form->Player2->Kill();
    Form->SE.FreeDead();
    Form->Player2 = nullptr;
    Form->Players = {Form->Player1};
  }
  template <class T>
  T& Add(const char* sheet, Single x, Single y) {
    T* sprite = new T(Form->SE);
    sprite->SetImage(Form->Spr.Find(sheet));
    sprite->Collide = true;
    sprite->SetX(x);
    sprite->SetY(y);
    return *sprite;
  }
  TPlatform& Platform(Integer col, Integer row) { return Add<TPlatform>("Platform", col * 32, row * 32); }
  void Floor(Integer fromCol, Integer toCol, Integer row) {
    for (Integer col = fromCol; col <= toCol; ++col) Platform(col, row);
  }
  // Puts the player still on the tile at (col, row), as if it had landed there in the last
  // pass, and lets one frame settle it.
  void StandOn(TPlayer& player, Integer col, Integer row) {
    player.SetX(col * 32);
    player.SetY(row * 32 - 63);
    player.State = psStand;
    player.VelX = player.VelY = 0;
    player.OnGround = true;
    Tick();
  }
  void Tick() {
    Form->SoundsThisFrame.clear();
    Clock.Advance(Clock.Frequency() / 60);
    Form->TickCount += 1;
    Form->SE.MoveAll(Form->TimeFactor);
    Form->SE.CollideAll();
    Form->SE.FreeDead();
  }
  bool Played(const char* sound) const {
    const auto& s = Form->SoundsThisFrame;
    return std::count(s.begin(), s.end(), sound) > 0;
  }

  VirtualClock Clock{0};
  TRecordingAudio Audio{Clock};
  std::unique_ptr<TGForm> Form;
};

}  // namespace lr
