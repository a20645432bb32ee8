// Sound synthesis: a handful of oscillators, noise and filters, all deterministic.
#include "Sounds.h"

#include <functional>

#include "DetMath.h"

namespace assets {
namespace {

constexpr double kSr = kSampleRate;

std::vector<double> Buffer(double seconds) { return std::vector<double>(size_t(seconds * kSr), 0.0); }
double TimeOf(size_t i) { return double(i) / kSr; }

// Second-order filter section (the usual cookbook forms), retunable per sample.
class Biquad {
 public:
  enum Kind { kLow, kHigh, kBand };
  explicit Biquad(Kind k) : kind_(k) {}
  void Tune(double freq, double q) {
    freq = Clamp(freq, 10.0, kSr * 0.45);
    double w = kTwoPi * freq / kSr, cw = Cos(w), alpha = Sin(w) / (2.0 * q);
    double a0 = 1.0 + alpha;
    switch (kind_) {
      case kLow: b0_ = (1 - cw) / 2, b1_ = 1 - cw, b2_ = (1 - cw) / 2; break;
      case kHigh: b0_ = (1 + cw) / 2, b1_ = -(1 + cw), b2_ = (1 + cw) / 2; break;
      case kBand: b0_ = alpha, b1_ = 0, b2_ = -alpha; break;
    }
    b0_ /= a0, b1_ /= a0, b2_ /= a0;
    a1_ = -2 * cw / a0, a2_ = (1 - alpha) / a0;
  }
  double Run(double x) {
    double y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
    x2_ = x1_, x1_ = x, y2_ = y1_, y1_ = y;
    return y;
  }

 private:
  Kind kind_;
  double b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
  double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

// A phase that advances by a frequency each sample.
struct Phase {
  double p = 0;
  double Step(double freq) {
    p += freq / kSr;
    p -= std::floor(p);
    return p;
  }
};

double SinCycles(double cycles) { return Sin(cycles * kTwoPi); }

// A voiced source: a sum of harmonics falling off like a voice, kept below the Nyquist limit.
double Glottal(double phase, double freq, double tilt) {
  double s = 0;
  for (int h = 1; h * freq < kSr * 0.45 && h <= 40; ++h) s += SinCycles(phase * h) / Pow(double(h), tilt);
  return s;
}

double SoftClip(double x) { return x / (1.0 + std::fabs(x)); }

// Decay envelope: 1 at t = 0 falling by e every tau seconds.
double Decay(double t, double tau) { return Exp(-t / tau); }
// Linear attack into an exponential decay.
double Pluck(double t, double attack, double tau) { return t < attack ? t / attack : Decay(t - attack, tau); }

// A bank of formant filters for a vowel.
struct Vowel {
  double f[3], gain[3], q[3];
};

std::vector<double> Voice(double seconds, const std::function<double(double)>& pitch,
                          const std::function<double(double)>& amp, const Vowel& v, double breath, double tilt,
                          uint64_t seed) {
  std::vector<double> out = Buffer(seconds);
  Rng rng(seed);
  Biquad bands[3] = {Biquad(Biquad::kBand), Biquad(Biquad::kBand), Biquad(Biquad::kBand)};
  for (int k = 0; k < 3; ++k) bands[k].Tune(v.f[k], v.q[k]);
  Phase ph;
  double jitter = 0;
  for (size_t i = 0; i < out.size(); ++i) {
    double t = TimeOf(i);
    jitter = jitter * 0.995 + rng.Signed() * 0.005;
    double f = pitch(t) * (1.0 + jitter);
    double src = Glottal(ph.Step(f), f, tilt) + rng.Signed() * breath;
    double y = 0;
    for (int k = 0; k < 3; ++k) y += bands[k].Run(src) * v.gain[k];
    out[i] = y * amp(t);
  }
  return out;
}

// --- the effects ---------------------------------------------------------------------------

std::vector<double> Scream() {
  auto pitch = [](double t) {
    double base = t < 0.12 ? Lerp(560, 900, t / 0.12) : 900.0 - 380.0 * SmoothStep(0.12, 1.2, t);
    double vib = 1.0 + (0.012 + 0.03 * SmoothStep(0.2, 1.0, t)) * Sin(kTwoPi * 6.2 * t);
    return base * vib;
  };
  auto amp = [](double t) { return SmoothStep(0.0, 0.05, t) * (1.0 - SmoothStep(0.75, 1.22, t)); };
  Vowel ah{{820, 1250, 2900}, {1.0, 0.7, 0.35}, {6, 8, 10}};
  std::vector<double> s = Voice(1.25, pitch, amp, ah, 0.6, 0.9, 101);
  for (double& x : s) x = SoftClip(x * 3.0);
  return s;
}

std::vector<double> Mine() {
  // A metal latch: click, clack, then a short arming beep.
  std::vector<double> s = Buffer(0.42);
  Rng rng(202);
  Biquad click(Biquad::kBand), clack(Biquad::kBand);
  click.Tune(3600, 4);
  clack.Tune(1700, 5);
  Phase beep;
  for (size_t i = 0; i < s.size(); ++i) {
    double t = TimeOf(i);
    double n = rng.Signed();
    double y = click.Run(n * Decay(t, 0.004)) * 3.0;
    y += SinCycles(t * 2450) * Decay(t, 0.025) * 0.5;
    double t2 = t - 0.075;
    if (t2 >= 0) {
      y += clack.Run(n * Decay(t2, 0.006)) * 3.0;
      y += SinCycles(t2 * 1230) * Decay(t2, 0.03) * 0.45;
    }
    double t3 = t - 0.19;
    if (t3 >= 0 && t3 < 0.2) {
      // a square wave's first three harmonics: bright, but nothing above the Nyquist limit
      double ph = beep.Step(1860);
      double sq = SinCycles(ph) + SinCycles(ph * 3) / 3.0 + SinCycles(ph * 5) / 5.0;
      double env = SmoothStep(0, 0.004, t3) * (1.0 - SmoothStep(0.15, 0.2, t3));
      y += sq * env * 0.22;
    }
    s[i] = y;
  }
  return s;
}

std::vector<double> Boom() {
  std::vector<double> s = Buffer(1.4);
  Rng rng(303);
  Biquad lp(Biquad::kLow), lp2(Biquad::kLow), debris(Biquad::kBand);
  debris.Tune(1400, 2.0);
  Phase thump;
  double crackle = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    double t = TimeOf(i);
    double cutoff = 180.0 + 3200.0 * Decay(t, 0.12);
    lp.Tune(cutoff, 0.8);
    lp2.Tune(cutoff * 1.2, 0.7);
    double rumble = lp2.Run(lp.Run(rng.Signed())) * Pluck(t, 0.004, 0.42) * 2.2;
    double f = 38.0 + 70.0 * Decay(t, 0.08);
    double body = SinCycles(thump.Step(f)) * Pluck(t, 0.003, 0.28) * 0.9;
    // scattered debris crackles in the first half second
    if (t < 0.6 && rng.Uniform() < 0.004 * Decay(t, 0.25)) crackle = rng.Signed();
    crackle *= 0.9;
    s[i] = SoftClip((rumble + body + debris.Run(crackle) * 0.8) * 1.6);
  }
  return s;
}

std::vector<double> Bzzt() {
  std::vector<double> s = Buffer(0.6);
  Rng rng(404);
  Phase hum;
  Biquad bp(Biquad::kBand), hp(Biquad::kHigh);
  bp.Tune(1400, 1.2);
  hp.Tune(2500, 0.7);
  double gate = 1.0;
  for (size_t i = 0; i < s.size(); ++i) {
    double t = TimeOf(i);
    double p = hum.Step(118.0 + 6.0 * Sin(kTwoPi * 9 * t));
    double saw = 2.0 * p - 1.0;
    double buzz = SoftClip(saw * 4.0 + (p < 0.5 ? 0.6 : -0.6));
    // the arc stutters: the gate drops out now and then
    if (i % 220 == 0) gate = rng.Uniform() < 0.18 ? 0.25 : 1.0;
    double sizzle = hp.Run(rng.Signed()) * (0.5 + 0.5 * rng.Uniform());
    double y = bp.Run(buzz) * 1.6 + buzz * 0.35 + sizzle * 0.5;
    double env = SmoothStep(0, 0.01, t) * (1.0 - SmoothStep(0.45, 0.6, t));
    s[i] = y * gate * env;
  }
  return s;
}

std::vector<double> Ouff() {
  auto pitch = [](double t) { return 175.0 - 70.0 * SmoothStep(0.0, 0.22, t); };
  auto amp = [](double t) { return SmoothStep(0.0, 0.018, t) * (1.0 - SmoothStep(0.09, 0.24, t)); };
  Vowel uh{{560, 980, 2450}, {1.0, 0.55, 0.2}, {5, 7, 9}};
  std::vector<double> s = Voice(0.4, pitch, amp, uh, 0.9, 1.1, 505);
  // breath pushed out after the grunt
  Rng rng(506);
  Biquad hp(Biquad::kHigh);
  hp.Tune(1800, 0.7);
  for (size_t i = 0; i < s.size(); ++i) {
    double t = TimeOf(i);
    double env = SmoothStep(0.05, 0.12, t) * (1.0 - SmoothStep(0.16, 0.38, t));
    s[i] = SoftClip(s[i] * 2.5) + hp.Run(rng.Signed()) * env * 0.18;
  }
  return s;
}

std::vector<double> Loadup() {
  std::vector<double> s = Buffer(0.72);
  Phase a, b;
  Biquad lp(Biquad::kLow);
  lp.Tune(4200, 0.7);
  for (size_t i = 0; i < s.size(); ++i) {
    double t = TimeOf(i);
    double u = Clamp01(t / 0.6);
    double f = 220.0 * Exp(u * 1.79);  // two and a half octaves up
    // soft square plus a fifth above, with a fast shimmer
    double pa = a.Step(f), pb = b.Step(f * 1.5);
    double voice = SoftClip(SinCycles(pa) * 3.0) * 0.7 + SinCycles(pb) * 0.3;
    double shimmer = 0.75 + 0.25 * Sin(kTwoPi * 22.0 * t);
    double env = SmoothStep(0, 0.02, t) * (1.0 - SmoothStep(0.55, 0.72, t));
    s[i] = lp.Run(voice) * shimmer * env;
  }
  return s;
}

// A boing: a tone whose pitch wobbles fast and settles while it dies away.
std::vector<double> Boing(double seconds, double base, double wobbleHz, double depth, double tau, double bend,
                          uint64_t seed) {
  std::vector<double> s = Buffer(seconds);
  Rng rng(seed);
  Phase car, twang;
  for (size_t i = 0; i < s.size(); ++i) {
    double t = TimeOf(i);
    double f = base * (1.0 + bend * Decay(t, 0.06)) * (1.0 + depth * Sin(kTwoPi * wobbleHz * t) * Decay(t, tau * 0.9));
    double body = SinCycles(car.Step(f));
    double metal = SinCycles(twang.Step(f * 2.76)) * Decay(t, 0.05) * 0.35;
    double env = Pluck(t, 0.004, tau);
    double tick = t < 0.004 ? rng.Signed() * (1.0 - t / 0.004) * 0.5 : 0.0;
    s[i] = (SoftClip(body * 1.5) + metal) * env + tick;
  }
  return s;
}

std::vector<double> Spring() { return Boing(0.65, 190.0, 13.0, 0.28, 0.2, 0.5, 707); }
std::vector<double> Spring2() { return Boing(0.5, 330.0, 24.0, 0.22, 0.13, -0.35, 909); }

std::vector<double> Pistol() {
  std::vector<double> s = Buffer(0.55);
  Rng rng(808);
  Biquad crackHp(Biquad::kHigh), bodyLp(Biquad::kLow), tailLp(Biquad::kLow);
  crackHp.Tune(1500, 0.7);
  bodyLp.Tune(900, 0.9);
  tailLp.Tune(500, 0.7);
  Phase thump;
  for (size_t i = 0; i < s.size(); ++i) {
    double t = TimeOf(i);
    double n = rng.Signed();
    double crack = crackHp.Run(n) * Pluck(t, 0.0008, 0.018) * 2.0;
    double body = bodyLp.Run(n) * Pluck(t, 0.001, 0.06) * 2.4;
    double f = 60.0 + 110.0 * Decay(t, 0.02);
    double boom = SinCycles(thump.Step(f)) * Pluck(t, 0.001, 0.07) * 0.8;
    double tail = tailLp.Run(n) * Decay(t, 0.16) * 0.9;
    s[i] = SoftClip((crack + body + boom + tail) * 1.8);
  }
  return s;
}

std::vector<double> Plink() {
  std::vector<double> s = Buffer(0.3);
  const double partials[4][2] = {{1760, 1.0}, {3520, 0.35}, {5280, 0.12}, {7390, 0.07}};
  for (size_t i = 0; i < s.size(); ++i) {
    double t = TimeOf(i);
    double y = 0;
    for (int k = 0; k < 4; ++k) y += SinCycles(t * partials[k][0]) * partials[k][1] * Decay(t, 0.075 / (1.0 + k * 0.6));
    s[i] = y * SmoothStep(0, 0.002, t);
  }
  return s;
}

std::vector<double> Splash() {
  std::vector<double> s = Buffer(1.1);
  Rng rng(1111);
  Biquad slosh(Biquad::kBand), sizzleHp(Biquad::kHigh), bubbleBp(Biquad::kBand);
  sizzleHp.Tune(3800, 0.7);
  Phase plop;
  // a few bubbles popping as it settles
  struct Pop {
    double at, from, to;
  };
  std::vector<Pop> pops;
  for (int k = 0; k < 7; ++k) pops.push_back({0.18 + rng.Uniform() * 0.6, 260 + rng.Uniform() * 200, 600 + rng.Uniform() * 500});
  for (size_t i = 0; i < s.size(); ++i) {
    double t = TimeOf(i);
    double n = rng.Signed();
    // the heavy plop: a falling tone
    double f = 110.0 + 330.0 * Decay(t, 0.03);
    double y = SinCycles(plop.Step(f)) * Pluck(t, 0.002, 0.07) * 0.9;
    // the slosh: noise through a falling band
    slosh.Tune(500.0 + 1600.0 * Decay(t, 0.1), 1.4);
    y += slosh.Run(n) * Pluck(t, 0.006, 0.16) * 2.6;
    // hiss of the hot rock
    y += sizzleHp.Run(n) * SmoothStep(0.02, 0.1, t) * Decay(t, 0.35) * 0.35 * (0.6 + 0.4 * rng.Uniform());
    for (const Pop& p : pops) {
      double u = t - p.at;
      if (u >= 0 && u < 0.04) y += Sin(kTwoPi * (p.from * u + (p.to - p.from) * u * u / 0.08)) * Pluck(u, 0.002, 0.01) * 0.3;
    }
    s[i] = SoftClip(y * 1.4);
  }
  return s;
}

}  // namespace

std::vector<double> Finish(std::vector<double> s, double fadeIn, double fadeOut) {
  if (s.empty()) return s;
  // DC blocker
  double prevX = 0, prevY = 0;
  for (double& x : s) {
    double y = x - prevX + 0.995 * prevY;
    prevX = x, prevY = y;
    x = y;
  }
  size_t n = s.size();
  size_t in = std::max<size_t>(2, size_t(fadeIn * kSr)), out = std::max<size_t>(2, size_t(fadeOut * kSr));
  for (size_t i = 0; i < in && i < n; ++i) s[i] *= 0.5 - 0.5 * Cos(kPi * double(i) / double(in));
  for (size_t i = 0; i < out && i < n; ++i) s[n - 1 - i] *= 0.5 - 0.5 * Cos(kPi * double(i) / double(out));
  double peak = 0;
  for (double x : s) peak = std::max(peak, std::fabs(x));
  if (peak > 0)
    for (double& x : s) x *= kPeakLevel / peak;
  return s;
}

std::vector<uint8_t> EncodeWav(const std::vector<double>& samples) {
  std::vector<uint8_t> v;
  auto put16 = [&](uint32_t x) {
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
  };
  auto put32 = [&](uint32_t x) {
    put16(x & 0xFFFF);
    put16(x >> 16);
  };
  auto tag = [&](const char* t) {
    for (int k = 0; k < 4; ++k) v.push_back(uint8_t(t[k]));
  };
  uint32_t dataBytes = uint32_t(samples.size() * 2);
  tag("RIFF");
  put32(36 + dataBytes);
  tag("WAVE");
  tag("fmt ");
  put32(16);
  put16(1);  // PCM
  put16(1);  // mono
  put32(kSampleRate);
  put32(kSampleRate * 2);  // bytes per second
  put16(2);                // block align
  put16(16);               // bits per sample
  tag("data");
  put32(dataBytes);
  for (double x : samples) {
    double q = std::floor(Clamp(x, -1.0, 1.0) * 32767.0 + 0.5);
    put16(uint32_t(int32_t(q)) & 0xFFFF);
  }
  return v;
}

std::vector<OutputFile> MakeSounds() {
  struct Effect {
    const char* file;
    std::vector<double> (*make)();
  };
  const Effect effects[] = {{"Scream.wav", Scream}, {"Mine.wav", Mine},     {"Boom.wav", Boom},
                            {"Bzzt.wav", Bzzt},     {"Ouff.wav", Ouff},     {"Loadup.wav", Loadup},
                            {"Spring.wav", Spring}, {"pistol.wav", Pistol}, {"spring2.wav", Spring2},
                            {"Plink.wav", Plink},   {"splash.wav", Splash}};
  std::vector<OutputFile> out;
  for (const Effect& e : effects) out.push_back({e.file, EncodeWav(Finish(e.make()))});
  return out;
}

}  // namespace assets
