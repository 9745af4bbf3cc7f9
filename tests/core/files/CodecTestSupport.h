#pragma once
// Helpers shared by the codec tests: random pictures, pixel comparison, a
// scratch folder, and running the independent command-line checkers.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/base/Bitmap.h"
#include "support/PixelCompare.h"

namespace velinor::testing {

using velinor::test::SamePixels;

inline TBitmap RandomBitmap(int w, int h, TPixelFormat pf, unsigned seed) {
  TBitmap b(w, h, pf);
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y)
    for (size_t x = 0; x < static_cast<size_t>(w) * BytesPerPixel(pf); ++x) b.ScanLine(y)[x] = rng() & 0xFF;
  if (pf == TPixelFormat::pf8bit)
    for (int i = 0; i < 256; ++i) b.Palette.push_back(rng() & 0xFFFFFF);
  return b;
}

// A picture with large flat areas and a few colours (runs for the RLE writers).
inline TBitmap BlockyBitmap(int w, int h, TPixelFormat pf, unsigned seed) {
  TBitmap b(w, h, pf);
  std::mt19937 rng(seed);
  const int bpp = BytesPerPixel(pf);
  uint8_t colour[4] = {0, 0, 0, 255};
  for (int y = 0; y < h; ++y) {
    uint8_t* row = b.ScanLine(y);
    for (int x = 0; x < w; ++x) {
      if (rng() % 7 == 0)
        for (int c = 0; c < bpp; ++c) colour[c] = static_cast<uint8_t>((rng() % 4) * 80);
      std::memcpy(row + static_cast<size_t>(x) * bpp, colour, static_cast<size_t>(bpp));
    }
  }
  if (pf == TPixelFormat::pf8bit)
    for (int i = 0; i < 256; ++i) b.Palette.push_back(RGB(i, 255 - i, i / 2));
  return b;
}

// A fresh folder under /tmp, removed with its files at the end of the test.
class ScratchDir {
 public:
  ScratchDir() {
    char tmpl[] = "/tmp/velinor-codecs-XXXXXX";
    path_ = mkdtemp(tmpl);
  }
  ~ScratchDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline bool HaveTool(const std::string& name) {
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs a shell command; returns its exit status and standard output.
inline int RunTool(const std::string& command, std::string* output = nullptr) {
  FILE* p = popen((command + " 2>&1").c_str(), "r");
  if (!p) return -1;
  std::string text;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) text.append(buf, n);
  const int status = pclose(p);
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline std::vector<uint8_t> ReadAll(const std::string& path) {
  std::vector<uint8_t> out;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
    std::fclose(f);
  }
  return out;
}

inline void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
}

}  // namespace velinor::testing
