// Runs the built velinor-cli keep as a user would.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

#include "base/Bitmap.h"
#include "engine/KeepColors.h"
#include "files/BmpCodec.h"
#include "files/FileRoutes.h"

using namespace velinor;
namespace fs = std::filesystem;

namespace {

struct TRunResult {
  int status;
  std::string err;
};

class KeepCli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("velinor-keep-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    photo_ = TBitmap(40, 30);
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x)
        photo_.SetPixel(x, y, x < 20 ? RGB(200, 30 + y % 3, 40) : RGB(20, 90, 200 - x % 2));
    WriteBmpFile(Path("in.bmp"), photo_, 300);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  TRunResult Run(const std::string& args) const {
    const std::string errFile = Path("stderr.txt");
    const std::string cmd = std::string(VELINOR_CLI) + " keep " + args + " 2>" + errFile;
    const int raw = std::system(cmd.c_str());
    std::ifstream in(errFile);
    std::stringstream ss;
    ss << in.rdbuf();
    fs::remove(errFile);
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ss.str()};
  }

  // Files in the folder other than the input.
  int OtherFiles() const {
    int n = 0;
    for (const auto& e : fs::directory_iterator(dir_)) n += e.path().filename() != "in.bmp";
    return n;
  }

  fs::path dir_;
  TBitmap photo_;
};

}  // namespace

TEST_F(KeepCli, WritesWhatKeepColorsComputes) {
  const TRunResult r = Run(Path("in.bmp") + " " + Path("out.bmp") + " --pick 5,5 --color '#1459C7'" +
                           " --tolerance 12 --no-gradient --sepia --mask " + Path("mask.bmp") +
                           " --progress --timing");
  ASSERT_EQ(r.status, 0) << r.err;
  TKeepOptions o;
  o.Entries = {"#C82028", "#1459C7"};  // the picked pixel (200, 32, 40), then the text
  o.Tolerance = 12;
  o.Gradient = false;
  o.Sepia = true;
  TBitmap result = photo_, mask;
  KeepColors(result, mask, photo_, o);
  const TBitmap out = ReadImageFile(Path("out.bmp")), outMask = ReadImageFile(Path("mask.bmp"));
  ASSERT_EQ(out.Width(), 40);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      ASSERT_EQ(out.Pixel(x, y), result.Pixel(x, y)) << x << "," << y;
      ASSERT_EQ(outMask.Pixel(x, y), mask.Pixel(x, y)) << x << "," << y;
    }
  EXPECT_NE(r.err.find("Calculating : 0%\n"), std::string::npos);
  EXPECT_NE(r.err.find("Calculating : 100%\nProcessing : 0%\nProcessing : 10%\nProcessing : 50%\nProcessing : 80%\n"),
            std::string::npos);
  EXPECT_NE(r.err.find("KeepColors: "), std::string::npos);
  EXPECT_NE(r.err.find(" ms\n"), std::string::npos);
}

TEST_F(KeepCli, PicksFollowTheEyedropperRules) {
  // The second pick is a near-duplicate of the first and adds nothing: the
  // result equals one kept colour.
  ASSERT_EQ(Run(Path("in.bmp") + " " + Path("a.bmp") + " --pick 1,1 --pick 2,1").status, 0);
  ASSERT_EQ(Run(Path("in.bmp") + " " + Path("b.bmp") + " --pick 1,1").status, 0);
  const TBitmap a = ReadImageFile(Path("a.bmp")), b = ReadImageFile(Path("b.bmp"));
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(a.Pixel(x, y), b.Pixel(x, y));
}

TEST_F(KeepCli, BadUsageExitsWithOneAndWritesNothing) {
  const std::string io = Path("in.bmp") + " " + Path("out.bmp");
  for (const std::string& args :
       {io + " --tolerance 0", io + " --tolerance 101", io + " --tolerance x", io + " --color '#12345'",
        io + " --pick 40,0", io + " --pick 3", io + " --bogus", Path("in.bmp"), io + " extra",
        io + " --mask", io + " --mask " + Path("out.bmp")}) {
    const TRunResult r = Run(args);
    EXPECT_EQ(r.status, 1) << args << "\n" << r.err;
    EXPECT_NE(r.err.find("Usage:"), std::string::npos) << args;
    EXPECT_EQ(OtherFiles(), 0) << args;
  }
}

TEST_F(KeepCli, FileFailuresExitWithTwoAndLeaveNoOutput) {
  TRunResult r = Run(Path("missing.bmp") + " " + Path("out.bmp"));
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("missing.bmp"), std::string::npos);
  r = Run(Path("in.bmp") + " " + Path("out.xyz"));
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("out.xyz"), std::string::npos);
  // The result could be written but not the mask: neither is left behind.
  r = Run(Path("in.bmp") + " " + Path("out.bmp") + " --mask " + Path("nowhere/mask.bmp"));
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("mask.bmp"), std::string::npos);
  EXPECT_EQ(OtherFiles(), 0);
  std::ofstream(Path("junk.bmp")) << "not an image";
  r = Run(Path("junk.bmp") + " " + Path("out.bmp"));
  EXPECT_EQ(r.status, 2);
  EXPECT_FALSE(fs::exists(Path("out.bmp")));
}
