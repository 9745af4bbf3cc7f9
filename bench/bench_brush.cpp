// One brush move on a 24 MP result: the stroke's new segment, the touch-up layer
// and the composite of the touched rectangle, as the window does for each mouse
// move (the repaint of that rectangle is the view's, timed in bench_view_paint).
// Brush sizes 40, 200 and 500 pixels with a soft edge, moving 8 pixels a move.
#include <benchmark/benchmark.h>

#include <memory>

#include "RealPhoto.h"
#include "core/document/Document.h"
#include "core/engine/KeepColors.h"

using namespace velinor;

namespace {

TDocument& ResultDocument() {
  static std::unique_ptr<TDocument> doc = [] {
    auto d = std::make_unique<TDocument>();
    d->Open(MakeRealPhoto(), "photo.jpg");
    TKeepOptions options;
    options.Entries = {"#E0C020", "#C02020"};
    d->Execute(options);
    return d;
  }();
  return *doc;
}

void BM_BrushMove(benchmark::State& state) {
  TDocument& doc = ResultDocument();
  const int size = static_cast<int>(state.range(0));
  doc.BeginStroke(TBrush{size, 50}, state.range(1) ? TTouchKind::Grey : TTouchKind::Colour, TKeepInputs{});
  int64_t i = 0;
  double pixels = 0;
  for (auto _ : state) {
    // Left to right across the picture, a new line lower down at each pass.
    const int64_t step = i++ * 8;
    const double x = 300 + step % 5400, y = 300 + (step / 5400 * 250) % 3400;
    const TRect r = doc.StrokeTo(TBrushPoint{x, y});
    pixels += static_cast<double>(r.Width()) * r.Height();
    benchmark::DoNotOptimize(doc.CurrentImage().ScanLine(r.Top));
  }
  doc.EndStroke();
  state.counters["px/move"] = benchmark::Counter(pixels / static_cast<double>(i));
}
BENCHMARK(BM_BrushMove)
    ->ArgNames({"size", "grey"})
    ->Args({40, 1})
    ->Args({200, 1})
    ->Args({500, 0})
    ->Unit(benchmark::kMillisecond);

}  // namespace
