#pragma once
// Wall-clock timing for the benchmarks that are plain programs (not Google
// Benchmark): one run in milliseconds, and the median of several.
#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

inline double Milliseconds(const std::function<void()>& f) {
  const auto t0 = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}
