#pragma once
// Scratch folders and small helpers shared by the file tests.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "core/base/Bitmap.h"

namespace velinor::test {

// A fresh folder under /tmp, removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/velinor-files-XXXXXX";
    path_ = mkdtemp(tmpl);
  }
  ~TempDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  // Names in the folder (dot files included, "." and ".." not).
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    if (DIR* d = opendir(path_.c_str())) {
      while (dirent* e = readdir(d)) {
        const std::string n = e->d_name;
        if (n != "." && n != "..") names.push_back(n);
      }
      closedir(d);
    }
    return names;
  }

 private:
  std::string path_;
};

inline bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

// A smooth photo-like picture (gradients and a few blobs): JPEG-friendly.
inline TBitmap MakePhoto(int w, int h, TPixelFormat pf = TPixelFormat::pf24bit) {
  TBitmap b(w, h, pf);
  const int bpp = BytesPerPixel(pf);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = b.ScanLine(y);
    for (int x = 0; x < w; ++x) {
      uint8_t* p = row + x * bpp;
      p[0] = static_cast<uint8_t>(x * 255 / (w > 1 ? w - 1 : 1));
      p[1] = static_cast<uint8_t>(y * 255 / (h > 1 ? h - 1 : 1));
      p[2] = static_cast<uint8_t>(((x - w / 2) * (x - w / 2) + (y - h / 2) * (y - h / 2)) * 255 /
                                  (w * w / 4 + h * h / 4 + 1));
      if (bpp == 4) p[3] = 255;
    }
  }
  return b;
}

// Runs a shell command; true when it exits 0.
inline bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }
inline bool HaveTool(const std::string& tool) { return Run("command -v " + tool + " >/dev/null 2>&1"); }

}  // namespace velinor::test
