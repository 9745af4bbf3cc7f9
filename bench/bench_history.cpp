// The document's history on 24-megapixel steps (the real photo of RealPhoto.h,
// its grey and its sepia result): the time to record one step and to undo and
// redo one, and the memory a 50-step history holds against its budget.
#include <benchmark/benchmark.h>

#include "RealPhoto.h"
#include "core/document/History.h"
#include "core/engine/KeepColors.h"

using namespace velinor;

namespace {

// The three pictures a session goes through: the photo and two results of it.
const std::vector<TBitmap>& Pictures() {
  static const std::vector<TBitmap> pictures = [] {
    std::vector<TBitmap> p{MakeRealPhoto()};
    for (bool sepia : {false, true}) {
      TBitmap result = p[0], mask;
      TKeepOptions options;
      options.Entries = {ColorToText(p[0].Pixel(1000, 1000))};
      options.Sepia = sepia;
      KeepColors(result, mask, p[0], options);
      p.push_back(std::move(result));
    }
    return p;
  }();
  return pictures;
}

// 50 steps in the window's budget (unlimited depth beyond it).
THistory& FiftySteps() {
  static THistory history = [] {
    THistory h(50, DefaultHistoryBudget());
    for (int i = 0; i < 50; ++i) h.Record(i % 3 == 0 ? "Image size" : "Execute", Pictures()[i % 3]);
    return h;
  }();
  return history;
}

void RecordStep(benchmark::State& state) {
  const TBitmap& picture = Pictures()[state.range(0)];
  THistory h(50);
  for (auto _ : state) h.Record("Execute", picture);
  state.counters["MiB per step"] = static_cast<double>(h.ByteSize()) / h.UndoCount() / (1 << 20);
  state.counters["MiB raw"] = static_cast<double>(picture.ByteSize()) / (1 << 20);
}
BENCHMARK(RecordStep)->Arg(0)->Arg(1)->Arg(2)->ArgNames({"photo0_grey1_sepia2"})->Unit(benchmark::kMillisecond)->UseRealTime();

void UndoRedoStep(benchmark::State& state) {
  THistory& h = FiftySteps();
  TBitmap current = Pictures()[2];
  THistoryFlags flags;
  for (auto _ : state) {
    h.Undo(current, flags);
    h.Redo(current, flags);
  }
  state.counters["steps"] = static_cast<double>(h.UndoCount());
  state.counters["MiB held"] = static_cast<double>(h.ByteSize()) / (1 << 20);
  state.counters["MiB budget"] = static_cast<double>(h.Budget()) / (1 << 20);
  state.counters["MiB unpacked"] = 50.0 * Pictures()[0].ByteSize() / (1 << 20);
}
BENCHMARK(UndoRedoStep)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
