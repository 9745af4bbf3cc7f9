#include "GuiTestSupport.h"

#include <QApplication>
#include <QFile>
#include <QTest>
#include <cmath>

#include "gui/app/Application.h"
#include <gtest/gtest.h>

#include "gui/app/Resources.h"
#include "gui/app/SharedStrings.h"
#include "gui/view/MyImage.h"
#include "core/files/BmpCodec.h"
#include "core/files/IniFile.h"

namespace velinor::test {

namespace {

// One application object for the whole test program.
class TQtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    // Windows are real but never shown on a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "test_gui";
    static char* argv[] = {name, nullptr};
    app_ = std::make_unique<TApplication>(argc, argv);
    InitResources();
  }
  void TearDown() override { app_.reset(); }

 private:
  std::unique_ptr<TApplication> app_;
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new TQtEnvironment);

}  // namespace

TBitmap MakeImage(int width, int height) {
  TBitmap b(width, height, TPixelFormat::pf24bit);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = b.ScanLine(y);
    for (int x = 0; x < width; ++x) {
      row[3 * x] = static_cast<uint8_t>(x * 7);
      row[3 * x + 1] = static_cast<uint8_t>(y * 5);
      row[3 * x + 2] = static_cast<uint8_t>(128 + x + y);
    }
  }
  return b;
}

QString WriteBmp(const QTemporaryDir& dir, const QString& name, int width, int height) {
  const QString path = dir.filePath(name);
  WriteBmpFile(path.toStdString(), MakeImage(width, height), 0);
  return path;
}

bool ShowActive(QWidget& window) {
  window.show();
  QApplication::setActiveWindow(&window);
  return QTest::qWaitForWindowActive(&window);
}

void ClickImage(TMainForm& form, TPoint imagePoint, Qt::KeyboardModifiers mods) {
  const TPoint c = form.Image->ImageToClientPoint(imagePoint);
  QTest::mouseClick(form.Image->viewport(), Qt::LeftButton, mods, QPoint(c.X, c.Y));
}

void DragImage(TMainForm& form, std::initializer_list<TPoint> points, Qt::MouseButton button,
               Qt::KeyboardModifiers mods) {
  QWidget* vp = form.Image->viewport();
  auto client = [&](TPoint p) {
    const TRect r = form.Image->ImageRect();
    const double z = form.Image->Zoom();
    return QPoint(static_cast<int>(std::floor(r.Left + (p.X + 0.5) * z)),
                  static_cast<int>(std::floor(r.Top + (p.Y + 0.5) * z)));
  };
  auto it = points.begin();
  QTest::mousePress(vp, button, mods, client(*it));
  for (++it; it != points.end(); ++it) QTest::mouseMove(vp, client(*it));
  QTest::mouseRelease(vp, button, mods, client(*(points.end() - 1)));
}

TColor ShownColor(TMainForm& form, TPoint imagePoint) {
  const QImage shot = form.Image->viewport()->grab().toImage();
  const TPoint c = form.Image->ImageToClientPoint(imagePoint);
  const QRgb rgb = shot.pixel(c.X, c.Y);
  return RGB(qRed(rgb), qGreen(rgb), qBlue(rgb));
}

std::unique_ptr<TMainForm> MakeForm(const QTemporaryDir& dir, const QStringList& args) {
  TMainFormOptions o;
  o.ExeDir = dir.path();
  o.Arguments = args;
  return MakeForm(o);
}

QString IniValue(const QString& path, const QString& sectionAndKey) {
  const TIniFile ini = TIniFile::Load(QFile::encodeName(path).toStdString(), uint64_t{1} << 20);
  const auto v = ini.Value(sectionAndKey.section('/', 0, 0).toStdString(), sectionAndKey.section('/', 1).toStdString());
  return v ? QString::fromStdString(*v) : QString("ERR!");
}

std::unique_ptr<TMainForm> MakeForm(const TMainFormOptions& options) {
  SharedStrings::Instance().Reset();
  return std::make_unique<TMainForm>(options);
}

}  // namespace velinor::test
