#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/base/Errors.h"
#include "core/files/FileRoutes.h"
#include "core/files/SafeFile.h"

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

namespace {
bool IsLink(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}
struct stat StatOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
  return st;
}
}  // namespace

TEST(SafeFile, SaveThroughSymbolicLinksReplacesTheFinalTarget) {
  const std::string dir = MakeTempDir();
  ASSERT_EQ(mkdir((dir + "/sub").c_str(), 0755), 0);
  WriteFileBytes(dir + "/real.bmp", {1});
  ASSERT_EQ(symlink("real.bmp", (dir + "/link1.bmp").c_str()), 0);
  ASSERT_EQ(symlink("../link1.bmp", (dir + "/sub/link2.bmp").c_str()), 0);
  // A picture through the save route, as the window and the command line write it.
  TBitmap picture(3, 2);
  picture.ScanLine(1)[0] = 200;
  WriteImageFile(dir + "/sub/link2.bmp", picture, 0.0);
  EXPECT_TRUE(IsLink(dir + "/link1.bmp"));
  EXPECT_TRUE(IsLink(dir + "/sub/link2.bmp"));
  const TBitmap back = ReadImageFile(dir + "/real.bmp");
  EXPECT_EQ(back.Width(), 3);
  EXPECT_EQ(back.ScanLine(1)[0], 200);
  // A link to a file not made yet: the file is made where the link points.
  ASSERT_EQ(symlink((dir + "/made.bmp").c_str(), (dir + "/new.bmp").c_str()), 0);
  WriteFileAtomically(dir + "/new.bmp", {5, 6});
  EXPECT_TRUE(IsLink(dir + "/new.bmp"));
  EXPECT_EQ(ReadFileBytes(dir + "/made.bmp"), (std::vector<uint8_t>{5, 6}));
  EXPECT_EQ(CountEntries(dir), 5);
  EXPECT_EQ(CountEntries(dir + "/sub"), 1);
  EXPECT_EQ(system(("rm -rf '" + dir + "'").c_str()), 0);
}

TEST(SafeFile, HardLinkedFileIsRewrittenInPlace) {
  const std::string dir = MakeTempDir();
  const std::string a = dir + "/a.bmp", b = dir + "/b.bmp";
  WriteFileBytes(a, std::vector<uint8_t>(5000, 1));
  ASSERT_EQ(chmod(a.c_str(), 0640), 0);
  ASSERT_EQ(link(a.c_str(), b.c_str()), 0);
  const ino_t inode = StatOf(a).st_ino;
  WriteFileAtomically(a, {7, 8, 9});
  EXPECT_EQ(ReadFileBytes(b), (std::vector<uint8_t>{7, 8, 9}));
  EXPECT_EQ(StatOf(a).st_ino, inode);
  EXPECT_EQ(StatOf(a).st_nlink, 2u);
  EXPECT_EQ(StatOf(a).st_mode & 07777, 0640u);
  EXPECT_EQ(CountEntries(dir), 2);
  EXPECT_EQ(system(("rm -rf '" + dir + "'").c_str()), 0);
}

TEST(SafeFile, FailedRewriteInPlacePutsTheOldContentsBack) {
  const std::string dir = MakeTempDir();
  const std::string a = dir + "/a.bmp", b = dir + "/b.bmp";
  WriteFileBytes(a, {1, 2, 3});
  ASSERT_EQ(link(a.c_str(), b.c_str()), 0);
  // The new file is complete; then the disk "fills up" at 1000 bytes.
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit old {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  EXPECT_THROW(SaveAtomically(a,
                              [&](const std::string& tmp) {
                                WriteFileBytes(tmp, std::vector<uint8_t>(4096, 9));
                                rlimit small = old;
                                small.rlim_cur = 1000;
                                setrlimit(RLIMIT_FSIZE, &small);
                              }),
               EWriteError);
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(ReadFileBytes(b), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(CountEntries(dir), 2);
  EXPECT_EQ(system(("rm -rf '" + dir + "'").c_str()), 0);
}

// A writable file in a folder the user cannot write. Root writes any folder, so
// then the save runs in a child as an ordinary user.
TEST(SafeFile, WritableFileInAFolderTheUserCannotWrite) {
  const bool root = geteuid() == 0;
  const uid_t user = root ? 65534 : geteuid();
  const gid_t group = root ? 65534 : getegid();
  const std::string dir = MakeTempDir(), spare = MakeTempDir();
  const std::string target = dir + "/photo.bmp";
  WriteFileBytes(target, std::vector<uint8_t>(100, 1));
  ASSERT_EQ(chmod(target.c_str(), 0664), 0);
  ASSERT_EQ(chmod(spare.c_str(), 0777), 0);
  if (root) {
    ASSERT_EQ(chown(target.c_str(), user, group), 0);
  }
  ASSERT_EQ(chmod(dir.c_str(), root ? 0755 : 0555), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (root && (setgid(group) != 0 || setuid(user) != 0)) _exit(3);
    setenv("TMPDIR", spare.c_str(), 1);
    try {
      WriteFileAtomically(target, {4, 5, 6});
    } catch (const std::exception& e) {
      fprintf(stderr, "%s\n", e.what());
      _exit(1);
    }
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(ReadFileBytes(target), (std::vector<uint8_t>{4, 5, 6}));
  EXPECT_EQ(StatOf(target).st_mode & 07777, 0664u);
  EXPECT_EQ(StatOf(target).st_uid, user);
  EXPECT_EQ(CountEntries(dir), 1);
  EXPECT_EQ(CountEntries(spare), 0);
  chmod(dir.c_str(), 0755);
  EXPECT_EQ(system(("rm -rf '" + dir + "' '" + spare + "'").c_str()), 0);
}

// A file of another owner in a writable folder keeps its owner and mode.
TEST(SafeFile, ReplacedFileKeepsItsOwner) {
  if (geteuid() != 0) GTEST_SKIP() << "only root can make a file of another owner";
  const std::string dir = MakeTempDir();
  const std::string target = dir + "/photo.bmp";
  WriteFileBytes(target, {1});
  ASSERT_EQ(chown(target.c_str(), 65534, 65534), 0);
  ASSERT_EQ(chmod(target.c_str(), 0604), 0);
  WriteFileAtomically(target, {2, 3});
  EXPECT_EQ(ReadFileBytes(target), (std::vector<uint8_t>{2, 3}));
  EXPECT_EQ(StatOf(target).st_uid, 65534u);
  EXPECT_EQ(StatOf(target).st_gid, 65534u);
  EXPECT_EQ(StatOf(target).st_mode & 07777, 0604u);
  EXPECT_EQ(system(("rm -rf '" + dir + "'").c_str()), 0);
}

// A file the user may not write, in a folder they may: a rename would replace
// it (and give it to the user), so the save is refused and the file stays, with
// its owner. Root writes any file, so then the save runs in a child as an
// ordinary user over a file of root's; otherwise the user's own read-only file
// stands for it.
TEST(SafeFile, AFileTheUserCannotWriteIsNotReplaced) {
  const bool root = geteuid() == 0;
  const std::string dir = MakeTempDir();
  const std::string target = dir + "/photo.bmp";
  WriteFileBytes(target, {1, 2, 3});
  ASSERT_EQ(chmod(target.c_str(), root ? 0644 : 0444), 0);
  ASSERT_EQ(chmod(dir.c_str(), 0777), 0);
  const uid_t owner = StatOf(target).st_uid;
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (root && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
    try {
      WriteFileAtomically(target, {4, 5, 6});
    } catch (const EWriteError& e) {
      _exit(std::string(e.what()) == "cannot write " + target + ": Permission denied" ? 0 : 2);
    }
    _exit(1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: replaced, 2: another error, 3: no ordinary user";
  EXPECT_EQ(ReadFileBytes(target), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(StatOf(target).st_uid, owner);
  EXPECT_EQ(StatOf(target).st_mode & 07777, root ? 0644u : 0444u);
  EXPECT_EQ(CountEntries(dir), 1);
  EXPECT_EQ(system(("rm -rf '" + dir + "'").c_str()), 0);
}
