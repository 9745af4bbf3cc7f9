// The fuzz seeds were written by ImageMagick: every one decodes, and to the same
// colours as an independent reader's (ImageMagick's; netpbm's for Targa, since
// ImageMagick 6 reads its own bottom-up Targa files upside down).
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>

#include "CodecTestSupport.h"
#include "core/base/Errors.h"
#include "core/files/FileRoutes.h"
#include "core/files/FormatRegistry.h"
#include "core/files/PnmReader.h"

using namespace velinor;
using namespace velinor::testing;

namespace {

std::vector<std::string> Seeds() {
  std::vector<std::string> out;
  const std::string root = VELINOR_FUZZ_CORPUS;
  if (DIR* d = opendir(root.c_str())) {
    while (dirent* e = readdir(d)) {
      if (e->d_name[0] == '.' || std::string(e->d_name) == "ini" ||
          std::string(e->d_name) == "icc")
        continue;  // not pictures
      const std::string sub = root + "/" + e->d_name;
      if (DIR* s = opendir(sub.c_str())) {
        while (dirent* f = readdir(s))
          if (f->d_name[0] != '.') out.push_back(sub + "/" + f->d_name);
        closedir(s);
      }
    }
    closedir(d);
  }
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace

TEST(CorpusSeeds, DecodeLikeIndependentReaders) {
  InitImageFiles();  // the start-up registrations (".ovs" among them)
  const auto seeds = Seeds();
  ASSERT_GT(seeds.size(), 30u);
  const bool compare = HaveTool("convert");
  ScratchDir dir;
  for (const std::string& path : seeds) {
    SCOPED_TRACE(path);
    TBitmap ours;
    ASSERT_NO_THROW(ours = ReadImageFile(path));
    if (path.find("/ovs/") != std::string::npos) continue;  // no independent reader knows them
    if (!compare || ours.PixelFormat() == TPixelFormat::pf32bit || ours.Transparent) continue;
    if (path.ends_with(".ovi")) continue;  // our own layered format: no independent reader
    // Today's lossy formats and camera raw are compared with their own
    // decoders' output in PhotoCodecsTest and RawImageTest.
    bool photo = false;
    for (const char* dir : {"/heif/", "/avif/", "/webp/", "/jxl/", "/raw/"}) photo |= path.find(dir) != std::string::npos;
    if (photo) continue;
    if (ours.PixelFormat() == TPixelFormat::pf8bit) ours.SetPixelFormat(TPixelFormat::pf24bit);
    const std::string ppm = dir.File("seed.ppm");
    if (path.ends_with(".tga")) {
      if (!HaveTool("tgatoppm")) continue;
      ASSERT_EQ(RunTool("{ tgatoppm '" + path + "' 2>/dev/null; } > '" + ppm + "'"), 0);
    } else {
      ASSERT_EQ(RunTool("convert '" + path + "[0]' -alpha off -depth 8 '" + ppm + "'"), 0);
    }
    const auto bytes = ReadAll(ppm);
    const TBitmap theirs = ReadPnm(bytes.data(), bytes.size());
    ASSERT_EQ(theirs.Width(), ours.Width());
    ASSERT_EQ(theirs.Height(), ours.Height());
    int worst = 0;
    for (int y = 0; y < ours.Height(); ++y)
      for (int x = 0; x < 3 * ours.Width(); ++x)
        worst = std::max(worst, std::abs(ours.ScanLine(y)[x] - theirs.ScanLine(y)[x]));
    EXPECT_LE(worst, path.find("jpeg") != std::string::npos ? 8 : 1);
  }
}
