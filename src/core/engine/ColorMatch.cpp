#include "core/engine/ColorMatch.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "core/base/Arith.h"
#include "core/base/Parallel.h"

namespace velinor {

bool ColorsWithin(TColor c1, TColor c2, int tolerance) {
  c1 = ResolveSystemColor(c1);
  c2 = ResolveSystemColor(c2);
  return std::abs(GetBValue(c1) - GetBValue(c2)) <= tolerance &&
         std::abs(GetGValue(c1) - GetGValue(c2)) <= tolerance &&
         std::abs(GetRValue(c1) - GetRValue(c2)) <= tolerance;
}

std::string ColorToText(TColor color) {
  color = ResolveSystemColor(color);
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", GetRValue(color), GetGValue(color),
                GetBValue(color));
  return text;
}

namespace {

struct TNamedColor {
  const char* name;
  TColor color;
};

// The colour identifiers of the toolkit.
constexpr TNamedColor kColorNames[] = {
    {"clBlack", 0x000000}, {"clMaroon", 0x000080}, {"clGreen", 0x008000},
    {"clOlive", 0x008080}, {"clNavy", 0x800000}, {"clPurple", 0x800080},
    {"clTeal", 0x808000}, {"clGray", 0x808080}, {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF}, {"clLime", 0x00FF00}, {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000}, {"clFuchsia", 0xFF00FF}, {"clAqua", 0xFFFF00},
    {"clLtGray", 0xC0C0C0}, {"clDkGray", 0x808080}, {"clWhite", 0xFFFFFF},
    {"clMoneyGreen", 0xC0DCC0}, {"clSkyBlue", 0xF0CAA6}, {"clCream", 0xF0FBFF},
    {"clMedGray", 0xA4A0A0}, {"clNone", clNone}, {"clDefault", 0x20000000},
    {"clScrollBar", SystemColor(sciScrollBar)}, {"clBackground", SystemColor(sciBackground)},
    {"clActiveCaption", SystemColor(sciActiveCaption)},
    {"clInactiveCaption", SystemColor(sciInactiveCaption)}, {"clMenu", SystemColor(sciMenu)},
    {"clWindow", SystemColor(sciWindow)}, {"clWindowFrame", SystemColor(sciWindowFrame)},
    {"clMenuText", SystemColor(sciMenuText)}, {"clWindowText", SystemColor(sciWindowText)},
    {"clCaptionText", SystemColor(sciCaptionText)},
    {"clActiveBorder", SystemColor(sciActiveBorder)},
    {"clInactiveBorder", SystemColor(sciInactiveBorder)},
    {"clAppWorkSpace", SystemColor(sciAppWorkSpace)}, {"clHighlight", SystemColor(sciHighlight)},
    {"clHighlightText", SystemColor(sciHighlightText)}, {"clBtnFace", SystemColor(sciBtnFace)},
    {"clBtnShadow", SystemColor(sciBtnShadow)}, {"clGrayText", SystemColor(sciGrayText)},
    {"clBtnText", SystemColor(sciBtnText)},
    {"clInactiveCaptionText", SystemColor(sciInactiveCaptionText)},
    {"clBtnHighlight", SystemColor(sciBtnHighlight)}, {"cl3DDkShadow", SystemColor(sci3DDkShadow)},
    {"cl3DLight", SystemColor(sci3DLight)}, {"clInfoText", SystemColor(sciInfoText)},
    {"clInfoBk", SystemColor(sciInfoBk)}, {"clHotLight", SystemColor(sciHotLight)},
    {"clMenuHighlight", SystemColor(sciMenuHighlight)}, {"clMenuBar", SystemColor(sciMenuBar)},
};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

TColor ParseColorText(const std::string& text, TColor def, bool swap) {
  for (const TNamedColor& n : kColorNames)
    if (strcasecmp(text.c_str(), n.name) == 0 && std::strlen(n.name) == text.size())
      return n.color;
  std::string s = text;
  if (!s.empty() && (s[0] == '#' || s[0] == '$')) s.erase(0, 1);
  if (s.size() != 6) return def;
  if (swap) s = s.substr(4, 2) + s.substr(2, 2) + s.substr(0, 2);
  TColor value = 0;
  for (char c : s) {
    const int d = HexDigit(c);
    if (d < 0) return def;
    value = value * 16 + static_cast<TColor>(d);
  }
  return value;
}

void BuildMatchList(const std::vector<std::string>& entries, bool gradient, TMatchList& matchList) {
  if (entries.empty()) return;
  if (gradient && entries.size() >= 2) {
    TColor a = ResolveSystemColor(ParseColorText(entries[0], clNone, true));
    for (size_t i = 1; i < entries.size(); ++i) {
      const TColor b = ResolveSystemColor(ParseColorText(entries[i], clNone, true));
      for (int k = 0; k < 7; ++k) {
        auto step = [k](int from, int to) { return from + (k * (to - from)) / 7; };
        matchList.push_back(RGB(step(GetRValue(a), GetRValue(b)), step(GetGValue(a), GetGValue(b)),
                                step(GetBValue(a), GetBValue(b))));
      }
      a = b;
    }
    matchList.push_back(ResolveSystemColor(ParseColorText(entries.back(), clNone, true)));
    return;
  }
  for (const std::string& e : entries) matchList.push_back(ParseColorText(e, clNone, true));
}

bool MatchesAny(TColor color, const TMatchList& matchList, int tolerance) {
  for (TColor c : matchList)
    if (ColorsWithin(color, c, tolerance)) return true;
  return false;
}

bool MatchesKept(TColor color, const TMatchList& matchList, const TMatchList& excluded, int tolerance) {
  return MatchesAny(color, matchList, tolerance) && !MatchesAny(color, excluded, tolerance);
}

namespace {

// The tolerance cube of one colour: red and green ranges and the blue bits.
struct TBox {
  int r0, r1, g0, g1;
  uint8_t blue[32];
};

std::vector<TBox> Boxes(const TMatchList& list, int t) {
  std::vector<TBox> boxes;
  boxes.reserve(list.size());
  for (TColor c : list) {
    c = ResolveSystemColor(c);
    const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    TBox box{std::max(r - t, 0), std::min(r + t, 255), std::max(g - t, 0), std::min(g + t, 255), {}};
    for (int v = std::max(b - t, 0); v <= std::min(b + t, 255); ++v)
      box.blue[v >> 3] = static_cast<uint8_t>(box.blue[v >> 3] | (1 << (v & 7)));
    boxes.push_back(box);
  }
  return boxes;
}

}  // namespace

TColorMatcher::TColorMatcher(const TMatchList& matchList, int tolerance, const TMatchList& excluded) {
  cube_ = std::make_unique<uint8_t[]>(size_t{256} * 256 * 32);  // zeroed
  if (matchList.empty() || tolerance < 0) return;
  empty_ = false;
  const int t = std::min(tolerance, 255);
  const std::vector<TBox> kept = Boxes(matchList, t), cut = Boxes(excluded, t);
  uint8_t* cube = cube_.get();
  // Each red plane is written by one thread only, its kept cubes first (OR is
  // order-free), then its excluded ones cut out: the cube is the same whatever
  // the thread count.
  ParallelRows(0, 256, 256 * 256, [&](int first, int last) {
    for (int r = first; r < last; ++r) {
      uint8_t* plane = cube + (static_cast<size_t>(r) << 13);
      for (const TBox& box : kept) {
        if (r < box.r0 || r > box.r1) continue;
        uint8_t* cell = plane + (static_cast<size_t>(box.g0) << 5);
        for (int g = box.g0; g <= box.g1; ++g, cell += 32)
          for (int i = 0; i < 32; ++i) cell[i] |= box.blue[i];
      }
      for (const TBox& box : cut) {
        if (r < box.r0 || r > box.r1) continue;
        uint8_t* cell = plane + (static_cast<size_t>(box.g0) << 5);
        for (int g = box.g0; g <= box.g1; ++g, cell += 32)
          for (int i = 0; i < 32; ++i) cell[i] &= static_cast<uint8_t>(~box.blue[i]);
      }
    }
  });
}

namespace {

// The eyedropper's rule over texts read by text(i) for i < count.
template <typename TextOf>
TPickOutcome PickRule(size_t count, TextOf text, TColor color) {
  for (size_t i = 0; i < count; ++i)
    if (ColorsWithin(ParseColorText(text(i), clNone, true), color, 3)) return TPickOutcome::Ignored;
  return count >= MaxKeptColors ? TPickOutcome::Full : TPickOutcome::Added;
}

}  // namespace

TPickOutcome PickColor(std::vector<std::string>& entries, TColor color) {
  const TPickOutcome o = PickRule(entries.size(), [&](size_t i) -> const std::string& { return entries[i]; }, color);
  if (o == TPickOutcome::Added) entries.push_back(ColorToText(color));
  return o;
}

TPickOutcome PickColor(std::vector<TColorEntry>& entries, TColor color, bool exclude) {
  const TPickOutcome o =
      PickRule(entries.size(), [&](size_t i) -> const std::string& { return entries[i].Text; }, color);
  if (o == TPickOutcome::Added) entries.push_back(TColorEntry{ColorToText(color), exclude});
  return o;
}

}  // namespace velinor
