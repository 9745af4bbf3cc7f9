#include "core/files/SafeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cctype>
#include <cstring>
#include <random>

#include "core/base/Errors.h"

namespace velinor {

namespace {

std::string ErrnoText() { return std::strerror(errno); }

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

std::string BaseOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Creates an empty, unused file in folder, named after the target; empty when
// the folder cannot take one (errno tells why).
std::string CreateTempIn(const std::string& folder, const std::string& target, mode_t mode = 0666) {
  std::random_device rd;
  for (int attempt = 0; attempt < 10; ++attempt) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(rd()));
    const std::string name = (folder == "/" ? "" : folder) + "/." + BaseOf(target) + suffix;
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0) {
      ::close(fd);
      return name;
    }
    if (errno != EEXIST) return {};
  }
  return {};
}

// The file a save to path really replaces: the end of its chain of symbolic
// links (which need not exist yet), so that the links stay links.
std::string FinalTarget(const std::string& path) {
  std::string current = path;
  for (int hop = 0; hop < 40; ++hop) {
    struct stat st {};
    if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
    std::string link(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
    const ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
    if (n < 0) throw EWriteError("cannot read the link " + current + ": " + ErrnoText());
    link.resize(static_cast<size_t>(n));
    current = link.front() == '/' ? link : FolderOf(current) + "/" + link;
  }
  throw EWriteError("cannot save " + path + ": too many levels of symbolic links");
}

// A file or folder for temporaries when the target's own folder cannot take one.
std::string SpareFolder() {
  const char* tmp = std::getenv("TMPDIR");
  return tmp && *tmp ? std::string(tmp) : std::string("/tmp");
}

// Copies the whole of from over the start of to (an open descriptor), then cuts
// to at the copied length and flushes it.
void CopyOver(int from, int to) {
  std::vector<char> buffer(size_t{1} << 20);
  off_t at = 0;
  for (;;) {
    const ssize_t n = ::pread(from, buffer.data(), buffer.size(), at);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw EWriteError(ErrnoText());
    if (n == 0) break;
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = ::pwrite(to, buffer.data() + done, static_cast<size_t>(n - done), at + done);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) throw EWriteError(w < 0 ? ErrnoText() : "nothing written");
      done += w;
    }
    at += n;
  }
  if (::ftruncate(to, at) != 0 || ::fsync(to) != 0) throw EWriteError(ErrnoText());
}

struct TFd {
  int Fd = -1;
  explicit TFd(int fd) : Fd(fd) {}
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  ~TFd() {
    if (Fd >= 0) ::close(Fd);
  }
};

// Rewrites finalPath with the contents of the complete new file temp, in place, so
// that its inode (hard links, mode, owner) stays. The old contents are copied
// aside first and put back if the rewrite fails.
void RewriteInPlace(const std::string& finalPath, const std::string& temp, const std::string& shown) {
  const TFd target(::open(finalPath.c_str(), O_RDWR | O_CLOEXEC));
  if (target.Fd < 0) throw EWriteError("cannot write " + shown + ": " + ErrnoText());
  const TFd source(::open(temp.c_str(), O_RDONLY | O_CLOEXEC));
  if (source.Fd < 0) throw EWriteError("cannot reopen the new " + shown + ": " + ErrnoText());
  std::string backup = CreateTempIn(FolderOf(temp), finalPath, 0600);
  if (backup.empty()) throw EWriteError("cannot keep a copy of " + shown + ": " + ErrnoText());
  {
    const TFd copy(::open(backup.c_str(), O_WRONLY | O_CLOEXEC));
    try {
      if (copy.Fd < 0) throw EWriteError(ErrnoText());
      CopyOver(target.Fd, copy.Fd);
    } catch (const EWriteError& e) {
      ::unlink(backup.c_str());
      throw EWriteError("cannot keep a copy of " + shown + ": " + e.what());
    }
  }
  try {
    CopyOver(source.Fd, target.Fd);
  } catch (const EWriteError& e) {
    const std::string why = e.what();
    try {
      const TFd old(::open(backup.c_str(), O_RDONLY | O_CLOEXEC));
      if (old.Fd < 0) throw EWriteError(ErrnoText());
      CopyOver(old.Fd, target.Fd);
    } catch (const EWriteError&) {
      throw EWriteError("cannot write " + shown + ": " + why + "; its previous contents are in " + backup);
    }
    ::unlink(backup.c_str());
    throw EWriteError("cannot write " + shown + ": " + why);
  }
  ::unlink(backup.c_str());
}

// Flushes a written file to disk so that the rename publishes complete data.
void SyncFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw EWriteError("cannot reopen " + path + ": " + ErrnoText());
  const int rc = ::fsync(fd);
  const int err = errno;
  ::close(fd);
  if (rc != 0) {
    errno = err;
    throw EWriteError("cannot flush " + path + ": " + ErrnoText());
  }
}

// Makes a rename in the folder durable; a folder that cannot be opened or
// flushed (some file systems refuse) changes nothing: the new file is in place.
void SyncFolderOf(const std::string& path) {
  const std::string dir = FolderOf(path);
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  (void)::fsync(fd);
  ::close(fd);
}

}  // namespace

std::vector<uint8_t> ReadFileBytes(const std::string& path, uint64_t maxBytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw EReadError("cannot open " + path + ": " + ErrnoText());
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    throw EReadError("not a regular file: " + path);
  }
  if (static_cast<uint64_t>(st.st_size) > maxBytes) {
    ::close(fd);
    throw EReadError("file too large: " + path);
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(st.st_size));
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ::close(fd);
      throw EReadError("cannot read " + path);
    }
    done += static_cast<size_t>(n);
  }
  ::close(fd);
  return bytes;
}

TSaveTransaction::~TSaveTransaction() {
  for (const TStaged& s : staged_) ::unlink(s.Temp.c_str());
}

void TSaveTransaction::Stage(const std::string& target, const std::function<void(const std::string&)>& write) {
  TStaged staged{target, FinalTarget(target), {}, false};
  struct stat st {};
  const bool exists = ::stat(staged.Final.c_str(), &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) throw EWriteError("cannot replace " + target + ": not a regular file");
  if (exists) {
    // A file the user may not write is not theirs to replace, although a rename
    // in a folder they may write would do it (and make the file theirs).
    // Refused now, before the new file is made.
    const int probe = ::open(staged.Final.c_str(), O_WRONLY | O_CLOEXEC);
    if (probe < 0) throw EWriteError("cannot write " + target + ": " + ErrnoText());
    ::close(probe);
  }
  // A rename would split a file with several names from its other names.
  staged.InPlace = exists && st.st_nlink > 1;
  if (!staged.InPlace) {
    staged.Temp = CreateTempIn(FolderOf(staged.Final), staged.Final);
    // A writable file in a folder the user cannot write: rewritten in place.
    staged.InPlace = staged.Temp.empty() && exists && (errno == EACCES || errno == EPERM);
    if (staged.Temp.empty() && !staged.InPlace) throw EWriteError("cannot create " + target + ": " + ErrnoText());
  }
  if (staged.InPlace) {
    if (staged.Temp.empty()) staged.Temp = CreateTempIn(FolderOf(staged.Final), staged.Final);
    // Elsewhere, the copy is the user's alone.
    if (staged.Temp.empty()) staged.Temp = CreateTempIn(SpareFolder(), staged.Final, 0600);
    if (staged.Temp.empty()) throw EWriteError("cannot create a copy of " + target + ": " + ErrnoText());
  }
  const std::string temp = staged.Temp;
  try {
    write(temp);
  } catch (const EWriteError& e) {
    ::unlink(temp.c_str());
    // The user knows the target, not the temporary.
    std::string reason = e.what();
    for (size_t at; (at = reason.find(temp)) != std::string::npos;) reason.replace(at, temp.size(), target);
    throw EWriteError(reason);
  } catch (...) {
    ::unlink(temp.c_str());
    throw;
  }
  staged_.push_back(staged);
}

void TSaveTransaction::Commit(std::string* failedTarget) {
  for (const TStaged& s : staged_) {
    if (failedTarget) *failedTarget = s.Target;
    SyncFile(s.Temp);
  }
  while (!staged_.empty()) {
    TStaged& s = staged_.front();
    if (failedTarget) *failedTarget = s.Target;
    struct stat st {};
    const bool exists = ::stat(s.Final.c_str(), &st) == 0;
    if (exists && !s.InPlace) {
      // Keep the owner and permissions of the file being replaced; an owner the
      // user cannot give away is kept by rewriting the file (writable, as Stage
      // found) in place instead.
      if ((st.st_uid != ::geteuid() || st.st_gid != ::getegid()) && ::chown(s.Temp.c_str(), st.st_uid, st.st_gid) != 0)
        s.InPlace = true;
      if (!s.InPlace) ::chmod(s.Temp.c_str(), st.st_mode & 07777);
    }
    if (s.InPlace) {
      RewriteInPlace(s.Final, s.Temp, s.Target);
      ::unlink(s.Temp.c_str());
    } else {
      if (::rename(s.Temp.c_str(), s.Final.c_str()) != 0)
        throw EWriteError("cannot replace " + s.Target + ": " + ErrnoText());
      SyncFolderOf(s.Final);
    }
    staged_.erase(staged_.begin());
  }
}

void SaveAtomically(const std::string& target, const std::function<void(const std::string&)>& write) {
  TSaveTransaction save;
  save.Stage(target, write);
  save.Commit();
}

void WriteFileAtomically(const std::string& target, const std::vector<uint8_t>& bytes) {
  SaveAtomically(target, [&](const std::string& temp) { WriteFileBytes(temp, bytes); });
}

void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) throw EWriteError("cannot create " + path + ": " + ErrnoText());
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const std::string why = ErrnoText();
      ::close(fd);
      throw EWriteError("cannot write " + path + ": " + why);
    }
    done += static_cast<size_t>(n);
  }
  if (::close(fd) != 0) throw EWriteError("cannot close " + path + ": " + ErrnoText());
}

std::string LowerExtension(const std::string& fileName) {
  const auto slash = fileName.find_last_of('/');
  const auto dot = fileName.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string ext = fileName.substr(dot);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

}  // namespace velinor
