// Saves that fail: a full disk, a folder that cannot be written, an error in the
// middle of writing. Whatever the writer, the file that was there stays as it
// was, no temporary is left beside it and the save message is shown once.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <random>
#include <stdexcept>

#include "TestFiles.h"
#include "core/base/Errors.h"
#include "core/files/FormatRegistry.h"
#include "core/files/ImageDispatch.h"
#include "core/files/OvImage.h"
#include "core/files/SafeFile.h"
#include "core/document/LayeredImage.h"

using namespace velinor;
using velinor::test::TempDir;

namespace {

struct Messages : IMessageSink {
  std::vector<std::string> shown;
  void ShowError(const std::string& text) override { shown.push_back(text); }
};

// The two-layer document as "Save as" hands it over, over the real writer.
class Layered : public ILayeredDocument {
 public:
  explicit Layered(const TBitmap& image) { doc_.SetSingleLayer(image, nullptr, "#0"); }
  std::string ClassName() const override { return "TMyImageLayered"; }
  void SaveLayeredFile(const std::string& fileName) override { velinor::SaveLayeredFile(doc_, fileName); }

 private:
  TMyImageLayered doc_;
};

// A document whose writer gives up half-way, after part of the file is out.
class BrokenLayered : public ILayeredDocument {
 public:
  std::string ClassName() const override { return "TMyImageLayered"; }
  void SaveLayeredFile(const std::string& fileName) override {
    WriteFileAtomically(fileName, std::vector<uint8_t>(4096, 0x55));
    FILE* f = std::fopen(fileName.c_str(), "ab");
    if (f) {
      std::fputs("half", f);
      std::fclose(f);
    }
    throw std::runtime_error("compressor failed");
  }
};

int CountEntries(const std::string& dir) {
  int n = 0;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) n += std::string(e->d_name) != "." && std::string(e->d_name) != "..";
    closedir(d);
  }
  return n;
}

// Pixels that no writer can compress much.
TBitmap Noise(int w, int h) {
  TBitmap b(w, h);
  std::mt19937 rng(5);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < 3 * w; ++x) b.ScanLine(y)[x] = static_cast<uint8_t>(rng());
  return b;
}

const char* const kExtensions[] = {".bmp", ".rle", ".jpg", ".gif", ".tga", ".png", ".tif", ".ovi"};

// Files larger than `bytes` cannot be written while this lives (the write
// fails with "file too large", as on a full disk).
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    oldHandler_ = signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit lim = old_;
    lim.rlim_cur = bytes;
    ok_ = setrlimit(RLIMIT_FSIZE, &lim) == 0;
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    signal(SIGXFSZ, oldHandler_);
  }
  bool Ok() const { return ok_; }

 private:
  rlimit old_{};
  sighandler_t oldHandler_;
  bool ok_ = false;
};

class SaveFailure : public ::testing::Test {
 protected:
  void SetUp() override {
    StartImageFiles();
    SetMessageSink(&messages);
    SetFileDialogs(nullptr);
    OnImageFile = nullptr;
    OptionsOE.Quiet = false;
    OptionsOE.Resolution = 300.0;
    OptionsOE.JpegExif = true;
    OptionsOE.JpegExifFromJpeg = true;
  }
  void TearDown() override { SetMessageSink(nullptr); }

  // Puts a previous file at dir/name and returns its bytes.
  std::vector<uint8_t> Previous(const std::string& path) {
    std::vector<uint8_t> old(333);
    for (size_t i = 0; i < old.size(); ++i) old[i] = static_cast<uint8_t>(i * 7);
    WriteFileAtomically(path, old);
    return old;
  }

  // Saves the photo under name as "Save as" does; returns the result code.
  int Save(const std::string& path) {
    std::string name = path;
    return SaveImageFile(name, photo, &layered, "");
  }

  // The save failed, said so once, kept the old file and left nothing else.
  void ExpectCleanFailure(const TempDir& dir, const std::string& path, const std::vector<uint8_t>& old, int result) {
    EXPECT_EQ(result, irFailed);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0], SaveFailedMessage(path));
    EXPECT_EQ(ReadFileBytes(path), old);
    const auto entries = dir.Entries();
    EXPECT_EQ(entries.size(), 1u) << "left behind: " << (entries.size() > 1 ? entries[0] + " " + entries[1] : "");
    messages.shown.clear();
  }

  Messages messages;
  TBitmap photo = test::MakePhoto(300, 200);
  Layered layered{photo};
};

TEST_F(SaveFailure, FullDiskKeepsThePreviousFileOfEveryFormat) {
  for (const char* ext : kExtensions) {
    SCOPED_TRACE(ext);
    TempDir dir;
    const std::string path = dir / (std::string("photo") + ext);
    const auto old = Previous(path);
    int result;
    {
      FileSizeLimit limit(2000);
      ASSERT_TRUE(limit.Ok());
      result = Save(path);
    }
    ExpectCleanFailure(dir, path, old, result);
    // Once there is room again the same save goes through.
    EXPECT_EQ(Save(path), irDone);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_NE(ReadFileBytes(path), old);
  }
}

// Neither the file nor its folder can be written: nothing can take the new
// picture. (A writable file there is rewritten in place: SafeFile's tests.)
TEST_F(SaveFailure, ReadOnlyFileInAReadOnlyFolderKeepsThePreviousFileOfEveryFormat) {
  for (const char* ext : kExtensions) {
    SCOPED_TRACE(ext);
    TempDir dir;
    const std::string path = dir / (std::string("photo") + ext);
    const auto old = Previous(path);
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    ASSERT_EQ(chmod(dir.Path().c_str(), 0555), 0);
    // Root writes anywhere: the save runs as an ordinary user then.
    const bool root = geteuid() == 0;
    if (root && seteuid(65534) != 0) GTEST_SKIP() << "cannot drop root rights";
    const int result = Save(path);
    if (root) { ASSERT_EQ(seteuid(0), 0); }
    chmod(dir.Path().c_str(), 0755);
    ExpectCleanFailure(dir, path, old, result);
  }
}

TEST_F(SaveFailure, ErrorHalfWayKeepsThePreviousFile) {
  TempDir dir;
  const std::string path = dir / "photo.ovi";
  const auto old = Previous(path);
  BrokenLayered broken;
  std::string name = path;
  ExpectCleanFailure(dir, path, old, SaveImageFile(name, photo, &broken, ""));

  // A hook that throws once the file is being written fails the save the same way.
  const std::string flat = dir / "photo.png";
  const auto oldFlat = Previous(flat);
  OnImageFile = [](TGraphic*, const std::string&, TImageFileStep step, bool&) {
    if (step == ifBeforeSave) throw std::runtime_error("hook failed");
  };
  name = flat;
  const int result = SaveImageFile(name, photo, &layered, "");
  OnImageFile = nullptr;
  EXPECT_EQ(result, irFailed);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(ReadFileBytes(flat), oldFlat);
  EXPECT_EQ(ReadFileBytes(path), old);
  EXPECT_EQ(dir.Entries().size(), 2u);
}

TEST_F(SaveFailure, QuietSuppressesTheOneMessage) {
  TempDir dir;
  const std::string path = dir / "photo.bmp";
  const auto old = Previous(path);
  OptionsOE.Quiet = true;
  {
    FileSizeLimit limit(100);
    ASSERT_TRUE(limit.Ok());
    EXPECT_EQ(Save(path), irFailed);
  }
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_FALSE(OptionsOE.Quiet);
  EXPECT_EQ(ReadFileBytes(path), old);
}

// A real full file system, where one can be mounted (root on Linux).
TEST_F(SaveFailure, TinyFileSystemRunsOutOfSpace) {
  TempDir dir;
  const std::string mnt = dir / "mnt";
  ASSERT_EQ(mkdir(mnt.c_str(), 0755), 0);
  if (mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=64k") != 0) GTEST_SKIP() << "cannot mount a small file system";
  struct Unmount {
    std::string where;
    ~Unmount() { umount2(where.c_str(), MNT_DETACH); }
  } unmount{mnt};
  const TBitmap big = Noise(400, 300);  // 360 kB that does not compress: more than fits
  for (const char* ext : {".bmp", ".png", ".tif", ".tga", ".ovi", ".jpg"}) {
    SCOPED_TRACE(ext);
    const std::string path = mnt + "/photo" + ext;
    const auto old = Previous(path);
    Layered doc(big);
    std::string name = path;
    const int result = SaveImageFile(name, big, &doc, "");
    EXPECT_EQ(result, irFailed);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(ReadFileBytes(path), old);
    EXPECT_EQ(CountEntries(mnt), 1);
    messages.shown.clear();
    unlink(path.c_str());
  }
}

}  // namespace
