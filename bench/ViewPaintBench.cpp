// The desktop program's timings. Full repaints of a 1200 x 800 image view showing a 6000 x 4000 photo, at zooms
// from 0.1 to 4, smoothed and not, painted into an offscreen image. The reduced
// copy used for smoothed reductions is built before timing (it is made once per
// zoom); its building is timed on its own.
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <random>

#include <QTemporaryDir>

#include "gui/app/MainForm.h"
#include "gui/app/Resources.h"
#include "core/files/JpegUtils.h"
#include "core/files/SafeFile.h"
#include "gui/view/MyImage.h"

namespace {

using velinor::TMyImage;

QApplication& App() {
  static int argc = 1;
  static char name[] = "bench_view_paint";
  static char* argv[] = {name, nullptr};
  // Never destroyed: torn down by the static destructors at exit, it outlived
  // the input devices it owns and crashed the run after the last benchmark.
  static QApplication* app = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QApplication(argc, argv);
  }();
  return *app;
}

// A photo-like picture: smooth gradients with some noise.
void FillPhoto(velinor::TBitmap& b) {
  std::mt19937 rng(7);
  for (int y = 0; y < b.Height(); ++y) {
    uint8_t* row = b.ScanLine(y);
    for (int x = 0; x < b.Width(); ++x) {
      const int n = static_cast<int>(rng() & 15);
      row[3 * x] = static_cast<uint8_t>((x / 24 + n) & 255);
      row[3 * x + 1] = static_cast<uint8_t>((y / 16 + n) & 255);
      row[3 * x + 2] = static_cast<uint8_t>(((x + y) / 40 + n) & 255);
    }
  }
}

TMyImage& View() {
  App();
  // Never destroyed either, like the application it belongs to: a widget torn
  // down by the static destructors reaches for Qt's thread storage, gone by then.
  static TMyImage* view = [] {
    auto* v = new TMyImage();
    v->Bitmap().SetSize(6000, 4000);
    FillPhoto(v->Bitmap());
    v->SetBorderColor(0);
    v->SetShadowSize(4);
    v->show();
    const int fw = v->frameWidth();
    v->resize(1200 + 2 * fw + 20, 800 + 2 * fw + 20);
    QApplication::processEvents();
    return v;
  }();
  return *view;
}

void Setup(TMyImage& v, double zoom, bool smooth) {
  v.SetOptimizeMode(smooth ? velinor::omAllways : velinor::omNone);
  v.SetZoom(zoom);
  // Look at the middle of the photo.
  const velinor::TRect ir = v.ImageRect();
  v.CenterRectInView({ir.Left + ir.Width() / 2 - 50, ir.Top + ir.Height() / 2 - 50,
                      ir.Left + ir.Width() / 2 + 50, ir.Top + ir.Height() / 2 + 50});
}

void BM_FullRepaint(benchmark::State& state) {
  TMyImage& v = View();
  const double zoom = state.range(0) / 100.0;
  const bool smooth = state.range(1) != 0;
  Setup(v, zoom, smooth);
  QImage target(v.viewport()->size(), QImage::Format_RGB32);
  {
    QPainter warm(&target);
    v.PaintView(warm, target.rect());
  }
  for (auto _ : state) {
    QPainter p(&target);
    v.PaintView(p, target.rect());
    p.end();
    benchmark::DoNotOptimize(target.constBits());
  }
  state.counters["client_w"] = v.ClientRect().Width();
  state.counters["client_h"] = v.ClientRect().Height();
}
BENCHMARK(BM_FullRepaint)
    ->ArgsProduct({{10, 25, 33, 50, 62, 75, 100, 200, 400}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// The first smoothed paint after a zoom change builds the reduced copy.
void BM_FirstSmoothedPaintAfterZoomChange(benchmark::State& state) {
  TMyImage& v = View();
  const double zoom = state.range(0) / 100.0;
  QImage target(v.viewport()->size(), QImage::Format_RGB32);
  for (auto _ : state) {
    Setup(v, zoom, true);
    v.RepaintNow();  // drops the reduced copy
    QPainter p(&target);
    v.PaintView(p, target.rect());
    p.end();
  }
}
BENCHMARK(BM_FirstSmoothedPaintAfterZoomChange)->Arg(10)->Arg(33)->Arg(75)->Unit(benchmark::kMillisecond);

// Opening a 6000 x 4000 JPEG (quality 90) in the main window up to its first
// painted frame (decode, thumbnail, initial zoom, smoothed paint of the fitted view).
void BM_OpenToFirstFrame(benchmark::State& state) {
  App();
  velinor::InitResources();
  QTemporaryDir dir;
  const QString photo = dir.filePath("photo.jpg");
  {
    velinor::TBitmap b(6000, 4000, velinor::TPixelFormat::pf24bit);
    FillPhoto(b);
    velinor::WriteFileAtomically(photo.toStdString(), velinor::EncodeJpeg(b, 90, false));
  }
  velinor::TMainFormOptions o;
  o.ExeDir = dir.path();
  velinor::TMainForm form(o);
  form.resize(1400, 900);
  form.show();
  QApplication::processEvents();
  for (auto _ : state) {
    form.OpenImage(photo, false);
    form.Image->RepaintNow();
  }
}
BENCHMARK(BM_OpenToFirstFrame)->Unit(benchmark::kMillisecond)->Iterations(3);

// "Execute" on a 6000 x 4000 photo with two kept colours, from the command to the
// repainted result (reset from the photo, undo snapshot, computation, swap, paint).
void BM_ExecuteToRepaintedResult(benchmark::State& state) {
  App();
  velinor::InitResources();
  QTemporaryDir dir;
  velinor::TMainFormOptions o;
  o.ExeDir = dir.path();
  velinor::TMainForm form(o);
  form.resize(1400, 900);
  form.show();
  velinor::TBitmap photo;
  photo.SetSize(6000, 4000);
  FillPhoto(photo);
  form.Document().Open(std::move(photo), "photo.bmp");
  form.ChooseInitialZoom();
  form.RefreshView();
  form.PickColor(form.CurrentImage().Pixel(1000, 1000));
  form.PickColor(form.CurrentImage().Pixel(4000, 3000));
  QApplication::processEvents();
  for (auto _ : state) {
    form.MenuActionActionClick();
    QApplication::processEvents();
  }
}
BENCHMARK(BM_ExecuteToRepaintedResult)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
