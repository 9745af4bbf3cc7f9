#include "core/files/RleBmp.h"

#include "core/files/ColorQuantizer.h"
#include "core/files/SafeFile.h"
#include "core/base/Errors.h"

namespace velinor {

namespace {

void Put16(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  v[at] = x & 0xFF;
  v[at + 1] = (x >> 8) & 0xFF;
}
void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  Put16(v, at, x & 0xFFFF);
  Put16(v, at + 2, x >> 16);
}

// Length of the run of equal bytes starting at i (at most 255).
int RunAt(const uint8_t* row, int i, int width) {
  int n = 1;
  while (i + n < width && n < 255 && row[i + n] == row[i]) ++n;
  return n;
}

void EncodeRow(const uint8_t* row, int width, std::vector<uint8_t>& out) {
  int i = 0;
  while (i < width) {
    const int run = RunAt(row, i, width);
    if (run >= 3) {
      out.push_back(static_cast<uint8_t>(run));
      out.push_back(row[i]);
      i += run;
      continue;
    }
    // Gather literal bytes until a run of three or more starts.
    int j = i;
    while (j < width && j - i < 255) {
      if (RunAt(row, j, width) >= 3) break;
      ++j;
    }
    const int literal = j - i;
    if (literal >= 3) {
      out.push_back(0);
      out.push_back(static_cast<uint8_t>(literal));
      out.insert(out.end(), row + i, row + j);
      if (literal & 1) out.push_back(0);  // absolute runs end on a word boundary
    } else {
      for (int k = i; k < j; ++k) {
        out.push_back(1);
        out.push_back(row[k]);
      }
    }
    i = j;
  }
}

}  // namespace

std::vector<uint8_t> EncodeRle8(const TBitmap& indexed) {
  if (indexed.PixelFormat() != TPixelFormat::pf8bit) throw EWriteError("RLE8: needs an 8-bit image");
  std::vector<uint8_t> out;
  out.reserve(static_cast<size_t>(indexed.Width()) * indexed.Height() / 4 + 16);
  for (int fy = 0; fy < indexed.Height(); ++fy) {
    EncodeRow(indexed.ScanLine(indexed.Height() - 1 - fy), indexed.Width(), out);
    out.push_back(0);
    out.push_back(fy == indexed.Height() - 1 ? 1 : 0);  // end of bitmap after the last row
  }
  return out;
}

std::vector<uint8_t> EncodeRle8Bmp(const TBitmap& bitmap) {
  if (bitmap.Empty()) throw EWriteError("RLE8: empty image");
  const TBitmap indexed = QuantizeToPalette(bitmap, 256);
  const std::vector<uint8_t> body = EncodeRle8(indexed);
  constexpr size_t paletteEntries = 256;
  const size_t offBits = 54 + 4 * paletteEntries;
  const uint64_t fileSize = offBits + body.size();
  if (fileSize > 0xFFFFFFFFu) throw EWriteError("RLE8: image too large for the format");
  std::vector<uint8_t> out(offBits, 0);
  out[0] = 'B';
  out[1] = 'M';
  Put32(out, 2, static_cast<uint32_t>(fileSize));
  Put32(out, 10, static_cast<uint32_t>(offBits));
  Put32(out, 14, 40);
  Put32(out, 18, static_cast<uint32_t>(indexed.Width()));
  Put32(out, 22, static_cast<uint32_t>(indexed.Height()));
  Put16(out, 26, 1);
  Put16(out, 28, 8);
  Put32(out, 30, 1);  // BI_RLE8
  Put32(out, 34, static_cast<uint32_t>(body.size()));
  Put32(out, 46, 256);
  Put32(out, 50, 0);
  for (size_t i = 0; i < paletteEntries; ++i) {
    const TColor c = i < indexed.Palette.size() ? indexed.Palette[i] : 0;
    out[54 + 4 * i] = GetBValue(c);
    out[54 + 4 * i + 1] = GetGValue(c);
    out[54 + 4 * i + 2] = GetRValue(c);
  }
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

void WriteRle8Bmp(const std::string& path, const TBitmap& bitmap) { WriteFileAtomically(path, EncodeRle8Bmp(bitmap)); }

}  // namespace velinor
