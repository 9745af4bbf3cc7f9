#include <QAction>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "gui/app/ZoomSteps.h"
#include "gui/controls/SpecialEdit.h"

namespace velinor {
namespace {

class ZoomBox : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* c : kZoomMenuCaptions) {
      if (QString(c) == "-") menu.addSeparator();
      else menu.addAction(c);
    }
    box.SetDropDownMenu(&menu);
    box.SetShowButton(true);
    box.resize(77, 21);
    box.show();
    box.OnChange = [this] { ++changes; };
    box.OnSelectItem = [this](TSpecialEdit*, bool changed) { selections.push_back(changed); };
  }
  QAction* At(int pos) { return menu.actions().at(pos); }
  int CheckedPosition() {
    for (int i = 0; i < menu.actions().size(); ++i)
      if (At(i)->isChecked()) return i;
    return -1;
  }

  QMenu menu;
  TSpecialEdit box;
  int changes = 0;
  std::vector<bool> selections;
};

TEST_F(ZoomBox, ItemsAreNumberedWithoutSeparators) {
  EXPECT_EQ(box.MenuIndexOf(0), 0);
  EXPECT_EQ(box.MenuIndexOf(1), 2);
  EXPECT_EQ(box.MenuIndexOf(4), 6);
  EXPECT_EQ(box.MenuIndexOf(6), 9);
  EXPECT_EQ(box.MenuIndexOf(7), 10);  // "800%  (8:1)" follows
  EXPECT_EQ(box.MenuIndexOf(9), 12);
  EXPECT_EQ(box.MenuIndexOf(10), -1);
  EXPECT_EQ(box.MenuIndexOf(-1), -1);
  EXPECT_EQ(box.ItemIndexOf(At(9)), 6);
  EXPECT_EQ(box.ItemIndexOf(At(6)), 4);
  QAction other("x");
  EXPECT_EQ(box.ItemIndexOf(&other), -1);
}

TEST_F(ZoomBox, TheChosenItemIsTheCheckedOne) {
  box.SetItemIndex(4);
  EXPECT_EQ(CheckedPosition(), 6);
  EXPECT_EQ(box.Text(), "100%  (1:1)");
  EXPECT_EQ(changes, 1);
  box.SetItemIndex(4);
  EXPECT_EQ(changes, 1);  // unchanged: nothing happens
  box.SetItemIndex(-5);
  EXPECT_EQ(box.ItemIndex(), -1);
  EXPECT_EQ(box.Text(), "");
  EXPECT_EQ(CheckedPosition(), -1);
}

TEST_F(ZoomBox, PickingAnItemReportsWhetherItChanged) {
  box.SetItemIndex(2);
  changes = 0;
  box.ItemClick(At(4));  // 75%
  EXPECT_EQ(box.ItemIndex(), 3);
  EXPECT_EQ(changes, 1);
  box.ItemClick(At(4));
  EXPECT_EQ(changes, 1);
  ASSERT_EQ(selections.size(), 2u);
  EXPECT_TRUE(selections[0]);
  EXPECT_FALSE(selections[1]);
  EXPECT_EQ(CheckedPosition(), 4);
}

TEST_F(ZoomBox, TheMenuDoesNotReopenWithin777Milliseconds) {
  box.SetMenuClosedAt(10000);
  EXPECT_FALSE(box.MayDropDown(10000));
  EXPECT_FALSE(box.MayDropDown(10776));
  EXPECT_TRUE(box.MayDropDown(10777));
  EXPECT_TRUE(box.MayDropDown(10800));
}

TEST_F(ZoomBox, DropDownPicksFromTheMenuAndGuardsAgainstReopening) {
  int shown = 0;
  QObject::connect(&menu, &QMenu::aboutToShow, [&] { ++shown; });
  box.SetItemIndex(0);
  // While the menu is open, pick "100%" as a click would.
  QTimer::singleShot(50, &menu, [&] {
    At(6)->trigger();
    menu.close();
  });
  box.DropDown();
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(box.ItemIndex(), 4);
  ASSERT_EQ(selections.size(), 1u);
  EXPECT_TRUE(selections[0]);
  // Asked again at once (the click that closed it): the menu stays closed.
  QTimer::singleShot(300, &menu, [&] { menu.close(); });  // in case it opened after all
  box.DropDown();
  EXPECT_EQ(shown, 1);
}

TEST_F(ZoomBox, OnlyALeftPressOpensTheMenu) {
  int shown = 0;
  QObject::connect(&menu, &QMenu::aboutToShow, [&] {
    ++shown;
    QTimer::singleShot(0, &menu, [this] { menu.close(); });
  });
  int clicks = 0;
  box.OnClick = [&] { ++clicks; };
  QTest::mousePress(&box, Qt::RightButton, {}, QPoint(10, 10));
  QTest::mouseRelease(&box, Qt::RightButton, {}, QPoint(10, 10));
  QTest::mousePress(&box, Qt::MiddleButton, {}, QPoint(10, 10));
  QTest::mouseRelease(&box, Qt::MiddleButton, {}, QPoint(10, 10));
  EXPECT_EQ(shown, 0);
  EXPECT_EQ(clicks, 0);
  QTest::mousePress(&box, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(clicks, 1);
}

TEST_F(ZoomBox, DisplayTextEventRewritesTheShownText) {
  box.SetItemIndex(1);
  EXPECT_EQ(box.DisplayText(), "33%  (1:3)");
  box.OnDisplayText = [](TSpecialEdit*, QString& t) { t = t.left(t.indexOf('%') + 1); };
  EXPECT_EQ(box.DisplayText(), "33%");
}

TEST_F(ZoomBox, ButtonPlacementAndTextRectangle) {
  const QRect c = box.contentsRect();
  EXPECT_TRUE(box.Button()->isVisibleTo(&box));
  EXPECT_EQ(box.Button()->width(), 15);
  EXPECT_EQ(box.Button()->geometry().right(), c.right());
  box.SetShowButton(false);
  EXPECT_FALSE(box.Button()->isVisibleTo(&box));
  EXPECT_EQ(box.Button()->x(), -999);
  EXPECT_EQ(box.TextRect(), c.adjusted(2, 2, -2, -2));
}

TEST_F(ZoomBox, DisabledBoxDisablesItsButton) {
  box.setEnabled(false);
  EXPECT_FALSE(box.Button()->isEnabled());
  box.setEnabled(true);
  EXPECT_TRUE(box.Button()->isEnabled());
  box.SetReadOnly(true);
  EXPECT_FALSE(box.Button()->isEnabled());
}

TEST(SpecialEditPlain, WithoutMenuTheTextIsStoredAndItemIndexIsQuiet) {
  TSpecialEdit e;
  int changes = 0;
  e.OnChange = [&] { ++changes; };
  e.SetText("hello");
  EXPECT_EQ(e.Text(), "hello");
  EXPECT_EQ(changes, 1);
  e.SetItemIndex(3);
  EXPECT_EQ(changes, 1);
  EXPECT_GE(e.height(), e.fontMetrics().height() + 8);
}

}  // namespace
}  // namespace velinor
