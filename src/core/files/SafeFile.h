#pragma once
// File helpers that never leave a half-written file over a good one: writers
// produce a temporary file beside the target, which replaces the target only
// once it is complete and flushed.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace velinor {

// Reads a whole file; throws EReadError when it cannot be opened or read, or is
// larger than maxBytes.
std::vector<uint8_t> ReadFileBytes(const std::string& path, uint64_t maxBytes = uint64_t{2} << 30);

// Calls write(tempPath) to produce the file at a temporary name in the target's
// folder, then flushes it to disk and renames it over the target. If write throws
// or anything fails, the temporary is removed, the target is left as it was and an
// exception (EWriteError for file-system failures) propagates.
void SaveAtomically(const std::string& target, const std::function<void(const std::string& tempPath)>& write);

// SaveAtomically with a buffer already in memory.
void WriteFileAtomically(const std::string& target, const std::vector<uint8_t>& bytes);

// The extension of a file name with its dot, lower-cased (".jpg"); empty if none.
std::string LowerExtension(const std::string& fileName);

}  // namespace velinor
