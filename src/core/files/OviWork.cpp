#include "core/files/OviWork.h"

#include <cstring>
#include <exception>
#include <limits>
#include <utility>
#include <vector>

#include "core/base/Errors.h"
#include "core/files/OvImage.h"

namespace velinor {

namespace {

// The smallest block: length, tag, version, tolerance, flags, count, touch-up flag.
constexpr uint64_t MinWorkBlockSize = 4 + OviWorkTagLength + 1 + 4 + 1 + 4 + 1;

// Rows of one plane of the touch-ups (target or amount) within rect r.
template <class TPlane>
TRowFiller TouchUpRows(const TTouchUps& touchUps, TRect r, TPlane plane) {
  return [&touchUps, r, plane](uint64_t first, size_t count, uint8_t* dst) {
    for (size_t i = 0; i < count; ++i) {
      const int y = r.Top + static_cast<int>(first + i);
      for (int x = r.Left; x < r.Right; ++x) *dst++ = (touchUps.*plane)(x, y);
    }
  };
}

}  // namespace

void WriteWorkBlock(TOviWriter& out, const TKeepWork& work, int width, int height, int mode) {
  const TKeepInputs& in = work.Inputs;
  if (in.Colors.size() > MaxKeptColors) throw EWriteError("more kept colours than a list holds");
  const bool painted = !work.TouchUps.Empty();
  if (painted && (work.TouchUps.Width() != width || work.TouchUps.Height() != height ||
                  work.ComputedMask.Width() != width || work.ComputedMask.Height() != height))
    throw EWriteError("touch-ups of another size than the picture");
  // The block starts with its own length, so it is made whole at once; with
  // strokes that is compressing a mask, done beside the layers' bodies.
  const TRect r = work.TouchUps.Touched();
  // The colours as plain values, resolved here (a system colour asks the platform).
  std::vector<int32_t> colors;
  for (const TColorEntry& e : in.Colors)
    colors.push_back(static_cast<int32_t>(ResolveSystemColor(ParseColorText(e.Text, clNone, true)) & 0x00FFFFFF));
  const uint64_t cost = painted ? uint64_t{1} * width * height + 2 * uint64_t{1} * r.Width() * r.Height() : 0;
  out.WriteDeferred(
      [&work, colors = std::move(colors), r, painted, mode] {
        const TKeepInputs& in = work.Inputs;
        TOviWriter body(false);
        body.WriteBytes(OviWorkTag, OviWorkTagLength);
        body.WriteByte(OviWorkVersion);
        body.WriteInt32(in.Tolerance);
        body.WriteByte(static_cast<uint8_t>((in.Progressive ? owProgressive : 0) | (in.Gradient ? owGradient : 0) |
                                            (in.Sepia ? owSepia : 0)));
        body.WriteInt32(static_cast<int32_t>(in.Colors.size()));
        for (size_t i = 0; i < colors.size(); ++i) {
          body.WriteByte(in.Colors[i].Excluded ? 1 : 0);
          body.WriteInt32(colors[i]);
        }
        body.WriteByte(painted ? 1 : 0);
        if (painted) {
          WriteGreyImageBlock(body, work.ComputedMask, mode);
          for (int v : {r.Left, r.Top, r.Right, r.Bottom}) body.WriteInt32(v);
          WriteGreyPlaneBlock(body, r.Width(), r.Height(), TouchUpRows(work.TouchUps, r, &TTouchUps::Target), mode);
          WriteGreyPlaneBlock(body, r.Width(), r.Height(), TouchUpRows(work.TouchUps, r, &TTouchUps::Amount), mode);
        }
        const uint64_t length = 4 + body.ImmediateSize();
        if (length > static_cast<uint64_t>(std::numeric_limits<int32_t>::max()))
          throw EWriteError("work block too large for the file format");
        TOviWriter block(false);
        block.WriteInt32(static_cast<int32_t>(length));
        block.Append(std::move(body));
        return block.TakeBytes();
      },
      cost);
}

namespace {

// The block's contents after its length field; throws on anything out of place.
TKeepWork ParseWorkBlock(TOviSource& in, int width, int height) {
  char tag[OviWorkTagLength];
  in.Read(tag, sizeof tag);
  if (std::memcmp(tag, OviWorkTag, sizeof tag) != 0 || in.ReadByte() != OviWorkVersion)
    throw EReadError("not a work block");
  TKeepWork work;
  TKeepInputs& inputs = work.Inputs;
  inputs.Tolerance = in.ReadInt32();
  if (inputs.Tolerance < 1 || inputs.Tolerance > 100) throw EReadError("tolerance out of range");
  const uint8_t flags = in.ReadByte();
  if (flags & ~(owProgressive | owGradient | owSepia)) throw EReadError("unknown options");
  inputs.Progressive = flags & owProgressive;
  inputs.Gradient = flags & owGradient;
  inputs.Sepia = flags & owSepia;
  const int32_t count = in.ReadInt32();
  if (count < 0 || count > static_cast<int32_t>(MaxKeptColors)) throw EReadError("entry count out of range");
  for (int32_t i = 0; i < count; ++i) {
    const uint8_t kind = in.ReadByte();
    const uint32_t color = static_cast<uint32_t>(in.ReadInt32());
    if (kind > 1 || (color & 0xFF000000u) != 0) throw EReadError("invalid colour entry");
    inputs.Colors.push_back(TColorEntry{ColorToText(color), kind == 1});
  }
  const uint8_t painted = in.ReadByte();
  if (painted > 1) throw EReadError("invalid touch-up flag");
  if (painted == 1) {
    work.ComputedMask = GreyPlaneBitmap(ReadGreyPlaneBlock(in, width, height), width, height);
    TRect r;
    r.Left = in.ReadInt32();
    r.Top = in.ReadInt32();
    r.Right = in.ReadInt32();
    r.Bottom = in.ReadInt32();
    if (r.Left < 0 || r.Top < 0 || r.Left >= r.Right || r.Top >= r.Bottom || r.Right > width || r.Bottom > height)
      throw EReadError("touched rectangle outside the picture");
    const auto target = ReadGreyPlaneBlock(in, r.Width(), r.Height());
    const auto amount = ReadGreyPlaneBlock(in, r.Width(), r.Height());
    // Back into the layer the way the history gives a rectangle back.
    TBitmap region(r.Width(), r.Height(), TPixelFormat::pf24bit);
    for (int y = 0; y < r.Height(); ++y) {
      uint8_t* p = region.ScanLine(y);
      const size_t row = static_cast<size_t>(y) * r.Width();
      for (int x = 0; x < r.Width(); ++x, p += 3) {
        p[0] = target[row + x];
        p[1] = amount[row + x];
        p[2] = 0;
      }
    }
    work.TouchUps.SetRegion(width, height, TPoint{r.Left, r.Top}, region, r);
  }
  if (in.Remaining() != 0) throw EReadError("work block longer than its contents");
  return work;
}

}  // namespace

bool ReadWorkBlock(TOviSource& in, int width, int height, TKeepWork& work) {
  try {
    if (in.Remaining() < MinWorkBlockSize) return false;
    const int32_t length = in.ReadInt32();
    if (length < static_cast<int32_t>(MinWorkBlockSize) || static_cast<uint64_t>(length) - 4 > in.Remaining())
      return false;
    // The block alone, so that nothing in it can be read past its end.
    const std::vector<uint8_t> bytes = in.ReadBlob(static_cast<uint64_t>(length) - 4);
    TOviMemorySource block(bytes.data(), bytes.size());
    work = ParseWorkBlock(block, width, height);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace velinor
