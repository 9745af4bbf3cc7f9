#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QScrollBar>
#include <QSpontaneKeyEvent>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include "support/GuiTestSupport.h"
#include "gui/app/ZoomSteps.h"
#include "gui/controls/SpecialEdit.h"
#include "gui/view/MyImage.h"

namespace velinor {
namespace {

using test::MakeForm;
using test::TScriptedDialogs;

class MainFormZoom : public ::testing::Test {
 protected:
  void SetUp() override {
    form = MakeForm(dir);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  }
  void Open(int w, int h) { form->OpenImage(test::WriteBmp(dir, "img.bmp", w, h), true); }
  TPoint ClientCentre() {
    const TRect c = form->Image->ClientRect();
    return {c.Width() / 2, c.Height() / 2};
  }
  QPoint Global(int x, int y) { return form->Image->viewport()->mapToGlobal(QPoint(x, y)); }

  QTemporaryDir dir;
  TScriptedDialogs dialogs;
  std::unique_ptr<TMainForm> form;
};

TEST_F(MainFormZoom, SmallImageOpensAtActualSizeAndAutoDoesNotEnlarge) {
  Open(300, 200);
  EXPECT_EQ(form->EdiZoom->ItemIndex(), 4);
  EXPECT_EQ(form->Image->Zoom(), 1.0);
  EXPECT_EQ(form->EdiZoom->DisplayText(), "100%");
  form->MenuZoomAutoClick();
  EXPECT_EQ(form->EdiZoom->ItemIndex(), 0);
  EXPECT_EQ(form->Image->Zoom(), 1.0);
  EXPECT_EQ(form->EdiZoom->DisplayText(), "100%");
  EXPECT_FALSE(form->BtnZoom100->isEnabled());
  form->MenuAffichageClick();
  EXPECT_TRUE(form->MenuZoom100->isEnabled());
}

TEST_F(MainFormZoom, HugeImageFitsAtNoLessThanATenth) {
  form->resize(420, 320);  // a view about 200 pixels high
  QApplication::processEvents();
  Open(4000, 4000);
  EXPECT_EQ(form->EdiZoom->ItemIndex(), 0);
  EXPECT_NEAR(form->Image->Zoom(), 0.1, 1e-9);
  EXPECT_EQ(form->EdiZoom->DisplayText(), "10%");
  EXPECT_FALSE(form->BtnZoomMoins->isEnabled());
  EXPECT_TRUE(form->BtnZoomPlus->isEnabled());
  form->MenuZoomPlusClick();
  EXPECT_EQ(form->EdiZoom->ItemIndex(), 1);
  EXPECT_DOUBLE_EQ(form->Image->Zoom(), 1.0 / 3);
  EXPECT_EQ(form->EdiZoom->DisplayText(), "33%");
  EXPECT_FALSE(form->BtnZoomMoins->isEnabled());
}

TEST_F(MainFormZoom, PresetsKeepTheVisibleAreaCentred) {
  Open(2000, 1500);
  ASSERT_EQ(form->EdiZoom->ItemIndex(), 0);
  form->MenuZoom100Click();
  EXPECT_EQ(form->Image->Zoom(), 1.0);
  EXPECT_TRUE(form->Image->HorzBarVisible());
  // The whole image was visible: its centre is now in the middle of the view.
  const TPoint centre = form->Image->ClientToImagePoint(ClientCentre());
  EXPECT_NEAR(centre.X, 1000, 2);
  EXPECT_NEAR(centre.Y, 750, 2);
  // Zoom in and out step through the presets, centred on the same area.
  form->MenuZoomPlusClick();
  EXPECT_EQ(form->EdiZoom->ItemIndex(), 5);
  EXPECT_EQ(form->Image->Zoom(), 2.0);
  TPoint again = form->Image->ClientToImagePoint(ClientCentre());
  EXPECT_NEAR(again.X, 1000, 2);
  EXPECT_NEAR(again.Y, 750, 2);
  form->MenuZoomPlusClick();
  EXPECT_EQ(form->Image->Zoom(), 4.0);
  EXPECT_EQ(form->EdiZoom->ItemIndex(), 6);
  // On through 800 %, 1600 % and 3200 %, the last step.
  for (int index = 7; index <= 9; ++index) {
    EXPECT_TRUE(form->BtnZoomPlus->isEnabled());
    form->MenuZoomPlusClick();
    EXPECT_EQ(form->EdiZoom->ItemIndex(), index);
    // Each step re-centres the area shown before, cut to whole pixels.
    again = form->Image->ClientToImagePoint(ClientCentre());
    EXPECT_NEAR(again.X, 1000, 4);
    EXPECT_NEAR(again.Y, 750, 4);
  }
  EXPECT_EQ(form->Image->Zoom(), 32.0);
  EXPECT_EQ(form->EdiZoom->DisplayText(), "3200%");
  EXPECT_FALSE(form->BtnZoomPlus->isEnabled());
  form->MenuAffichageClick();
  EXPECT_FALSE(form->MenuZoomPlus->isEnabled());
  form->MenuZoomMoinsClick();
  EXPECT_EQ(form->Image->Zoom(), 16.0);
  form->EdiZoom->ItemClick(form->PopZoom->actions().at(9));  // "400%  (4:1)" keeps its place
  EXPECT_EQ(form->Image->Zoom(), 4.0);
  form->MenuZoomMoinsClick();
  EXPECT_EQ(form->Image->Zoom(), 2.0);
}

TEST_F(MainFormZoom, WheelOverTheImageZoomsOnThePointUnderTheMouse) {
  Open(2000, 1500);
  form->MenuZoom100Click();
  const TPoint m = form->Image->ClientToImagePoint({100, 80});
  form->WheelNotch(true, Global(100, 80));
  EXPECT_EQ(form->Image->Zoom(), 2.0);
  EXPECT_FALSE(form->ZoomAtMouse);
  const TPoint now = form->Image->ClientToImagePoint(ClientCentre());
  EXPECT_NEAR(now.X, m.X, 2);
  EXPECT_NEAR(now.Y, m.Y, 2);
  form->WheelNotch(false, Global(100, 80));
  EXPECT_EQ(form->Image->Zoom(), 1.0);
}

TEST_F(MainFormZoom, TheWheelLeavesTheKeyboardFocusWhereItIs) {
  ASSERT_TRUE(test::ShowActive(*form));
  Open(2000, 1500);
  form->MenuZoom100Click();
  form->Image->setFocus();
  ASSERT_TRUE(form->Image->hasFocus());
  // Wheel turns over the picture and over the colour list, as the window system
  // delivers them: spontaneous, so that the application gives the focus by the
  // focus policy and propagates the event (QApplication::sendEvent would make a
  // synthetic one, which does neither). Each is the window's: it zooms.
  for (QWidget* over : {form->Image->viewport(), form->LstColor->viewport()}) {
    SCOPED_TRACE(over->parentWidget()->objectName().toStdString());
    const double zoom = form->Image->Zoom();
    QWheelEvent e(QPointF(5, 5), over->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&e);
    qApp->notify(over, &e);
    EXPECT_NE(form->Image->Zoom(), zoom);
    EXPECT_FALSE(form->LstColor->hasFocus());
    EXPECT_TRUE(form->Image->hasFocus());
  }
  // The arrow keys then scroll the view, 33 pixels a press.
  form->MenuZoom100Click();
  const int v = form->Image->VertPosition();
  QTest::keyClick(form->Image, Qt::Key_Down);
  EXPECT_EQ(form->Image->VertPosition(), v + 33);
}

TEST_F(MainFormZoom, WheelOverAScrollBarScrollsBy33) {
  Open(2000, 1500);
  form->MenuZoom100Click();
  ASSERT_TRUE(form->Image->VertBarVisible());
  const TRect c = form->Image->ClientRect();
  const QPoint overVert = Global(c.Right + 3, 20);
  const QPoint overHorz = Global(20, c.Bottom + 3);
  EXPECT_EQ(form->WheelOverScrollBar(overVert), 1);
  EXPECT_EQ(form->WheelOverScrollBar(overHorz), 2);
  EXPECT_EQ(form->WheelOverScrollBar(Global(20, 20)), 0);
  const int v = form->Image->VertPosition();
  const int h = form->Image->HorzPosition();
  form->WheelNotch(true, overVert);
  EXPECT_EQ(form->Image->VertPosition(), v + 33);
  form->WheelNotch(false, overHorz);
  EXPECT_EQ(form->Image->HorzPosition(), h - 33);
  EXPECT_EQ(form->Image->Zoom(), 1.0);
}

TEST_F(MainFormZoom, WheelDoesNothingWithMouseZoomOffOrWithoutDocument) {
  form->WheelNotch(true, Global(50, 50));
  EXPECT_EQ(form->Image->Zoom(), 1.0);
  Open(2000, 1500);
  const double z = form->Image->Zoom();
  form->MenuOptionZMouseClick();
  EXPECT_FALSE(form->MenuOptionZMouse->isChecked());
  form->WheelNotch(true, Global(50, 50));
  EXPECT_EQ(form->Image->Zoom(), z);
  // The wheel never reaches the controls themselves.
  QWheelEvent e(QPointF(5, 5), form->LstColor->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  EXPECT_TRUE(QApplication::sendEvent(form->LstColor->viewport(), &e));
  EXPECT_EQ(form->Image->Zoom(), z);
}

TEST_F(MainFormZoom, PickingTheSamePresetAgainDoesNothingButAutoAlwaysFits) {
  Open(2000, 1500);
  form->MenuZoom100Click();
  form->Image->ScrollRelative(100, 100);
  const int h = form->Image->HorzPosition();
  QMenu* menu = form->PopZoom;
  form->EdiZoom->ItemClick(menu->actions().at(6));  // 100% again
  EXPECT_EQ(form->Image->HorzPosition(), h);
  form->EdiZoom->ItemClick(menu->actions().at(0));  // <Auto>
  EXPECT_LT(form->Image->Zoom(), 1.0);
  const double fitted = form->Image->Zoom();
  form->EdiZoom->ItemClick(menu->actions().at(0));
  EXPECT_EQ(form->Image->Zoom(), fitted);
}

TEST_F(MainFormZoom, AutoFitsAgainWhenTheWindowIsResized) {
  form->resize(700, 500);
  QApplication::processEvents();
  Open(2000, 1500);
  ASSERT_EQ(form->EdiZoom->ItemIndex(), 0);
  const double small = form->Image->Zoom();
  form->resize(1100, 850);
  QApplication::processEvents();
  EXPECT_GT(form->Image->Zoom(), small);
  EXPECT_FALSE(form->Image->HorzBarVisible());
  const TRect ir = form->Image->ImageRect();
  const TRect c = form->Image->ClientRect();
  EXPECT_TRUE(ir.Right <= c.Right && ir.Bottom <= c.Bottom);  // the whole picture shows
  form->showMaximized();
  QApplication::processEvents();
  EXPECT_GE(form->Image->Zoom(), small);
  // A preset stays what it is.
  form->showNormal();
  form->MenuZoom100Click();
  form->resize(800, 600);
  QApplication::processEvents();
  EXPECT_EQ(form->Image->Zoom(), 1.0);
}

}  // namespace
}  // namespace velinor
