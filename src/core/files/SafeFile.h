#pragma once
// File helpers that never leave a half-written file over a good one: writers
// produce a temporary file beside the target, which replaces the target only
// once it is complete and flushed. A save through a symbolic link replaces the
// link's final target. A file with several hard links, or one in a folder the
// user cannot write, is rewritten in place from the complete new file (kept
// beside it or in the temporary folder), its old contents copied aside first
// and put back if the rewrite fails; its inode, mode and owner stay. A file the
// user may not write is never replaced (the save fails, "Permission denied").
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace velinor {

// Reads a whole file; throws EReadError when it cannot be opened or read, or is
// larger than maxBytes.
std::vector<uint8_t> ReadFileBytes(const std::string& path, uint64_t maxBytes = uint64_t{2} << 30);

// Several files replaced together. Each is first written whole to a temporary
// of its own beside it; Commit then flushes them and puts them in place, in the
// order they were staged. Anything not committed is removed when the
// transaction ends, and the targets are left as they were.
class TSaveTransaction {
 public:
  TSaveTransaction() = default;
  TSaveTransaction(const TSaveTransaction&) = delete;
  TSaveTransaction& operator=(const TSaveTransaction&) = delete;
  ~TSaveTransaction();

  // Reserves a temporary for target and calls write(tempPath) to produce the new
  // file there (the temporary exists, empty, when write runs). If write throws,
  // the temporary goes and the exception propagates (an EWriteError naming the
  // target rather than the temporary).
  void Stage(const std::string& target, const std::function<void(const std::string& tempPath)>& write);
  // Flushes every staged file to disk and puts it in place (renamed over its
  // target, or rewritten in place), keeping the owner and permissions of the
  // file it replaces. Throws EWriteError; failedTarget,
  // when given, then names the target it is about.
  void Commit(std::string* failedTarget = nullptr);

 private:
  struct TStaged {
    std::string Target;  // as the caller named it
    std::string Final;   // the end of its chain of symbolic links
    std::string Temp;
    bool InPlace;
  };
  std::vector<TStaged> staged_;
};

// One file through a transaction: write(tempPath) produces it, it replaces the
// target once complete. If write throws or anything fails, the temporary is
// removed, the target is left as it was and an exception (EWriteError for
// file-system failures) propagates.
void SaveAtomically(const std::string& target, const std::function<void(const std::string& tempPath)>& write);

// SaveAtomically with a buffer already in memory.
void WriteFileAtomically(const std::string& target, const std::vector<uint8_t>& bytes);

// Writes the bytes to path, creating or truncating it: what a writer does with
// the temporary a safe save gave it. Throws EWriteError.
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// The extension of a file name with its dot, lower-cased (".jpg"); empty if none.
std::string LowerExtension(const std::string& fileName);

}  // namespace velinor
