// The stick figure: thirteen 32x64 frames, facing right, feet on the bottom row. It is drawn in
// light greys (the game multiplies it by the player's colour): near limbs white, the far arm
// and leg a shade darker so that strides read, all inside a dark grey rim.
#include <array>
#include <functional>

#include "Sheets.h"

namespace assets {
namespace {

constexpr int kFrameW = 32, kFrameH = 64, kFrames = 13;

struct Limb {
  std::vector<Vec2> pts;  // from the body outwards: root, joint, end (, toe)
};

struct Pose {
  Vec2 head;
  std::vector<Vec2> spine;  // neck ... hip
  Limb nearArm, farArm, nearLeg, farLeg;
  bool fist = false;  // a clenched near fist (punching, aiming)
  double headTilt = 0;
};

// Limb and head sizes (pixels).
constexpr double kLimbR = 1.45;
constexpr double kHeadR = 5.2;
constexpr double kRim = 1.0;
// Grey levels of the parts.
constexpr double kNearGrey = 1.0, kBodyGrey = 0.94, kFarGrey = 0.68, kRimGrey = 0.25, kEyeGrey = 0.22;

// Feet rest on this line: with the limb radius and rim the sole covers the bottom row.
constexpr double kFloor = 61.2;

Pose StandPose() {
  Pose p;
  p.head = {16.5, 8.5};
  p.spine = {{16.2, 14.5}, {16, 18}, {16, 37}};
  p.nearArm.pts = {{16, 18.5}, {19.6, 26.8}, {21.4, 34.6}};
  p.farArm.pts = {{16, 18.5}, {12.4, 26.8}, {10.8, 34.6}};
  p.nearLeg.pts = {{16, 37}, {18, 49}, {19, kFloor}, {22.3, kFloor}};
  p.farLeg.pts = {{16, 37}, {14, 49}, {13, kFloor}, {16.3, kFloor}};
  return p;
}

// Walking: a long stride, the legs passing, and the other long stride.
Pose StrideA() {
  Pose p;
  p.head = {18, 8.8};
  p.spine = {{17.6, 14.8}, {17.2, 18.2}, {15.6, 37}};
  p.nearLeg.pts = {{15.6, 37}, {20, 48.5}, {23.6, kFloor}, {26.8, kFloor}};
  p.farLeg.pts = {{15.6, 37}, {11.6, 48.5}, {7.6, 59.3}, {10.4, kFloor}};
  p.nearArm.pts = {{17.2, 18.7}, {13.6, 26.5}, {10.8, 33.2}};
  p.farArm.pts = {{17.2, 18.7}, {20.4, 26.5}, {24.4, 31.5}};
  return p;
}
Pose StrideB() {
  Pose p = StrideA();
  std::swap(p.nearLeg, p.farLeg);
  std::swap(p.nearArm, p.farArm);
  return p;
}
Pose Passing() {
  Pose p;
  p.head = {17.8, 8.2};
  p.spine = {{17.4, 14.2}, {17.0, 17.6}, {15.8, 36.6}};
  p.nearLeg.pts = {{15.8, 36.6}, {17.2, 48.8}, {16.6, kFloor}, {19.9, kFloor}};
  p.farLeg.pts = {{15.8, 36.6}, {21.4, 45.4}, {17.6, 55.2}, {20.6, 56.4}};
  p.nearArm.pts = {{17.0, 18.1}, {14.2, 26.6}, {12.8, 34.0}};
  p.farArm.pts = {{17.0, 18.1}, {19.6, 26.4}, {22.4, 32.8}};
  return p;
}

// Jumping: legs tucked with arms thrown up, then stretched out.
Pose JumpTuck() {
  Pose p;
  p.head = {16.8, 8.5};
  p.spine = {{16.4, 14.5}, {16.2, 18}, {16, 36.5}};
  p.nearArm.pts = {{16.2, 18.5}, {21.5, 12.5}, {24.5, 5.2}};
  p.farArm.pts = {{16.2, 18.5}, {11.5, 12.8}, {8.6, 6.2}};
  p.nearLeg.pts = {{16, 36.5}, {22, 43.5}, {17.6, 52}, {20.6, 53.6}};
  p.farLeg.pts = {{16, 36.5}, {19.4, 46}, {13.4, 53.4}, {16.2, 55.4}};
  return p;
}
Pose JumpStretch() {
  Pose p;
  p.head = {16.6, 8.3};
  p.spine = {{16.3, 14.3}, {16.1, 17.8}, {15.8, 36.8}};
  p.nearArm.pts = {{16.1, 18.3}, {22.4, 14.0}, {27.6, 9.8}};
  p.farArm.pts = {{16.1, 18.3}, {10.4, 14.2}, {5.4, 10.2}};
  p.nearLeg.pts = {{15.8, 36.8}, {19.4, 48}, {20.6, 58.6}, {23.6, 60.2}};
  p.farLeg.pts = {{15.8, 36.8}, {13.4, 47.4}, {10.8, 57.4}, {13.4, 59.6}};
  return p;
}

// Tumbling: flung off balance, limbs flailing; leaning back, then pitching forward.
Pose TumbleBack() {
  Pose p;
  p.head = {10.4, 10.6};
  p.spine = {{11.6, 16.2}, {12.6, 19.4}, {17.6, 36.4}};
  p.nearArm.pts = {{12.6, 19.8}, {6.4, 23.6}, {3.2, 16.8}};
  p.farArm.pts = {{12.6, 19.8}, {18.4, 13.4}, {23.6, 9.2}};
  p.nearLeg.pts = {{17.6, 36.4}, {24.2, 43.4}, {26.6, 51.6}, {27.8, 48.6}};
  p.farLeg.pts = {{17.6, 36.4}, {19.6, 48.2}, {15.0, 56.8}, {17.4, 59.0}};
  p.headTilt = -1;
  return p;
}
Pose TumbleForward() {
  Pose p;
  p.head = {22.6, 11.2};
  p.spine = {{21.0, 16.6}, {19.8, 19.8}, {14.6, 36.6}};
  p.nearArm.pts = {{19.8, 20.2}, {25.8, 24.8}, {28.0, 31.8}};
  p.farArm.pts = {{19.8, 20.2}, {13.6, 14.4}, {8.2, 10.4}};
  p.nearLeg.pts = {{14.6, 36.6}, {8.6, 44.0}, {5.6, 52.2}, {3.8, 49.0}};
  p.farLeg.pts = {{14.6, 36.6}, {13.4, 48.2}, {17.4, 56.2}, {20.0, 57.8}};
  p.headTilt = 1;
  return p;
}

// Crouching, and the tucked ball that turns about (16, 48) while rolling.
Pose Crouch() {
  Pose p;
  p.head = {20.2, 36.4};
  p.spine = {{18.2, 41.6}, {16.6, 43.6}, {12.6, 47.0}, {10.6, 53.6}};
  p.nearLeg.pts = {{10.6, 53.6}, {21.0, 50.2}, {16.6, kFloor}, {20.0, kFloor}};
  p.farLeg.pts = {{10.6, 53.6}, {19.0, 53.0}, {13.2, kFloor}, {16.6, kFloor}};
  p.nearArm.pts = {{16.6, 44.0}, {19.6, 47.6}, {23.4, 50.6}};
  p.farArm.pts = {{16.6, 44.0}, {18.8, 49.6}, {21.6, 53.4}};
  return p;
}

// Climbing, seen from the side with the rope just in front (x 20): one hand high, one knee up.
Pose ClimbA() {
  Pose p;
  p.head = {12.2, 10.8};
  p.spine = {{12.4, 16.8}, {12.6, 20.2}, {12.8, 38.4}};
  p.nearArm.pts = {{12.6, 20.6}, {18.8, 18.4}, {20.2, 8.6}};
  p.farArm.pts = {{12.6, 20.6}, {17.6, 27.6}, {20.2, 22.4}};
  p.nearLeg.pts = {{12.8, 38.4}, {19.6, 43.2}, {19.4, 52.4}, {21.6, 53.6}};
  p.farLeg.pts = {{12.8, 38.4}, {14.6, 50.0}, {18.4, 59.4}, {20.8, 60.6}};
  return p;
}
Pose ClimbB() {
  Pose p = ClimbA();
  std::swap(p.nearArm, p.farArm);
  std::swap(p.nearLeg, p.farLeg);
  p.head = {12.4, 11.2};
  return p;
}

// Punching or firing standing: the near arm straight out at shoulder height.
Pose Attack() {
  Pose p;
  p.head = {15.4, 8.6};
  p.spine = {{15.2, 14.6}, {15.0, 18.2}, {15.2, 37}};
  p.nearArm.pts = {{15.0, 19.2}, {21.6, 20.0}, {27.4, 20.2}};
  p.farArm.pts = {{15.0, 19.2}, {18.4, 26.4}, {21.0, 21.8}};
  p.nearLeg.pts = {{15.2, 37}, {19.6, 48.6}, {22.4, kFloor}, {25.6, kFloor}};
  p.farLeg.pts = {{15.2, 37}, {11.6, 48.8}, {8.8, kFloor}, {12.0, kFloor}};
  p.fist = true;
  return p;
}

// Firing crouched: kneeling, both arms out at the height of the low shot.
Pose CrouchShoot() {
  Pose p;
  p.head = {15.2, 32.4};
  p.spine = {{14.6, 38.2}, {14.2, 41.4}, {12.4, 52.6}};
  p.nearArm.pts = {{14.2, 42.0}, {21.0, 40.8}, {27.2, 40.6}};
  p.farArm.pts = {{14.2, 42.0}, {19.4, 45.0}, {25.0, 42.2}};
  p.nearLeg.pts = {{12.4, 52.6}, {21.4, 52.6}, {21.4, kFloor}, {24.6, kFloor}};
  p.farLeg.pts = {{12.4, 52.6}, {10.4, kFloor}, {4.6, kFloor}, {4.4, 59.6}};
  p.fist = true;
  return p;
}

double DistLimb(Vec2 q, const Limb& l) { return DistPolyline(q, l.pts); }

void DrawPose(Canvas& c, const Pose& p, double ox) {
  auto at = [&](Vec2 q) { return Vec2{q.x - ox, q.y}; };
  auto body = [&](Vec2 q) {
    q = at(q);
    return std::min(DistPolyline(q, p.spine) - kLimbR - 0.25, SdCircle(q, p.head, kHeadR));
  };
  auto limb = [&](const Limb& l) { return [&, l](Vec2 q) { return DistLimb(at(q), l) - kLimbR; }; };
  auto fist = [&](Vec2 q) {
    if (!p.fist) return 1e9;
    return SdCircle(at(q), p.nearArm.pts.back(), 2.3);
  };
  auto all = [&](Vec2 q) {
    double d = body(q);
    for (const Limb* l : {&p.nearArm, &p.farArm, &p.nearLeg, &p.farLeg}) d = std::min(d, DistLimb(at(q), *l) - kLimbR);
    return std::min(d, fist(q));
  };
  Rgba rim{kRimGrey, kRimGrey, kRimGrey, 1};
  auto grey = [](double g) { return Rgba{g, g, g, 1}; };
  // Dark rim round the whole silhouette.
  c.FillSolid([&](Vec2 q) { return all(q) - kRim; }, rim);
  // Far limbs, behind the body.
  c.FillSolid(limb(p.farLeg), grey(kFarGrey));
  c.FillSolid(limb(p.farArm), grey(kFarGrey));
  c.FillSolid(body, grey(kBodyGrey));
  // Near limbs in front, each with a thin rim where it crosses the body (not at its root).
  for (const Limb* l : {&p.nearLeg, &p.nearArm}) {
    Vec2 root = l->pts.front();
    c.FillSolid(
        [&, l, root](Vec2 q) {
          return Subtract(DistLimb(at(q), *l) - kLimbR - 0.7, SdCircle(at(q), root, kLimbR + 2.2));
        },
        rim);
    c.FillSolid(limb(*l), grey(kNearGrey));
  }
  if (p.fist) c.FillSolid(fist, grey(kNearGrey));
  // An eye on the facing side of the head.
  Vec2 eye = p.head + Vec2{2.3, -0.6 + p.headTilt * 0.6};
  c.FillSolid([&](Vec2 q) { return SdEllipse(at(q), eye, {0.75, 1.15}); }, grey(kEyeGrey));
}

}  // namespace

IndexedImage MakeSticky() {
  const std::array<std::function<Pose()>, kFrames> frames = {
      StandPose, StrideA, Passing, JumpTuck, JumpStretch, TumbleBack, TumbleForward,
      Crouch,    StrideB, ClimbA,  ClimbB,   Attack,      CrouchShoot};
  Canvas canvas(kFrameW * kFrames, kFrameH);
  for (int i = 0; i < kFrames; ++i) {
    // Each frame is drawn alone so nothing spills into its neighbours.
    Canvas frame(kFrameW, kFrameH);
    DrawPose(frame, frames[size_t(i)](), 0);
    for (int y = 0; y < kFrameH; ++y)
      for (int x = 0; x < kFrameW; ++x) canvas.SetPremul(i * kFrameW + x, y, frame.At(x, y));
  }
  Rgba rim{kRimGrey, kRimGrey, kRimGrey, 1};
  Image rgb = FlattenKeyed(canvas, Magenta(), rim);

  // Palette: entry 0 the key, entries 1..255 an even grey ramp.
  IndexedImage out;
  out.width = rgb.width;
  out.height = rgb.height;
  out.palette.push_back({255, 0, 255});
  for (int i = 1; i < 256; ++i) {
    uint8_t g = uint8_t((i - 1) * 255 / 254);
    out.palette.push_back({g, g, g});
  }
  out.index.resize(size_t(rgb.width) * rgb.height);
  for (int y = 0; y < rgb.height; ++y)
    for (int x = 0; x < rgb.width; ++x) {
      const uint8_t* p = rgb.At(x, y);
      bool key = p[0] == 255 && p[1] == 0 && p[2] == 255;
      // The figure is grey: r = g = b.
      out.index[size_t(y) * rgb.width + x] = key ? 0 : uint8_t(1 + (p[1] * 254 + 127) / 255);
    }
  return out;
}

}  // namespace assets
