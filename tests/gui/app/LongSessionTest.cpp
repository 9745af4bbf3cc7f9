// A long working session on one window: open, pick, execute, undo, redo, resize,
// save in turn in every writable format, close — two hundred times. Every file
// must read back at the size it was saved with, and the memory in use must not
// grow from one cycle to the next (under the leak checker, nothing may leak).
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <gtest/gtest.h>
#include <unistd.h>

#include "support/GuiTestSupport.h"
#include "gui/app/MsgDlg.h"
#include "gui/controls/Spin2.h"
#include "gui/dialogs/RedimForm.h"
#include "core/files/ImageDispatch.h"

namespace velinor {
namespace {

long ResidentKiB() {
  QFile statm("/proc/self/statm");
  if (!statm.open(QIODevice::ReadOnly)) return 0;
  const QList<QByteArray> fields = statm.readAll().split(' ');
  return fields.size() > 1 ? fields[1].toLong() * (sysconf(_SC_PAGESIZE) / 1024) : 0;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;  // freed memory is held in quarantine
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

TEST(LongSession, TwoHundredCyclesKeepMemoryFlatAndEveryFileValid) {
  QTemporaryDir dir;
  test::TScriptedDialogs dialogs;
  const QString photo = test::WriteBmp(dir, "photo.bmp", 640, 480);
  auto form = test::MakeForm(dir);
  const char* const formats[] = {"png", "bmp", "ovi", "jpg", "tif", "gif", "tga"};
  long residentAtStart = 0;
  for (int cycle = 0; cycle < 200; ++cycle) {
    form->OpenImage(photo, true);
    ASSERT_EQ(form->CurrentImage().Width(), 640) << "cycle " << cycle;
    form->PickColor(form->CurrentImage().Pixel(40 + cycle % 100, 30));
    form->PickColor(form->CurrentImage().Pixel(500, 400 - cycle % 50));
    form->MenuActionActionClick();
    form->MenuEditionUndoClick();
    form->MenuEditionRedoClick();
    ASSERT_TRUE(form->Document().Processed());
    const int width = 320 + cycle % 7;
    dialogs.OnModal = [width](QDialog& dialog) {
      auto& d = dynamic_cast<TRedimForm&>(dialog);
      d.EdiL->setText(QString::number(width));
      d.EdiLChange();
      d.BOkClick();
      return d.result();
    };
    form->MenuActionRedimClick();
    ASSERT_EQ(form->CurrentImage().Width(), width);
    const int height = form->CurrentImage().Height();

    const QString out = dir.filePath(QString("out%1.%2").arg(cycle % 7).arg(formats[cycle % 7]));
    dialogs.SaveAnswers = {out};
    dialogs.JpegAnswers.push_back([](TJPGCompressForm&) { return true; });
    form->MenuFichierEnregistrerClick();
    dialogs.JpegAnswers.clear();
    ASSERT_TRUE(form->Document().Saved()) << out.toStdString();
    std::string name = out.toStdString();
    TBitmap back;
    ASSERT_GT(LoadImageFile(name, back, ""), 0) << name;
    ASSERT_EQ(back.Width(), width) << name;
    ASSERT_EQ(back.Height(), height) << name;

    form->MenuFichierFermerClick();
    ASSERT_TRUE(form->CurrentImage().Empty());
    QApplication::processEvents();
    // The first cycles settle caches and pools; from then on nothing may pile up.
    if (cycle == 20) residentAtStart = ResidentKiB();
  }
  EXPECT_TRUE(dialogs.Messages.empty()) << dialogs.Messages[0].Text.toStdString();
  const long growth = ResidentKiB() - residentAtStart;
  RecordProperty("resident_growth_kib", static_cast<int>(growth));
  std::printf("resident memory: %ld KiB after cycle 20, growth %ld KiB by cycle 200\n",
              residentAtStart, growth);
  if (!kSanitized) { EXPECT_LT(growth, 16 * 1024); }
}

}  // namespace
}  // namespace velinor
