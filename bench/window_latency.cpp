// The window's own latencies on the real 24 MP benchmark photo (RealPhoto.h),
// in a 1200 x 800 main window drawn offscreen, three kept colours at fit zoom:
//   Preview  the first frame after a change of the tolerance (the look of the
//            shown part, painted);
//   Exact    the change until the exact full-resolution result is on screen;
//   Execute  the Execute command to its painted frame, once with the preview's
//            exact result finished, once with the live preview off;
//   Engine   KeepColorsOfPhoto alone with the same inputs, for comparison;
//   Save as  the two-layer .ovi of the executed result, from the command to the
//            file written (the save dialog answered at once), and the writer
//            alone (SaveLayeredFile of the document the command builds).
// Medians of the runs. Usage: window_latency [RUNS].
#include <QApplication>
#include <QElapsedTimer>
#include <QSlider>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <memory>
#include <vector>

#include "BenchTiming.h"
#include "RealPhoto.h"
#include "core/engine/KeepColors.h"
#include "core/document/LayeredImage.h"
#include "core/files/BmpCodec.h"
#include "core/files/OvImage.h"
#include "gui/app/DialogSeam.h"
#include "gui/app/LivePreview.h"
#include "gui/app/MainForm.h"
#include "gui/app/Resources.h"
#include "gui/view/MyImage.h"

namespace {

double Ms(QElapsedTimer& t) { return t.nsecsElapsed() / 1e6; }

// CPU time of the whole process (all threads), ms: on a shared machine it says
// what the work costs when the wall time says how much of the cores it got.
double CpuMs() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// The save dialog answered with a fixed file name.
class TSaveAnswer : public velinor::TDialogProvider {
 public:
  explicit TSaveAnswer(QString file) : file_(std::move(file)) {}
  QString AskSaveFileName(const velinor::TSaveDialogRequest&) override { return file_; }

 private:
  QString file_;
};

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  velinor::InitResources();
  using namespace velinor;
  const TBitmap photo = MakeRealPhoto();
  QTemporaryDir dir;
  const QString file = dir.filePath("photo.bmp");
  WriteBmpFile(file.toStdString(), photo, 0);

  TMainFormOptions options;
  options.ExeDir = dir.path();
  TMainForm form(options);
  form.resize(1200, 800);
  form.show();
  QApplication::processEvents();
  form.OpenImage(file, false);
  QApplication::processEvents();
  const TPoint picks[] = {{1000, 1000}, {3000, 1000}, {5000, 3000}};

  std::vector<double> preview, exact, executeReady, executeOff, engine;
  for (int run = 0; run < runs; ++run) {
    form.ClearColors();
    form.TBN->setValue(30);
    for (const TPoint& p : picks) form.PickColor(form.Document().PickColorAt(p));
    form.LivePreview().WaitForExact(10000);
    // A change of the tolerance: the first frame, then the exact result.
    QElapsedTimer t;
    t.start();
    form.TBN->setValue(31 + run % 2);
    preview.push_back(Ms(t));
    form.LivePreview().WaitForExact(10000);
    exact.push_back(Ms(t));
    t.start();
    form.MenuActionActionClick();
    executeReady.push_back(Ms(t));
    form.MenuEditionUndoClick();

    form.MenuOptionLivePreviewClick();  // off
    t.start();
    form.MenuActionActionClick();
    executeOff.push_back(Ms(t));
    form.MenuEditionUndoClick();
    form.MenuOptionLivePreviewClick();  // on again
    form.LivePreview().WaitForExact(10000);  // not competing with the engine alone

    TBitmap result, mask;
    const TKeepOptions keep = form.KeepOptionsNow();
    t.start();
    KeepColorsOfPhoto(result, mask, photo, keep);
    engine.push_back(Ms(t));
  }
  // Save as of the executed result: the two-layer file.
  form.ClearColors();
  for (const TPoint& p : picks) form.PickColor(form.Document().PickColorAt(p));
  form.LivePreview().WaitForExact(10000);
  form.MenuActionActionClick();
  const QString ovi = dir.filePath("work.ovi");
  TSaveAnswer answer(ovi);
  SetDialogProvider(&answer);
  std::vector<double> saveAs, saveAsCpu, writer, build;
  const int saves = std::max(3, runs / 2);
  for (int run = 0; run < saves; ++run) {
    QElapsedTimer t;
    t.start();
    const double cpu0 = CpuMs();
    form.MenuFichierEnregistrerClick();
    saveAsCpu.push_back(CpuMs() - cpu0);
    saveAs.push_back(Ms(t));
    t.start();
    const std::unique_ptr<TMyImageLayered> doc = form.Document().BuildLayeredDocument();
    build.push_back(Ms(t));
    t.start();
    SaveLayeredFile(*doc, ovi.toStdString());
    writer.push_back(Ms(t));
  }
  SetDialogProvider(nullptr);

  std::printf("photo: %s\n", RealPhotoSources().c_str());
  std::printf("window 1200 x 800, zoom %.3f, 3 kept colours; median of %d runs\n", form.Image->Zoom(), runs);
  std::printf("Preview first frame   %8.1f ms\n", Median(preview));
  std::printf("Preview exact result  %8.1f ms\n", Median(exact));
  std::printf("Execute, preview done %8.1f ms\n", Median(executeReady));
  std::printf("Execute, preview off  %8.1f ms\n", Median(executeOff));
  std::printf("Engine alone          %8.1f ms\n", Median(engine));
  std::printf("Save as (.ovi, 2 layers) %5.1f ms (CPU %.1f ms, all threads): its layers built %.1f ms, written %.1f ms;"
              " median of %d\n", Median(saveAs), Median(saveAsCpu), Median(build), Median(writer), saves);
  std::printf("load average after: %s\n", [] {
    char buf[64] = {};
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
      if (!std::fgets(buf, sizeof buf, f)) buf[0] = 0;
      std::fclose(f);
    }
    return std::string(buf, strnlen(buf, sizeof buf));
  }().c_str());
  return 0;
}
