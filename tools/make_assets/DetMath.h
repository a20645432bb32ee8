// Deterministic maths for the asset generator: the pictures and sounds must come out byte for
// byte the same on every machine and every library version, so nothing here calls the C
// library's transcendental functions (whose last bits differ between releases). Only + - * /,
// floor, frexp, ldexp and sqrt are used; those are exact or correctly rounded under IEEE 754.
#pragma once

#include <cmath>
#include <cstdint>

namespace assets {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;

inline double Clamp(double v, double lo, double hi) { return v < lo ? lo : (v > hi ? hi : v); }
inline double Clamp01(double v) { return Clamp(v, 0.0, 1.0); }
inline double Lerp(double a, double b, double t) { return a + (b - a) * t; }
inline double SmoothStep(double e0, double e1, double x) {
  double t = Clamp01((x - e0) / (e1 - e0));
  return t * t * (3.0 - 2.0 * t);
}

// sin(x) for any x: reduce to [-pi/2, pi/2] and sum the Taylor series to x^17.
inline double Sin(double x) {
  double k = std::floor(x / kTwoPi + 0.5);
  double r = x - k * kTwoPi;  // [-pi, pi]
  if (r > kPi / 2) r = kPi - r;
  if (r < -kPi / 2) r = -kPi - r;
  double r2 = r * r;
  double term = r, sum = r;
  for (int n = 1; n <= 8; ++n) {
    term *= -r2 / double((2 * n) * (2 * n + 1));
    sum += term;
  }
  return sum;
}
inline double Cos(double x) { return Sin(x + kPi / 2); }
inline double SinDeg(double deg) { return Sin(deg * kPi / 180.0); }
inline double CosDeg(double deg) { return Cos(deg * kPi / 180.0); }

// e^x: split x = k ln2 + r with |r| <= ln2 / 2, Taylor series for e^r, then scale by 2^k.
inline double Exp(double x) {
  if (x < -700.0) return 0.0;
  if (x > 700.0) x = 700.0;
  constexpr double kLn2 = 0.69314718055994530942;
  double k = std::floor(x / kLn2 + 0.5);
  double r = x - k * kLn2;
  double term = 1.0, sum = 1.0;
  for (int n = 1; n <= 14; ++n) {
    term *= r / n;
    sum += term;
  }
  return std::ldexp(sum, int(k));
}

// Natural logarithm of x > 0: x = m 2^k with m in [0.75, 1.5), then the atanh series for log m.
inline double Log(double x) {
  if (x <= 0) return -1e300;
  int k = 0;
  double m = std::frexp(x, &k);  // [0.5, 1)
  if (m < 0.75) {
    m *= 2.0;
    --k;
  }
  double z = (m - 1.0) / (m + 1.0), z2 = z * z, term = z, sum = z;
  for (int n = 1; n <= 12; ++n) {
    term *= z2;
    sum += term / double(2 * n + 1);
  }
  return 2.0 * sum + k * 0.69314718055994530942;
}
inline double Pow(double x, double y) { return x <= 0 ? 0.0 : Exp(y * Log(x)); }

// atan(x) by halving the angle twice and a short series; atan2 from it.
inline double Atan(double x) {
  bool neg = x < 0;
  if (neg) x = -x;
  bool inv = x > 1.0;
  if (inv) x = 1.0 / x;
  // tan(a/2) = t / (1 + sqrt(1 + t^2)), twice: |x| <= tan(pi/16)
  x = x / (1.0 + std::sqrt(1.0 + x * x));
  x = x / (1.0 + std::sqrt(1.0 + x * x));
  double x2 = x * x, term = x, sum = x;
  for (int n = 1; n <= 12; ++n) {
    term *= -x2;
    sum += term / double(2 * n + 1);
  }
  sum *= 4.0;
  if (inv) sum = kPi / 2 - sum;
  return neg ? -sum : sum;
}
inline double Atan2(double y, double x) {
  if (x > 0) return Atan(y / x);
  if (x < 0) return y >= 0 ? Atan(y / x) + kPi : Atan(y / x) - kPi;
  if (y > 0) return kPi / 2;
  if (y < 0) return -kPi / 2;
  return 0.0;
}

// A small seeded generator (xorshift64*), the same sequence everywhere.
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed ? seed : 0x9E3779B97F4A7C15ull) {}
  uint64_t Next() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return state_ * 0x2545F4914F6CDD1Dull;
  }
  // Uniform in [0, 1).
  double Uniform() { return double(Next() >> 11) * (1.0 / 9007199254740992.0); }
  // Uniform in [-1, 1).
  double Signed() { return Uniform() * 2.0 - 1.0; }
  double Range(double lo, double hi) { return lo + (hi - lo) * Uniform(); }

 private:
  uint64_t state_;
};

// Integer hash of a lattice point, for value noise.
inline uint32_t Hash3(int32_t x, int32_t y, uint32_t seed) {
  uint32_t h = seed * 0x9E3779B1u;
  h ^= uint32_t(x) * 0x85EBCA6Bu;
  h = (h ^ (h >> 15)) * 0x2C1B3C6Du;
  h ^= uint32_t(y) * 0xC2B2AE35u;
  h = (h ^ (h >> 13)) * 0x297A2D39u;
  return h ^ (h >> 16);
}
inline double HashUnit(int32_t x, int32_t y, uint32_t seed) { return double(Hash3(x, y, seed) & 0xFFFFFF) / 16777216.0; }

inline int32_t Wrap(int32_t v, int32_t period) {
  if (period <= 0) return v;
  int32_t m = v % period;
  return m < 0 ? m + period : m;
}

// Smooth value noise in [0, 1] on a lattice of the given cell size. With periodX > 0 (in
// cells) the noise repeats every periodX cells horizontally, so a picture tiles seamlessly.
inline double ValueNoise(double x, double y, double cell, int32_t periodX, uint32_t seed) {
  double fx = x / cell, fy = y / cell;
  double ix = std::floor(fx), iy = std::floor(fy);
  double tx = fx - ix, ty = fy - iy;
  tx = tx * tx * (3 - 2 * tx);
  ty = ty * ty * (3 - 2 * ty);
  int32_t x0 = Wrap(int32_t(ix), periodX), x1 = Wrap(int32_t(ix) + 1, periodX);
  int32_t y0 = int32_t(iy), y1 = y0 + 1;
  double a = HashUnit(x0, y0, seed), b = HashUnit(x1, y0, seed);
  double c = HashUnit(x0, y1, seed), d = HashUnit(x1, y1, seed);
  return Lerp(Lerp(a, b, tx), Lerp(c, d, tx), ty);
}

// Fractal sum of value noise, normalised to [0, 1]. The horizontal period is given in
// pixels and must be a multiple of the coarsest cell so every octave repeats with it.
inline double Fbm(double x, double y, double cell, int octaves, int32_t periodPx, uint32_t seed) {
  double sum = 0, amp = 1, norm = 0;
  for (int o = 0; o < octaves; ++o) {
    int32_t period = periodPx > 0 ? int32_t(std::floor(periodPx / cell + 0.5)) : 0;
    sum += amp * ValueNoise(x, y, cell, period, seed + uint32_t(o) * 1013u);
    norm += amp;
    amp *= 0.5;
    cell *= 0.5;
  }
  return sum / norm;
}

}  // namespace assets
