// A closed big picture gives its memory back to the system, also the freed
// pieces the allocator would otherwise keep (a decoder's rows, say).
#include <gtest/gtest.h>

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/base/Bitmap.h"

using namespace velinor;

namespace {
int64_t ResidentBytes() {
  long size = 0, resident = 0;
  FILE* f = std::fopen("/proc/self/statm", "r");
  if (!f) return -1;
  if (std::fscanf(f, "%ld %ld", &size, &resident) != 2) resident = -1;
  std::fclose(f);
  return static_cast<int64_t>(resident) * ::sysconf(_SC_PAGESIZE);
}
}  // namespace

TEST(MemoryRelease, ClosingABigPictureGivesTheFreedPiecesBack) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's allocator keeps its own memory";
#else
  // Pieces below the mapping threshold live in the heap, which the allocator
  // does not shrink by itself while a later block holds its top.
  ASSERT_EQ(mallopt(M_MMAP_THRESHOLD, 32 << 20), 1);
  ASSERT_EQ(mallopt(M_TRIM_THRESHOLD, 1 << 30), 1);
  std::vector<void*> pieces;
  for (int i = 0; i < 300; ++i) {
    pieces.push_back(std::malloc(1 << 20));
    std::memset(pieces.back(), 1, 1 << 20);
  }
  void* pin = std::malloc(64);
  for (void* p : pieces) std::free(p);
  const int64_t kept = ResidentBytes();
  {
    TBitmap big(8000, 6000);  // 144 MB
    big.FillBytes(2);
  }
  EXPECT_LT(ResidentBytes(), kept - (200 << 20)) << "the freed pieces are still held";
  std::free(pin);
#endif
}
