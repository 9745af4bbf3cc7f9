#include "SafeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cctype>
#include <cstring>
#include <random>

#include "base/Errors.h"

namespace velinor {

namespace {

std::string ErrnoText() { return std::strerror(errno); }

std::string TempNameFor(const std::string& target) {
  const auto slash = target.find_last_of('/');
  const std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  std::random_device rd;
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(rd()));
  return dir + "." + base + suffix;
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
  const auto slash = path.find_last_of('/');
  const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
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

void SaveAtomically(const std::string& target, const std::function<void(const std::string&)>& write) {
  const std::string temp = TempNameFor(target);
  try {
    write(temp);
    SyncFile(temp);
    // Keep the permissions of the file being replaced.
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) ::chmod(temp.c_str(), st.st_mode & 07777);
    if (::rename(temp.c_str(), target.c_str()) != 0)
      throw EWriteError("cannot replace " + target + ": " + ErrnoText());
  } catch (...) {
    ::unlink(temp.c_str());
    throw;
  }
  SyncFolderOf(target);
}

void WriteFileAtomically(const std::string& target, const std::vector<uint8_t>& bytes) {
  SaveAtomically(target, [&](const std::string& temp) {
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) throw EWriteError("cannot create " + temp + ": " + ErrnoText());
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        const std::string why = ErrnoText();
        ::close(fd);
        throw EWriteError("cannot write " + temp + ": " + why);
      }
      done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0) throw EWriteError("cannot close " + temp + ": " + ErrnoText());
  });
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
