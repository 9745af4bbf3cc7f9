// KeepColors on the real 24 MP benchmark photo (RealPhoto.h) with 50 kept colours
// (344 match colours with the gradient), tolerance 30, progressive contour, against
// the same steps written with OpenCV: one 16 MB colour table, cv::blur and the
// threshold, the erosion (cv::dilate of the grey side), cv::GaussianBlur and the
// snap of its faint tail, cv::cvtColor to grey and the composite through the mask,
// all into buffers allocated once. Both on the same number of threads, alternating
// in one run so that both see the same machine load; medians of the runs.
// Usage: keep_vs_opencv [RUNS] [THREADS]. Without OpenCV (VELINOR_WITH_OPENCV
// undefined) only Velinor is timed.
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "RealPhoto.h"
#include "BenchTiming.h"
#include "core/base/Parallel.h"
#include "core/engine/ColorMatch.h"
#include "core/engine/KeepColors.h"

#ifdef VELINOR_WITH_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

using namespace velinor;

namespace {

std::string Load() {
  std::ifstream in("/proc/loadavg");
  std::string a, b, c;
  in >> a >> b >> c;
  return a + " " + b + " " + c;
}

// Picks on a spread grid through the eyedropper's rule until `count` colours are kept.
std::vector<std::string> Picks(const TBitmap& photo, size_t count) {
  std::vector<std::string> entries;
  for (int i = 0; entries.size() < count && i < 100000; ++i)
    PickColor(entries, photo.Pixel((i * 7919) % photo.Width(), (i * 104729) % photo.Height()));
  return entries;
}

#ifdef VELINOR_WITH_OPENCV
// The OpenCV peer. Mask convention as Velinor's: 0 keeps the colour, 255 grey.
class TOpenCvKeep {
 public:
  explicit TOpenCvKeep(const TBitmap& photo)
      : src_(photo.Height(), photo.Width(), CV_8UC3, const_cast<uint8_t*>(photo.Bits()), photo.Stride()),
        table_(size_t{1} << 24) {
    snap_ = cv::Mat(1, 256, CV_8U);
    for (int i = 0; i < 256; ++i) snap_.at<uint8_t>(i) = static_cast<uint8_t>(i > 250 ? 255 : i);
    kernel_ = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(7, 7));
  }

  void Run(const TMatchList& list, int tolerance) {
    // The colour table: 0 within the tolerance cube of a match colour.
    uint8_t* table = table_.data();
    cv::parallel_for_(cv::Range(0, 256), [&](const cv::Range& range) {
      for (int r = range.start; r < range.end; ++r) {
        uint8_t* plane = table + (static_cast<size_t>(r) << 16);
        std::fill(plane, plane + 65536, 255);
        for (TColor c : list) {
          const int cr = GetRValue(c), cg = GetGValue(c), cb = GetBValue(c);
          if (std::abs(r - cr) > tolerance) continue;
          const int b0 = std::max(cb - tolerance, 0), b1 = std::min(cb + tolerance, 255);
          for (int g = std::max(cg - tolerance, 0); g <= std::min(cg + tolerance, 255); ++g)
            std::fill(plane + (g << 8) + b0, plane + (g << 8) + b1 + 1, 0);
        }
      }
    });
    raw_.create(src_.size(), CV_8U);
    cv::parallel_for_(cv::Range(0, src_.rows), [&](const cv::Range& range) {
      for (int y = range.start; y < range.end; ++y) {
        const uint8_t* s = src_.ptr<uint8_t>(y);
        uint8_t* m = raw_.ptr<uint8_t>(y);
        for (int x = 0; x < src_.cols; ++x, s += 3) m[x] = table[(s[2] << 16) | (s[1] << 8) | s[0]];
      }
    });
    cv::blur(raw_, box_, cv::Size(3, 3), cv::Point(-1, -1), cv::BORDER_REPLICATE);
    cv::threshold(box_, raw_, 200, 255, cv::THRESH_BINARY);
    // The kept (black) area eroded by 3: the grey side grown by 3, the picture's
    // border counting as grey.
    cv::rectangle(raw_, cv::Rect(0, 0, raw_.cols, raw_.rows), cv::Scalar(255), 1);
    cv::dilate(raw_, box_, kernel_, cv::Point(-1, -1), 1, cv::BORDER_REPLICATE);
    cv::GaussianBlur(box_, raw_, cv::Size(17, 17), 3, 3, cv::BORDER_REPLICATE);
    cv::LUT(raw_, snap_, mask_);
    cv::cvtColor(src_, grey_, cv::COLOR_BGR2GRAY);
    result_.create(src_.size(), CV_8UC3);
    cv::parallel_for_(cv::Range(0, src_.rows), [&](const cv::Range& range) {
      for (int y = range.start; y < range.end; ++y) {
        const uint8_t* s = src_.ptr<uint8_t>(y);
        const uint8_t* g = grey_.ptr<uint8_t>(y);
        const uint8_t* m = mask_.ptr<uint8_t>(y);
        uint8_t* d = result_.ptr<uint8_t>(y);
        for (int x = 0; x < src_.cols; ++x, s += 3, d += 3) {
          const int k = 255 - m[x], t = g[x];
          for (int c = 0; c < 3; ++c) d[c] = static_cast<uint8_t>(t + (s[c] - t) * k / 255);
        }
      }
    });
  }
  const cv::Mat& Mask() const { return mask_; }

 private:
  cv::Mat src_, raw_, box_, mask_, grey_, result_, snap_, kernel_;
  std::vector<uint8_t> table_;
};
#endif

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 11;
  const int threads = argc > 2 ? std::max(1, std::atoi(argv[2])) : 2;
  TBitmap photo;
  try {
    photo = MakeRealPhoto();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "keep_vs_opencv: %s\n", e.what());
    return 1;
  }
  TKeepOptions o;
  o.Entries = Picks(photo, 50);
  TMatchList list;
  BuildMatchList(o.Entries, o.Gradient, list);
  std::printf("photo %d x %d from %s\n", photo.Width(), photo.Height(), RealPhotoSources().c_str());
  std::printf("%zu kept colours, %zu match colours, tolerance %d, progressive; %d threads, median of %d runs\n",
              o.Entries.size(), list.size(), o.Tolerance, threads, runs);
  std::printf("load average before: %s\n", Load().c_str());

  TBitmap result, mask;
  // Wall time as a user sees it, and the CPU time of the process (all threads):
  // on a loaded machine the wall time of several threads depends on how much of
  // the processors the others leave, the CPU time tells what the work costs.
  auto cpu = [] {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
  };
  struct TTimes {
    std::vector<double> wall, cpu;
  };
  auto timed = [&](TTimes& times, const std::function<void()>& f) {
    const double c0 = cpu();
    times.wall.push_back(Milliseconds(f));
    times.cpu.push_back(cpu() - c0);
  };
  auto ours = [&](TTimes& times) {
    std::memcpy(result.Bits(), photo.Bits(), photo.ByteSize());  // every run starts from the photo, not timed
    timed(times, [&] { KeepColors(result, mask, photo, o); });
  };
  result = photo;
  TTimes mine, mineOne, theirs;
#ifdef VELINOR_WITH_OPENCV
  cv::setNumThreads(threads);
  TOpenCvKeep peer(photo);
#endif
  for (int r = 0; r < runs; ++r) {
    SetEngineThreads(threads);
    ours(mine);
#ifdef VELINOR_WITH_OPENCV
    timed(theirs, [&] { peer.Run(list, o.Tolerance); });
#endif
    SetEngineThreads(1);
    ours(mineOne);
  }
  SetEngineThreads(0);
  std::printf("load average after: %s\n", Load().c_str());
  std::printf("Velinor KeepColors   %d threads %7.1f ms (CPU %7.1f ms)   1 thread %7.1f ms (CPU %7.1f ms)\n", threads,
              Median(mine.wall), Median(mine.cpu), Median(mineOne.wall), Median(mineOne.cpu));
#ifdef VELINOR_WITH_OPENCV
  // The peer computes the same mask up to its own grey weights and Gaussian
  // rounding: how far apart the two masks are.
  long long far = 0;
  for (int y = 0; y < photo.Height(); ++y)
    for (int x = 0; x < photo.Width(); ++x)
      far += std::abs(mask.ScanLine(y)[3 * x] - peer.Mask().at<uint8_t>(y, x)) > 8;
  std::printf("OpenCV same steps    %d threads %7.1f ms (CPU %7.1f ms)   masks differ by more than 8 on %.3f %% of pixels\n",
              threads, Median(theirs.wall), Median(theirs.cpu),
              100.0 * static_cast<double>(far) / (double(photo.Width()) * photo.Height()));
  std::printf("ratio Velinor / OpenCV, %d threads: %.2f (CPU time %.2f)\n", threads, Median(mine.wall) / Median(theirs.wall),
              Median(mine.cpu) / Median(theirs.cpu));
#else
  std::printf("OpenCV not built (apt-get install libopencv-dev): Velinor only\n");
#endif
  return 0;
}
