#include "core/print/PrintFields.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>

#include "core/base/Arith.h"

namespace velinor {

std::string FormatFixed(double v, int decimals) {
  if (!std::isfinite(v)) v = 0.0;
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  if (res.ec != std::errc()) return "0";
  std::string s(buf, res.ptr);
  // "-0.00" reads badly; a value that rounds to zero shows as zero.
  if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  return s;
}

namespace {

std::string Trimmed(const std::string& s) {
  const auto b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  const auto e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

// Whole-text conversion; a leading '+' is accepted like a '-'.
bool ParseNumber(const std::string& text, bool integer, double& out) {
  std::string t = Trimmed(text);
  if (!t.empty() && t[0] == '+') t.erase(0, 1);
  if (t.empty()) return false;
  const char* first = t.data();
  const char* last = t.data() + t.size();
  if (integer) {
    int64_t n = 0;
    auto res = std::from_chars(first, last, n);
    if (res.ec != std::errc() || res.ptr != last) return false;
    out = static_cast<double>(n);
    return true;
  }
  double d = 0;
  auto res = std::from_chars(first, last, d, std::chars_format::fixed);
  if (res.ec != std::errc() || res.ptr != last || !std::isfinite(d)) return false;
  out = d;
  return true;
}

}  // namespace

TNumberField::TNumberField(double minValue, double maxValue, int decimals, std::string text)
    : min_(minValue), max_(maxValue), decimals_(decimals), text_(std::move(text)) {}

bool TNumberField::SetText(const std::string& text) {
  if (text == text_) return false;
  text_ = text;
  return true;
}

double TNumberField::Clamp(double v) const {
  if (min_ == max_) return v;
  if (v < min_) return min_;
  if (v > max_) return max_;
  return v;
}

double TNumberField::Value() const {
  double v = 0;
  if (!ParseNumber(text_, IsInteger(), v)) return IsInteger() ? Clamp(min_) : min_;
  return Clamp(v);
}

bool TNumberField::SetValue(double v) {
  const double c = Clamp(v);
  const std::string text = IsInteger() ? std::to_string(Round(c)) : FormatFixed(c, decimals_);
  return SetText(text);
}

}  // namespace velinor
