#pragma once
// The arithmetic words used throughout the program, in one place so that every
// computation rounds the same way. Never use std::round where Round is meant:
// Round here ties to even.
#include <cmath>
#include <cstdint>

namespace velinor {

// Integer division truncating toward zero (C++ '/' already does this; the name
// documents intent where a formula says "div").
constexpr int64_t Div(int64_t a, int64_t b) { return a / b; }

// Modulo with a non-negative result for a positive divisor.
constexpr int64_t ModPos(int64_t a, int64_t b) {
  const int64_t m = a % b;
  return m < 0 ? m + b : m;
}

// Nearest integer, ties to even (banker's rounding).
inline int64_t Round(double v) {
  double r = std::nearbyint(v);  // default FP environment: round-half-even
  return static_cast<int64_t>(r);
}

inline int64_t Trunc(double v) { return static_cast<int64_t>(std::trunc(v)); }
inline int64_t Ceil(double v) { return static_cast<int64_t>(std::ceil(v)); }
inline int64_t Floor(double v) { return static_cast<int64_t>(std::floor(v)); }

constexpr int ClampByte(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

template <typename T>
constexpr T Clamp(T v, T lo, T hi) { return v < lo ? lo : (v > hi ? hi : v); }

}  // namespace velinor
