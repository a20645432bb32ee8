// The title screen and its menu: the frame's timeline, the falling title, the swelling menu
// entries and the mouse that drives them.
#include "game/TitleScreen.h"

#include <array>
#include <string_view>

#include "actors/PlayerUnit.h"
#include "game/MainForm.h"

namespace lr {

namespace {

// The menu entries, each popping in on its own frame of the title timeline. X and Y put the
// unscaled centres near x = 320; the entries swell about their centres.
struct TMenuEntry {
  Integer Frame;
  std::string_view Sheet;
  Integer X, Y;
  Byte Option;
};

constexpr Integer kTitleFallFrame = 40;
constexpr std::array<TMenuEntry, 4> kMenuEntries = {{
    {90, "O_Start", 195, 150, 1},
    {110, "O_Online", 195, 210, 2},
    {130, "O_Options", 230, 270, 3},
    {150, "O_Quit", 265, 330, 4},
}};

// The scale an entry swells to under the mouse and shrinks back to, and the pull back
// towards the rest size per frame. Compared and subtracted in double, stored as Single.
constexpr double kHoverScale = 1.4;
constexpr double kRestScale = 0.8;
constexpr double kShrinkPull = 0.01;
constexpr Single kPopSpeed = 0.05f;

// Online names start as "Lava Newbie ..." until the player picks one; the lobby needs
// something less alike.
constexpr std::string_view kNewbieName = "Lava Newbie";
constexpr size_t kNameCapacity = 15;

}  // namespace

// [SECTION] Timeline

void TGForm::DoTitleScreen() {
  // The lobby's master-server connection. While the lobby is shown, a pending attempt is what
  // it waits on: it ends by connecting, by an error or by "Exit". An attempt no shown lobby
  // waits for is given up.
  if (Lobby.LClient && Lobby.LClient->SocketState() == wsConnecting && !(Lobby.Shown && Lobby.Shown()))
    Lobby.LClient->Close();

  const auto frame = static_cast<Integer>(Round(TitleCounter));
  if (frame == kTitleFallFrame) TitleFall();
  for (const TMenuEntry& entry : kMenuEntries)
    if (frame == entry.Frame) BounceText(std::string(entry.Sheet), entry.X, entry.Y, entry.Option);

  // Before the sprites, so that the lava covers the lower two.
  for (const TCreditLine& line : kTitleCredits)
    Font.TextOut(line.X, line.Y, std::string(line.Text), 255, 255, 255, 255);
}

void TGForm::TitleFall() {
  auto* title = new TTitleText(SE);
  title->SetX(120);
  title->SetY(-170);
  title->SetAlpha(0);
  title->SetImage(Spr.Find("Title"));
}

void TGForm::BounceText(const std::string& name, Integer x, Integer y, Byte option) {
  auto* entry = new TBounceText(SE);
  entry->SetX(static_cast<Single>(x));
  entry->SetY(static_cast<Single>(y));
  entry->SetZ(10);  // over the lava
  entry->SetImage(Spr.Find(name));
  entry->ScaleSpeed = kPopSpeed;
  entry->Option = option;
  PlaySound("Plink");
  MenuTexts.push_back(entry);
}

// [SECTION] Sprites

void TTitleText::DoMove(Single) {
  if (Alpha == 255) return;
  SetY(Y + 2);
  SetAlpha(Alpha + 4);
  if (Alpha >= 254) SetAlpha(255);
}

void TBounceText::DoMove(Single) {
  ScaleX = ScaleX + ScaleSpeed;
  // ScaleY follows the unclamped value and catches up a frame later.
  ScaleY = ScaleX;
  if (ScaleX >= kHoverScale) {
    ScaleX = static_cast<Single>(kHoverScale);
    ScaleSpeed = 0;
  }
  if (Option != TGForm::Of(*this).HoverOption)
    ScaleSpeed = static_cast<Single>(static_cast<double>(ScaleSpeed) - kShrinkPull);
  // The stored 0.8 lies just above 0.8: at rest the entry alternates between a frame that
  // only gains speed and one that dips and is clamped back.
  if (ScaleX <= kRestScale) {
    ScaleX = static_cast<Single>(kRestScale);
    ScaleSpeed = 0;
  }
}

// [SECTION] Mouse

void TGForm::FormMouseMove(Integer x, Integer y) {
  if (!Focused) return;
  for (TBounceText* entry : MenuTexts) {
    // The unscaled tile, all four edges inside.
    const auto left = static_cast<Integer>(Round(entry->X));
    const auto top = static_cast<Integer>(Round(entry->Y));
    if (x < left || x > left + entry->Width || y < top || y > top + entry->Height) continue;
    if (entry->Option == HoverOption) return;
    HoverOption = entry->Option;
    entry->ScaleSpeed = kPopSpeed;
    PlaySound("Plink");
    return;
  }
  HoverOption = 0;
}

void TGForm::FormClick() {
  if (HoverOption != 0) OnOptionClick();
}

void TGForm::OnOptionClick() {
  if (!Focused) return;
  switch (HoverOption) {
    case 1:
      StartGame();
      break;
    case 2:
      if (Player1 && Player1->Name.find(kNewbieName) != std::string::npos)
        Player1->Name = ("Player #" + std::to_string(Random(5000) + 1)).substr(0, kNameCapacity);
      if (ShowLobby) ShowLobby();
      break;
    case 3:
      if (ShowOptions) ShowOptions();
      break;
    case 4:
      Close();
      break;
    default:
      break;
  }
}

}  // namespace lr
