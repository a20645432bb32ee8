// Parsing and applying the sandbox options.
#include "app/Sandbox.h"

#include <charconv>
#include <cmath>

#include "actors/ItemUnit.h"
#include "actors/PlayerUnit.h"
#include "game/MainForm.h"

namespace lr {

namespace {

// Places and speeds beyond this are typing mistakes.
constexpr float kLargest = 10000;

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + 1)
    parts.push_back(text.substr(start, at - start));
  parts.push_back(text.substr(start));
  return parts;
}

bool ParseTick(const std::string& word, int64_t& tick) {
  const char* end = word.data() + word.size();
  auto [ptr, ec] = std::from_chars(word.data(), end, tick);
  return ec == std::errc() && ptr == end && tick >= 1;
}

bool ParseNumber(const std::string& word, float& value) {
  const char* end = word.data() + word.size();
  auto [ptr, ec] = std::from_chars(word.data(), end, value);
  return ec == std::errc() && ptr == end && std::isfinite(value) && std::fabs(value) <= kLargest;
}

std::string Slug(std::string_view label) {
  std::string slug;
  for (char c : label) slug += c == ' ' ? '-' : static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return slug;
}

}  // namespace

bool ParsePowerupKind(const std::string& text, TPowerupKind& kind) {
  for (int k = 0; k < kPowerupKindCount; ++k) {
    if (text == std::to_string(k) || text == Slug(kPowerups[static_cast<size_t>(k)].DialogLabel)) {
      kind = static_cast<TPowerupKind>(k);
      return true;
    }
  }
  return false;
}

bool TSandbox::AddBubble(const std::string& text, std::string& error) {
  const std::vector<std::string> p = Split(text, ':');
  TEvent event;
  event.IsBubble = true;
  TPowerupKind kind{};
  if ((p.size() != 4 && p.size() != 6) || !ParseTick(p[0], event.Tick) || !ParseNumber(p[2], event.X) ||
      !ParseNumber(p[3], event.Y) || (p.size() == 6 && (!ParseNumber(p[4], event.VelX) || !ParseNumber(p[5], event.VelY)))) {
    error = "--bubble expects TICK:KIND:X:Y[:VX:VY], got '" + text + "'";
    return false;
  }
  if (!ParsePowerupKind(p[1], kind)) {
    error = "--bubble: unknown powerup kind '" + p[1] + "'";
    return false;
  }
  event.Subject = kind;
  Events.push_back(event);
  return true;
}

bool TSandbox::AddPlacement(const std::string& text, std::string& error) {
  const std::vector<std::string> p = Split(text, ':');
  TEvent event;
  if (p.size() != 4 || !ParseTick(p[0], event.Tick) || (p[1] != "1" && p[1] != "2") || !ParseNumber(p[2], event.X) ||
      !ParseNumber(p[3], event.Y)) {
    error = "--place expects TICK:PLAYER:X:Y with PLAYER 1 or 2, got '" + text + "'";
    return false;
  }
  event.Subject = p[1] == "1" ? 1 : 2;
  Events.push_back(event);
  return true;
}

bool TSandbox::SetPowerups(const std::string& text, std::string& error) {
  PowerupsGiven = true;
  Enabled.fill(false);
  if (text == "none") return true;
  for (const std::string& name : Split(text, ',')) {
    TPowerupKind kind{};
    if (!ParsePowerupKind(name, kind)) {
      error = "--powerups: unknown powerup kind '" + name + "'";
      return false;
    }
    Enabled[kind] = true;
  }
  return true;
}

void TSandbox::Apply(TGForm& form) const {
  if (PowerupsGiven) form.GameSettings.PowerupEnabled = Enabled;
}

void TSandbox::BeforeFrame(TGForm& form) {
  if (form.GameMode != 1 || form.RoundState != 0) {
    PlayTick = 0;
    return;
  }
  ++PlayTick;
  for (bool bubbles : {false, true}) {
    for (const TEvent& e : Events) {
      if (e.Tick != PlayTick || e.IsBubble != bubbles) continue;
      if (e.IsBubble) {
        new TItem(form.SE, static_cast<TPowerupKind>(e.Subject), e.X, e.Y, e.VelX, e.VelY);  // owned by SE
        continue;
      }
      TPlayer* player = e.Subject == 1 ? form.Player1 : form.Player2;
      if (!player) continue;  // an online match has no second local player
      player->SetX(e.X);
      player->SetY(e.Y);
      player->VelX = 0;
      player->VelY = 0;
    }
  }
}

}  // namespace lr
