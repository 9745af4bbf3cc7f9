#include <gtest/gtest.h>

#include "core/base/Arith.h"
#include "core/base/Color.h"

using namespace velinor;

TEST(Arith, RoundTiesToEvenAndTruncTowardZero) {
  EXPECT_EQ(Round(0.5), 0);
  EXPECT_EQ(Round(1.5), 2);
  EXPECT_EQ(Round(2.5), 2);
  EXPECT_EQ(Round(-2.5), -2);
  EXPECT_EQ(Round(2.5000001), 3);
  EXPECT_EQ(Trunc(-1.7), -1);
  EXPECT_EQ(Div(-7, 2), -3);
  EXPECT_EQ(ModPos(-1, 5), 4);
  EXPECT_EQ(Floor(-0.5), -1);
  EXPECT_EQ(Ceil(0.2), 1);
}

TEST(Color, SystemColoursResolveThroughTheInstalledResolver) {
  EXPECT_EQ(ResolveSystemColor(0x123456), 0x123456u);
  EXPECT_EQ(ResolveSystemColor(clNone), clNone);  // not a system colour: unchanged
  EXPECT_EQ(ResolveSystemColor(clBtnFace), DefaultSystemColor(sciBtnFace));
  SetSystemColorResolver([](uint8_t i) { return TColor(i); });
  EXPECT_EQ(ResolveSystemColor(clBtnShadow), 16u);
  SetSystemColorResolver({});
  EXPECT_EQ(ResolveSystemColor(clBtnShadow), DefaultSystemColor(sciBtnShadow));
}
