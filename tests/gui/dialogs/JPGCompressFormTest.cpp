#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QWidget>

#include "support/GuiTestSupport.h"
#include "gui/dialogs/JPGCompressForm.h"
#include "core/files/ImageDispatch.h"
#include "core/files/JpegUtils.h"

using namespace velinor;

namespace {

// Sets the form as the user would, then presses OK.
std::function<bool(TJPGCompressForm&)> Choose(int position, bool progressive) {
  return [=](TJPGCompressForm& f) {
    f.TBN->setValue(position);
    (progressive ? f.RBProgressif : f.RBStandard)->setChecked(true);
    return true;
  };
}

// The hook stays installed once set; every test leaves it empty again.
struct HookGuard {
  ~HookGuard() { OnImageFile = nullptr; }
};

// The frame marker of a JPEG file (0xC0 baseline, 0xC2 progressive), found by
// walking its segments; 0 when there is none.
int FrameMarker(const std::string& path) {
  QFile f(QString::fromStdString(path));
  if (!f.open(QIODevice::ReadOnly)) return 0;
  const QByteArray b = f.readAll();
  qsizetype i = 2;
  while (i + 4 <= b.size() && uchar(b[i]) == 0xFF) {
    const uchar m = uchar(b[i + 1]);
    if (m == 0xC0 || m == 0xC1 || m == 0xC2) return m;
    if (m == 0xDA) return 0;
    i += 2 + ((uchar(b[i + 2]) << 8) | uchar(b[i + 3]));
  }
  return 0;
}

}  // namespace

TEST(JPGCompressForm, LayoutAndLabel) {
  TJPGCompressForm form(nullptr);
  EXPECT_EQ(form.windowTitle(), "Compression JPEG ");
  EXPECT_EQ(form.TBN->minimum(), 1);
  EXPECT_EQ(form.TBN->maximum(), 20);
  EXPECT_EQ(form.TBN->value(), 18);
  EXPECT_EQ(form.LblN->text(), "Compression : 90");
  EXPECT_TRUE(form.RBStandard->isChecked());
  EXPECT_FALSE(form.Progressive());
  EXPECT_TRUE(form.BOk->isDefault());
  EXPECT_EQ(form.BAnnuler->text(), "Annuler");
  form.TBN->setValue(1);
  EXPECT_EQ(form.LblN->text(), "Compression : 5");
  form.TBN->setValue(20);
  EXPECT_EQ(form.LblN->text(), "Compression : 100");
}

TEST(JPGCompressForm, CancelWritesNothing) {
  HookGuard guard;
  test::TScriptedDialogs dialogs;
  QWidget mainWindow;
  InstallJpegOptionsHook(&mainWindow);
  QTemporaryDir dir;
  std::string name = dir.filePath("x.jpg").toStdString();
  const TBitmap image = test::MakeImage(32, 24);
  dialogs.JpegAnswers.push_back([](TJPGCompressForm&) { return false; });
  EXPECT_EQ(SaveImageFile(name, image, nullptr, ""), irCancelled);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(name)));
  EXPECT_TRUE(dialogs.Messages.empty());
  EXPECT_EQ(dialogs.JpegForms.size(), 1u);

  // Other formats never ask.
  std::string bmp = dir.filePath("x.bmp").toStdString();
  EXPECT_EQ(SaveImageFile(bmp, image, nullptr, ""), irDone);
  EXPECT_EQ(dialogs.JpegForms.size(), 1u);
}

TEST(JPGCompressForm, OkSetsQualityAndProgressiveAndTheFormIsKept) {
  HookGuard guard;
  test::TScriptedDialogs dialogs;
  QWidget mainWindow;
  InstallJpegOptionsHook(&mainWindow);

  // Straight through the hook: the object takes the form's choices.
  TJpegImage2 jpeg;
  bool go = true;
  dialogs.JpegAnswers.push_back(Choose(1, true));
  OnImageFile(&jpeg, "a.jpg", ifBeforeSave, go);
  EXPECT_TRUE(go);
  EXPECT_EQ(jpeg.CompressionQuality, 5);
  EXPECT_TRUE(jpeg.ProgressiveEncoding);

  // Other steps and graphics leave continue alone and show nothing.
  go = false;
  OnImageFile(&jpeg, "a.jpg", ifAfterSave, go);
  OnImageFile(nullptr, "a.jpg", ifBeforeSave, go);
  EXPECT_FALSE(go);
  EXPECT_EQ(dialogs.JpegForms.size(), 1u);

  // A real save: progressive scans in the file; the second save opens with
  // the first one's choices, in the same form.
  QTemporaryDir dir;
  const TBitmap image = test::MakeImage(64, 48);
  std::string first = dir.filePath("p.jpg").toStdString();
  dialogs.JpegAnswers.push_back(Choose(20, true));
  ASSERT_EQ(SaveImageFile(first, image, nullptr, ""), irDone);
  EXPECT_EQ(FrameMarker(first), 0xC2);

  int seenPosition = 0;
  bool seenProgressive = false;
  dialogs.JpegAnswers.push_back([&](TJPGCompressForm& f) {
    seenPosition = f.SliderPosition();
    seenProgressive = f.Progressive();
    f.RBStandard->setChecked(true);
    return true;
  });
  std::string second = dir.filePath("s.jpg").toStdString();
  ASSERT_EQ(SaveImageFile(second, image, nullptr, ""), irDone);
  EXPECT_EQ(seenPosition, 20);
  EXPECT_TRUE(seenProgressive);
  EXPECT_EQ(FrameMarker(second), 0xC0);
  ASSERT_EQ(dialogs.JpegForms.size(), 3u);
  EXPECT_EQ(dialogs.JpegForms[0], dialogs.JpegForms[2]);
  EXPECT_EQ(dialogs.JpegForms[0]->parentWidget(), &mainWindow);
}
