#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "core/engine/ColorMatch.h"

using namespace velinor;

TEST(ColorText, WritesAndParsesEntries) {
  EXPECT_EQ(ColorToText(RGB(255, 128, 0)), "#FF8000");
  EXPECT_EQ(ColorToText(RGB(1, 2, 3)), "#010203");
  EXPECT_EQ(ParseColorText("#FF8000"), RGB(255, 128, 0));
  EXPECT_EQ(ParseColorText("#00FF00"), RGB(0, 255, 0));
  EXPECT_EQ(ParseColorText("$0000FF"), RGB(0, 0, 255));
  EXPECT_EQ(ParseColorText("0000ff"), RGB(0, 0, 255));
  EXPECT_EQ(ParseColorText("#FF800"), clNone);
  EXPECT_EQ(ParseColorText("#FF80G0"), clNone);
  EXPECT_EQ(ParseColorText("#FF8000", clBlack, false), 0xFF8000u);
  EXPECT_EQ(ParseColorText(""), clNone);
  EXPECT_EQ(ParseColorText("clRed"), clRed);
  EXPECT_EQ(ParseColorText("CLNAVY"), RGB(0, 0, 128));
  EXPECT_EQ(ParseColorText("clBtnFace"), clBtnFace);
  EXPECT_EQ(ParseColorText("clNone"), clNone);
  EXPECT_EQ(ParseColorText("clRedd"), clNone);
  EXPECT_EQ(ColorToText(clBtnFace), ColorToText(ResolveSystemColor(clBtnFace)));
}

TEST(ColorsWithin, IsACubeAndResolvesSystemColours) {
  EXPECT_TRUE(ColorsWithin(RGB(100, 100, 100), RGB(130, 70, 100), 30));
  EXPECT_FALSE(ColorsWithin(RGB(100, 100, 100), RGB(131, 100, 100), 30));
  EXPECT_TRUE(ColorsWithin(clNone, RGB(255, 250, 252), 5));
  EXPECT_TRUE(ColorsWithin(clBtnFace, ResolveSystemColor(clBtnFace), 0));
}

TEST(BuildMatchList, GradientSteps) {
  TMatchList list;
  BuildMatchList({"#FF0000", "#0000FF"}, true, list);
  ASSERT_EQ(list.size(), 8u);
  const int reds[] = {255, 219, 183, 146, 110, 73, 37};
  const int blues[] = {0, 36, 72, 109, 145, 182, 218};
  for (int k = 0; k < 7; ++k) EXPECT_EQ(list[k], RGB(reds[k], 0, blues[k]));
  EXPECT_EQ(list[7], RGB(0, 0, 255));
  list.clear();
  BuildMatchList({"#102030"}, true, list);
  EXPECT_EQ(list, TMatchList{RGB(16, 32, 48)});
  list.clear();
  BuildMatchList({"#102030", "#FFFFFF", "#000000"}, true, list);
  ASSERT_EQ(list.size(), 15u);
  EXPECT_EQ(list.back(), RGB(0, 0, 0));
  list.clear();
  BuildMatchList({"#102030", "bad", "#000000"}, false, list);
  EXPECT_EQ(list, (TMatchList{RGB(16, 32, 48), clNone, RGB(0, 0, 0)}));
  list.clear();
  BuildMatchList({}, true, list);
  EXPECT_TRUE(list.empty());
  std::vector<std::string> fifty(50, "#808080");
  BuildMatchList(fifty, true, list);
  EXPECT_EQ(list.size(), 344u);
}

TEST(ColorMatcher, AgreesWithMatchesAnyOnRandomLists) {
  std::mt19937 rng(13);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int iter = 0; iter < 40; ++iter) {
    TMatchList list;
    const int n = iter % 7;
    for (int i = 0; i < n; ++i) list.push_back(RGB(byte(rng), byte(rng), byte(rng)));
    if (iter % 5 == 1) list.push_back(clNone);
    if (iter % 5 == 2) list.push_back(clBtnFace);
    const int tol = iter == 3 ? -1 : (iter == 4 ? 300 : static_cast<int>(rng() % 101));
    const TColorMatcher m(list, tol);
    for (int i = 0; i < 20000; ++i) {
      TColor c = RGB(byte(rng), byte(rng), byte(rng));
      if (!list.empty() && i % 3 == 0) {
        // Near a list colour, on both sides of the tolerance.
        const TColor l = ResolveSystemColor(list[rng() % list.size()]);
        std::uniform_int_distribution<int> off(-tol - 2, tol + 2);
        c = RGB(std::clamp(GetRValue(l) + off(rng), 0, 255), std::clamp(GetGValue(l) + off(rng), 0, 255),
                std::clamp(GetBValue(l) + off(rng), 0, 255));
      }
      ASSERT_EQ(m.Matches(GetBValue(c), GetGValue(c), GetRValue(c)), MatchesAny(c, list, tol));
    }
  }
}

TEST(PickColor, NearDuplicatesAndTheFiftyLimit) {
  std::vector<std::string> e = {"#0C080D"};  // R 12, G 8, B 13
  EXPECT_EQ(PickColor(e, RGB(10, 10, 10)), TPickOutcome::Ignored);
  e = {"#0E0A0A"};  // R 14
  EXPECT_EQ(PickColor(e, RGB(10, 10, 10)), TPickOutcome::Added);
  EXPECT_EQ(e.back(), "#0A0A0A");
  EXPECT_EQ(PickColor(e, RGB(10, 10, 10)), TPickOutcome::Ignored);
  e.clear();
  for (int i = 0; i < 50; ++i) EXPECT_EQ(PickColor(e, RGB(i * 5, 0, 0)), TPickOutcome::Added);
  EXPECT_EQ(PickColor(e, RGB(0, 200, 0)), TPickOutcome::Full);
  EXPECT_EQ(e.size(), 50u);
}

TEST(ColorMatcher, AgreesWithMatchesKeptWithExcludedColours) {
  std::mt19937 rng(14);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int iter = 0; iter < 30; ++iter) {
    TMatchList list, excluded;
    for (int i = 0; i < 1 + iter % 5; ++i) list.push_back(RGB(byte(rng), byte(rng), byte(rng)));
    // Excluded colours near kept ones, so that the cubes overlap.
    for (int i = 0; i < iter % 4; ++i) {
      const TColor l = list[rng() % list.size()];
      std::uniform_int_distribution<int> off(-40, 40);
      excluded.push_back(RGB(std::clamp(GetRValue(l) + off(rng), 0, 255), std::clamp(GetGValue(l) + off(rng), 0, 255),
                             std::clamp(GetBValue(l) + off(rng), 0, 255)));
    }
    const int tol = 1 + static_cast<int>(rng() % 100);
    const TColorMatcher m(list, tol, excluded);
    for (int i = 0; i < 20000; ++i) {
      // Near a kept or an excluded colour, on both sides of the tolerance.
      const TMatchList& near = i % 2 || excluded.empty() ? list : excluded;
      const TColor l = near[rng() % near.size()];
      std::uniform_int_distribution<int> off(-tol - 2, tol + 2);
      const TColor c = RGB(std::clamp(GetRValue(l) + off(rng), 0, 255), std::clamp(GetGValue(l) + off(rng), 0, 255),
                           std::clamp(GetBValue(l) + off(rng), 0, 255));
      ASSERT_EQ(m.Matches(GetBValue(c), GetGValue(c), GetRValue(c)), MatchesKept(c, list, excluded, tol));
    }
  }
  // No match list: nothing matches, excluded colours or not.
  const TColorMatcher none({}, 30, {RGB(1, 2, 3)});
  EXPECT_TRUE(none.Empty());
  EXPECT_FALSE(none.Matches(3, 2, 1));
}

TEST(PickColor, BothKindsShareTheNearDuplicateRuleAndTheFiftyLimit) {
  std::vector<TColorEntry> e;
  EXPECT_EQ(PickColor(e, RGB(10, 10, 10), false), TPickOutcome::Added);
  EXPECT_EQ(PickColor(e, RGB(12, 8, 13), true), TPickOutcome::Ignored);  // within 3 of a kept one
  EXPECT_EQ(PickColor(e, RGB(14, 10, 10), true), TPickOutcome::Added);
  EXPECT_EQ(e.back(), (TColorEntry{"#0E0A0A", true}));
  EXPECT_EQ(PickColor(e, RGB(15, 10, 10), false), TPickOutcome::Ignored);  // within 3 of an excluded one
  for (int i = 0; e.size() < 50; ++i) EXPECT_EQ(PickColor(e, RGB(i * 5, 100, 0), i % 2 == 0), TPickOutcome::Added);
  EXPECT_EQ(PickColor(e, RGB(0, 200, 0), true), TPickOutcome::Full);
  EXPECT_EQ(PickColor(e, RGB(0, 200, 0), false), TPickOutcome::Full);
  EXPECT_EQ(e.size(), 50u);
}
