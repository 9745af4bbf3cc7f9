#pragma once
// Which photo pixels have a kept colour: the entry text of a kept colour, the
// tolerance cube, the match list with its optional gradient between consecutive
// entries, and the per-pixel test (the obvious one and the constant-time one).
// Excluded colours: a pixel within the tolerance of an excluded colour is never
// matched, whatever the kept colours; they are single colours (no gradient).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/base/Color.h"

namespace velinor {

using TMatchList = std::vector<TColor>;

// Each of B, G and R differs by at most the tolerance (both colours resolved).
bool ColorsWithin(TColor c1, TColor c2, int tolerance);

// "#RRGGBB", upper-case hexadecimal, red first.
std::string ColorToText(TColor color);

// A toolkit colour name ("clRed", any case), else an optional "#" or "$" and
// exactly six hexadecimal digits; with swap the pairs are reversed (RRGGBB reads
// as red first). Anything else gives the default.
TColor ParseColorText(const std::string& text, TColor def = clNone, bool swap = true);

// Appends to the match list: with the gradient and at least two entries, seven
// steps from each entry toward the next and then the last entry; otherwise every
// entry once.
void BuildMatchList(const std::vector<std::string>& entries, bool gradient, TMatchList& matchList);

// True when a colour of the list (tried in order) is within the tolerance.
bool MatchesAny(TColor color, const TMatchList& matchList, int tolerance);

// The test of a pixel with excluded colours: within the tolerance of a colour of
// the match list and of none of the excluded list.
bool MatchesKept(TColor color, const TMatchList& matchList, const TMatchList& excluded, int tolerance);

// The same test in constant time per pixel, whatever the number of colours: a
// 256^3-bit cube of every colour within the tolerance of some colour of the match
// list and of no excluded colour (2 MiB).
class TColorMatcher {
 public:
  TColorMatcher(const TMatchList& matchList, int tolerance, const TMatchList& excluded = {});
  bool Matches(uint8_t b, uint8_t g, uint8_t r) const {
    return (cube_[(static_cast<size_t>(r) << 13) | (static_cast<size_t>(g) << 5) | (b >> 3)] >> (b & 7)) & 1;
  }
  bool Empty() const { return empty_; }
  // The cube: byte (r << 13) | (g << 5) | (b >> 3) holds bit b & 7.
  const uint8_t* Cube() const { return cube_.get(); }

 private:
  std::unique_ptr<uint8_t[]> cube_;  // [r][g][32 bytes of 8 blue bits]
  bool empty_ = true;
};

// What a pick does to the kept-colour list.
enum class TPickOutcome {
  Ignored,  // within 3 of an entry: nothing changed
  Added,    // appended (it is now the last entry)
  Full,     // 50 entries already: nothing appended
};

// Entries of the whole list, kept and excluded together.
constexpr size_t MaxKeptColors = 50;

// The eyedropper's rule: ignore a colour within 3 of an entry, else append its
// text form unless the list is full.
TPickOutcome PickColor(std::vector<std::string>& entries, TColor color);

// One entry of a list holding both kinds: a kept colour or an excluded one.
struct TColorEntry {
  std::string Text;  // "#RRGGBB"
  bool Excluded = false;
  friend bool operator==(const TColorEntry&, const TColorEntry&) = default;
};

// The same rule on a list of both kinds: a colour within 3 of an entry of either
// kind is ignored, and the 50 entries are counted over the whole list.
TPickOutcome PickColor(std::vector<TColorEntry>& entries, TColor color, bool exclude);

}  // namespace velinor
