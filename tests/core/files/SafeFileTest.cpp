#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "base/Errors.h"
#include "files/SafeFile.h"

using namespace velinor;

namespace {
std::string MakeTempDir() {
  char tmpl[] = "/tmp/velinor-safefile-XXXXXX";
  return mkdtemp(tmpl);
}
int CountEntries(const std::string& dir) {
  int n = 0;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) n += e->d_name[0] != '.' || std::string(e->d_name).size() > 2;
    closedir(d);
  }
  return n;
}
}  // namespace

TEST(SafeFile, FailedWriteLeavesTheOldFileAndNoTemporary) {
  const std::string dir = MakeTempDir();
  const std::string target = dir + "/photo.bmp";
  WriteFileAtomically(target, {1, 2, 3});
  EXPECT_THROW(SaveAtomically(target,
                              [](const std::string& tmp) {
                                FILE* f = fopen(tmp.c_str(), "wb");
                                fputs("partial", f);
                                fclose(f);
                                throw EWriteError("disk full");
                              }),
               EWriteError);
  EXPECT_EQ(ReadFileBytes(target), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(CountEntries(dir), 1);
  WriteFileAtomically(target, {4});
  EXPECT_EQ(ReadFileBytes(target), (std::vector<uint8_t>{4}));
  unlink(target.c_str());
  rmdir(dir.c_str());
}

TEST(SafeFile, MissingFolderFailsCleanly) {
  EXPECT_THROW(WriteFileAtomically("/nonexistent-velinor-dir/x.bmp", {1}), EWriteError);
  EXPECT_THROW(ReadFileBytes("/nonexistent-velinor-dir/x.bmp"), EReadError);
}

TEST(SafeFile, LowerExtension) {
  EXPECT_EQ(LowerExtension("/a/photo.JPG"), ".jpg");
  EXPECT_EQ(LowerExtension("/a.b/photo"), "");
  EXPECT_EQ(LowerExtension("x.Tiff"), ".tiff");
}
