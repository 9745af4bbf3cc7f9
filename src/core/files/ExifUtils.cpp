#include "core/files/ExifUtils.h"

#include <cmath>
#include <cstdio>

#include "core/base/Arith.h"
#include "core/base/Errors.h"

namespace velinor {

namespace {

enum : uint16_t { tyAscii = 2, tyShort = 3, tyLong = 4, tyRational = 5, tyUndefined = 7 };

void Put16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(static_cast<uint8_t>(x));
  v.push_back(static_cast<uint8_t>(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
  Put16(v, x & 0xFFFF);
  Put16(v, x >> 16);
}

// One IFD being built: entries as 12-byte records, long values in their own
// area; out-of-line offsets are relative to that area until laid out.
struct TIfd {
  struct Entry {
    uint16_t Tag, Type;
    uint32_t Count;
    uint8_t Value[4];
    bool OutOfLine;
  };
  std::vector<Entry> Entries;
  std::vector<uint8_t> Area;

  void Add(uint16_t tag, uint16_t type, uint32_t count, const std::vector<uint8_t>& bytes) {
    Entry e{tag, type, count, {0, 0, 0, 0}, bytes.size() > 4};
    if (e.OutOfLine) {
      const uint32_t at = static_cast<uint32_t>(Area.size());
      for (int i = 0; i < 4; ++i) e.Value[i] = static_cast<uint8_t>(at >> (8 * i));
      Area.insert(Area.end(), bytes.begin(), bytes.end());
    } else {
      for (size_t i = 0; i < bytes.size(); ++i) e.Value[i] = bytes[i];
    }
    Entries.push_back(e);
  }
  void AddAscii(uint16_t tag, const std::string& text) {
    std::vector<uint8_t> b(text.begin(), text.end());
    b.push_back(0);
    Add(tag, tyAscii, static_cast<uint32_t>(b.size()), b);
  }
  void AddShort(uint16_t tag, uint32_t value) {
    std::vector<uint8_t> b;
    Put16(b, value);
    Add(tag, tyShort, 1, b);
  }
  void AddLong(uint16_t tag, uint32_t value) {
    std::vector<uint8_t> b;
    Put32(b, value);
    Add(tag, tyLong, 1, b);
  }
  void AddRational(uint16_t tag, uint32_t num, uint32_t den) {
    std::vector<uint8_t> b;
    Put32(b, num);
    Put32(b, den);
    Add(tag, tyRational, 1, b);
  }
  // Entry count, entries, next-IFD offset 0, value area; areaOffset is the TIFF
  // offset at which the value area lands.
  void Write(std::vector<uint8_t>& out, uint32_t areaOffset) const {
    Put16(out, static_cast<uint32_t>(Entries.size()));
    for (const Entry& e : Entries) {
      Put16(out, e.Tag);
      Put16(out, e.Type);
      Put32(out, e.Count);
      if (e.OutOfLine) {
        const uint32_t rel = e.Value[0] | e.Value[1] << 8 | e.Value[2] << 16 | static_cast<uint32_t>(e.Value[3]) << 24;
        Put32(out, rel + areaOffset);
      } else {
        out.insert(out.end(), e.Value, e.Value + 4);
      }
    }
    Put32(out, 0);
    out.insert(out.end(), Area.begin(), Area.end());
  }
};

void ResolutionRational(double dpi, uint32_t& num, uint32_t& den) {
  const double frac = dpi - std::trunc(dpi);
  if (frac >= 0.001) {
    num = static_cast<uint32_t>(Trunc(dpi * 1000));
    den = 1000;
  } else {
    num = static_cast<uint32_t>(Trunc(dpi));
    den = 1;
  }
}

}  // namespace

std::vector<uint8_t> BuildExifBlock(const TExifFields& f) {
  TIfd ifd0, exif;
  if (!f.Make.empty()) ifd0.AddAscii(271, f.Make);
  if (!f.Model.empty()) ifd0.AddAscii(272, f.Model);
  ifd0.AddShort(274, 1);
  uint32_t num = 0, den = 1;
  ResolutionRational(f.Resolution, num, den);
  ifd0.AddRational(282, num, den);
  ifd0.AddRational(283, num, den);
  ifd0.AddShort(296, 2);
  if (!f.Software.empty()) ifd0.AddAscii(305, f.Software);
  ifd0.AddAscii(306, f.DateTime);
  // The Exif IFD follows IFD0's value area: 8 (IFD0's TIFF offset) + 2 (count)
  // + 12 per entry (this one included) + 4 (next-IFD) + the area.
  ifd0.AddLong(34665, static_cast<uint32_t>(12 * ifd0.Entries.size() + ifd0.Area.size() + 26));
  exif.Add(36864, tyUndefined, 4, {'0', '2', '1', '0'});
  exif.AddShort(40962, static_cast<uint32_t>(f.Width));
  exif.AddShort(40963, static_cast<uint32_t>(f.Height));

  const uint32_t n0 = static_cast<uint32_t>(ifd0.Entries.size());
  const uint32_t v0 = static_cast<uint32_t>(ifd0.Area.size());
  const uint32_t n1 = static_cast<uint32_t>(exif.Entries.size());
  const uint64_t length = 28 + 12 * uint64_t{n0} + v0 + 12 * uint64_t{n1} + exif.Area.size();
  if (length > 0xFFFF) throw EWriteError("EXIF block too long");

  std::vector<uint8_t> out;
  out.reserve(length);
  out.push_back(static_cast<uint8_t>(length >> 8));
  out.push_back(static_cast<uint8_t>(length));
  for (char c : {'E', 'x', 'i', 'f', '\0', '\0'}) out.push_back(static_cast<uint8_t>(c));
  out.push_back('I');
  out.push_back('I');
  Put16(out, 42);
  Put32(out, 8);
  ifd0.Write(out, 14 + 12 * n0);
  exif.Write(out, 20 + 12 * n0 + v0 + 12 * n1);
  return out;
}

std::string ExifDateTime(std::time_t when) {
  std::tm t{};
  localtime_r(&when, &t);
  char text[96];
  std::snprintf(text, sizeof text, "%04d:%02d:%02d %02d:%02d:%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                t.tm_hour, t.tm_min, t.tm_sec);
  return text;
}

const std::string& ApplicationTitle() {
  static const std::string title = "Velinor";
  return title;
}

}  // namespace velinor
