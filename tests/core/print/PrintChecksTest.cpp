// The dialog's field checks and their messages.
#include <gtest/gtest.h>

#include "core/print/PrintLayout.h"
#include "core/print/PrintMessages.h"

namespace velinor {
namespace {

using F = TPrintField;

struct Checks : ::testing::Test {
  TBitmap image{1600, 1200};
  TPrintLayout layout{false};
  void SetUp() override { layout.Show(&image, 6800, 4800, 600); }
};

TEST_F(Checks, EmptyFieldsInOrder) {
  layout.TypeText(F::Copies, "");
  layout.TypeText(F::Top, "");
  TLayoutCheck r = layout.BOkTailleClick();
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(r.Message, "Complete all the fields before continuing !");
  EXPECT_EQ(r.Focus, F::Top);
  EXPECT_FALSE(r.SelectAll);
  layout.TypeText(F::Top, "1");
  r = layout.BImprimerClick();
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(r.Focus, F::Copies);
}

TEST_F(Checks, WidthAbovePage) {
  layout.TypeText(F::Width, "30");
  const TLayoutCheck r = layout.BOkTailleClick();
  EXPECT_FALSE(r.Ok);
  // Page width 28.7867 cm less 0.005, shown with two decimals.
  EXPECT_EQ(r.Message, "The width must lie between 1.00 and 28.78 !");
  EXPECT_EQ(r.Focus, F::Width);
  EXPECT_TRUE(r.SelectAll);
  // Nothing was applied.
  EXPECT_DOUBLE_EQ(layout.PrintScale(), 3.2);
  EXPECT_TRUE(layout.SizeEdited());
}

TEST_F(Checks, WidthBelowOne) {
  layout.TypeText(F::Width, "0.5");
  const TLayoutCheck r = layout.PressEnter(F::Width);
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(r.Message, "The width must lie between 1.00 and 28.78 !");
}

TEST_F(Checks, HeightOutOfRange) {
  // The width box is in range, the height box is not: sizes are synchronised, so
  // break the pair by typing the height last with synchronisation on.
  layout.TypeText(F::Height, "21");  // width follows to 28.00, still in range
  const TLayoutCheck r = layout.BOkTailleClick();
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(r.Message, "The height must lie between 1.00 and 20.32 !");  // 20.315 shown
  EXPECT_EQ(r.Focus, F::Height);
}

TEST_F(Checks, MarginLimitsUseTheAppliedSize) {
  layout.SetCentrer(false);
  layout.TypeText(F::Left, "8");
  TLayoutCheck r = layout.BOkMargesClick();
  EXPECT_FALSE(r.Ok);
  // 28.7867 - 21.6747 = 7.112, less 0.005.
  EXPECT_EQ(r.Message, "The left margin must be lower or equal to 7.11 !");
  EXPECT_EQ(r.Focus, F::Left);
  EXPECT_TRUE(r.SelectAll);
  layout.TypeText(F::Left, "1");
  layout.TypeText(F::Top, "5");
  r = layout.BOkMargesClick();
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(r.Message, "The top margin must be lower or equal to 4.06 !");  // 20.32-16.256
  EXPECT_EQ(r.Focus, F::Top);
  layout.TypeText(F::Top, "4");
  EXPECT_TRUE(layout.BOkMargesClick().Ok);
}

TEST(PrintMessages, TrimForDisplay) {
  EXPECT_DOUBLE_EQ(TrimForDisplay(1.0), 0.995);
  EXPECT_DOUBLE_EQ(TrimForDisplay(0.003), 0.0);
  EXPECT_EQ(LeftMarginMessage(TrimForDisplay(0.0)), "The left margin must be lower or equal to 0.00 !");
  EXPECT_EQ(HeightRangeMessage(1.0, 2.5), "The height must lie between 1.00 and 2.50 !");
  EXPECT_EQ(TopMarginMessage(3.0), "The top margin must be lower or equal to 3.00 !");
}

}  // namespace
}  // namespace velinor
