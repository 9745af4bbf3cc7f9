#include "core/files/RawHalfSize.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cstring>
#include <memory>
#include <vector>

#include "core/base/Parallel.h"
#include "core/files/DecodedPicture.h"

namespace velinor {

void SetRawOutputOptions(LibRaw& raw, bool halfSize) {
  libraw_output_params_t& o = raw.imgdata.params;
  o.use_camera_wb = 1;
  o.output_color = 1;  // sRGB
  o.output_bps = 8;
  o.gamm[0] = 1 / 2.4;  // the sRGB curve
  o.gamm[1] = 12.92;
  o.half_size = halfSize ? 1 : 0;
}

namespace {

// LibRaw's half-size processing, step by step, is: each 2x2 block of the
// mosaic becomes one pixel of four channels (R, G, B, second G), each channel
// less its black level (clamped at 0); every channel is scaled by the white
// balance and the range and clipped to 16 bits; the two greens are averaged;
// the camera matrix makes linear sRGB, clipped to 16 bits, and counted in a
// histogram; the histogram sets the white point of the output curve (about
// 1 % of the pixels clip); the curve gives 8 bits, read out turned upright.
// The same integer and float steps are taken here, in the same order, so the
// result is LibRaw's to the last bit or nearly so, without its four-channel
// working image and its single-threaded passes.

// What LibRaw's processing takes from its options, as this program sets them
// (anything else goes its own way).
bool PlainOptions(const libraw_output_params_t& o) {
  bool noUserBlack = o.user_black < 0;
  for (int c = 0; c < 4; ++c) noUserBlack = noUserBlack && o.user_cblack[c] <= -1000000;
  const bool noCrop = o.cropbox[2] == UINT_MAX || o.cropbox[3] == UINT_MAX;
  return o.half_size && o.use_camera_wb && !o.use_auto_wb && o.output_color == 1 && o.output_bps == 8 &&
         !o.four_color_rgb && o.user_mul[0] == 0 && noUserBlack && o.user_sat <= 0 && o.highlight == 0 &&
         o.threshold == 0 && o.aber[0] == 1 && o.aber[2] == 1 && o.med_passes <= 0 && o.exp_correc <= 0 &&
         !o.bad_pixels && !o.dark_frame && !o.camera_profile && !o.no_auto_scale && o.bright > 0 && noCrop;
}

// Bands of half-size rows for the parallel passes, about 32 K pixels each.
struct TBands {
  int Rows, PerBand, Count;
  TBands(int rows, int width)
      : Rows(rows), PerBand(std::max(1, (1 << 15) / std::max(1, width))), Count((rows + PerBand - 1) / PerBand) {}
  int First(int b) const { return b * PerBand; }
  int Last(int b) const { return std::min(Rows, (b + 1) * PerBand); }
};

class THalfSize {
 public:
  explicit THalfSize(TLibRaw& raw) : raw_(raw) {}

  bool Prepare() {
    if (!PlainOptions(raw_.imgdata.params) || !raw_.imgdata.rawdata.raw_image) return false;
    // The sizes, flip and layout LibRaw's processing starts from (its own
    // processing starts the same way, so a refusal below leaves nothing behind).
    raw_.raw2image_start();
    const libraw_iparams_t& id = raw_.imgdata.idata;
    const libraw_image_sizes_t& s = raw_.imgdata.sizes;
    const libraw_internal_output_params_t& io = raw_.get_internal_data_pointer()->internal_output_params;
    if (id.filters <= 1000 || id.colors != 3 || id.is_foveon || io.fuji_width || io.zero_is_bad || io.raw_color ||
        io.shrink != 1 || s.pixel_aspect != 1 || raw_.CorrectedLoader())
      return false;
    // A plain 2x2 pattern holding each of the four channels once.
    int seen = 0;
    for (int r = 0; r < 8; ++r)
      for (int c = 0; c < 2; ++c)
        if (raw_.FC(r, c) != raw_.FC(r & 1, c)) return false;
    for (int pos = 0; pos < 4; ++pos) {
      const int ch = raw_.FC(pos >> 1, pos & 1);
      channel_[pos] = ch;
      position_[ch] = pos;
      seen |= 1 << ch;
    }
    if (seen != 15) return false;
    const libraw_colordata_t& color = raw_.imgdata.color;
    if (!(color.cam_mul[0] > 0.00001f && color.cam_mul[2] > 0.00001f)) return false;  // LibRaw guesses one
    raw_.FoldBlackLevels();
    if (color.cblack[4] && color.cblack[5]) return false;  // a black pattern larger than the block
    for (int ch = 0; ch < 4; ++ch) black_[ch] = static_cast<uint16_t>(color.cblack[ch]);

    width_ = s.iwidth;
    height_ = s.iheight;
    flip_ = s.flip;
    rawRows_ = std::max(0, std::min<int>(s.height, int{s.raw_height} - s.top_margin));
    rawCols_ = std::max(0, std::min<int>(s.width, int{s.raw_width} - s.left_margin));
    pitch_ = s.raw_pitch / 2;
    origin_ = raw_.imgdata.rawdata.raw_image + static_cast<size_t>(s.top_margin) * pitch_ + s.left_margin;
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) toRgb_[i][j] = color.rgb_cam[i][j];
    return width_ > 0 && height_ > 0;
  }

  void Run(TBitmap& out) {
    ComputeScale(DataMaximum());
    const int outW = (flip_ & 4) ? height_ : width_;
    const int outH = (flip_ & 4) ? width_ : height_;
    CheckDecodedSize(outW, outH, 3);
    const size_t pixels = static_cast<size_t>(width_) * static_cast<size_t>(height_);
    std::unique_ptr<uint16_t[]> rgb(new uint16_t[pixels * 3]);
    std::vector<uint8_t> lut = OutputCurve(Linear(rgb.get()));
    TBitmap b(outW, outH, TPixelFormat::pf24bit);
    ReadOut(rgb.get(), lut.data(), b);
    out = std::move(b);
  }

 private:
  // A stored row of the visible mosaic (y below rawRows_).
  const uint16_t* Row(int y) const { return origin_ + static_cast<size_t>(y) * pitch_; }

  // The largest sample above its black level (LibRaw's data maximum); keeps
  // the largest sample at each place of the block in most_.
  unsigned DataMaximum() {
    TBands bands(rawRows_, rawCols_);
    const int slots = ParallelThreads(bands.Count, int64_t{rawRows_} * rawCols_);
    std::vector<uint16_t> most(static_cast<size_t>(slots) * 4, 0);
    ParallelBlocks(bands.Count, int64_t{rawRows_} * rawCols_, [&](int band, int slot) {
      uint16_t* m = &most[static_cast<size_t>(slot) * 4];
      for (int y = bands.First(band); y < bands.Last(band); ++y) {
        const uint16_t* p = Row(y);
        uint16_t even = 0, odd = 0;
        int x = 0;
        for (; x + 1 < rawCols_; x += 2) {
          even = std::max(even, p[x]);
          odd = std::max(odd, p[x + 1]);
        }
        if (x < rawCols_) even = std::max(even, p[x]);
        uint16_t* mr = m + (y & 1) * 2;
        mr[0] = std::max(mr[0], even);
        mr[1] = std::max(mr[1], odd);
      }
    });
    unsigned dmax = 0;
    for (int pos = 0; pos < 4; ++pos) {
      most_[pos] = 0;
      for (int slot = 0; slot < slots; ++slot)
        most_[pos] = std::max<unsigned>(most_[pos], most[static_cast<size_t>(slot) * 4 + pos]);
      const unsigned b = black_[channel_[pos]];
      if (most_[pos] > b) dmax = std::max(dmax, most_[pos] - b);
    }
    return dmax;
  }

  // LibRaw's white level and white balance: scale_[ch] maps the channel onto 16 bits.
  void ComputeScale(unsigned dataMaximum) {
    const libraw_colordata_t& color = raw_.imgdata.color;
    const libraw_output_params_t& o = raw_.imgdata.params;
    unsigned maximum = color.maximum - color.black;
    libraw_decoder_info_t decoder;
    raw_.get_decoder_info(&decoder);
    if (!(decoder.decoder_flags & LIBRAW_DECODER_FIXEDMAXC) && o.adjust_maximum_thr >= 0.00001) {
      // A white level well above every sample is lowered to the largest one.
      const float threshold = o.adjust_maximum_thr > 0.99999 ? float(LIBRAW_DEFAULT_ADJUST_MAXIMUM_THRESHOLD)
                                                              : o.adjust_maximum_thr;
      const uint16_t realMax = static_cast<uint16_t>(dataMaximum);
      if (realMax > 0 && realMax < maximum && realMax > maximum * threshold) maximum = realMax;
    }
    // The camera's white balance (a few old cameras give it as a white patch).
    float pre[4];
    std::memcpy(pre, color.pre_mul, sizeof pre);
    unsigned sum[8] = {};
    for (int row = 0; row < 8; ++row)
      for (int col = 0; col < 8; ++col) {
        const int c = raw_.FC(row, col);
        if (color.white[row][col] > 0) sum[c] += color.white[row][col];
        ++sum[c + 4];
      }
    if (color.as_shot_wb_applied) {
      pre[0] = pre[1] = pre[2] = pre[3] = 1;
    } else if (sum[0] && sum[1] && sum[2] && sum[3]) {
      for (int c = 0; c < 4; ++c) pre[c] = static_cast<float>(sum[c + 4]) / sum[c];
    } else {
      std::memcpy(pre, color.cam_mul, sizeof pre);
    }
    if (pre[1] == 0) pre[1] = 1;
    if (pre[3] == 0) pre[3] = pre[1];
    double least = DBL_MAX;
    for (int c = 0; c < 4; ++c) least = std::min<double>(least, pre[c]);
    // Without highlight recovery the weakest channel sets the range: the others clip.
    for (int c = 0; c < 4; ++c) {
      if (least > 0.00001 && maximum > 0) {
        pre[c] = static_cast<float>(pre[c] / least);
        scale_[c] = static_cast<float>(pre[c] * 65535.0 / maximum);
      } else {
        scale_[c] = 1;
      }
    }
  }

  // A sample less its black level, scaled, on 16 bits.
  static uint16_t Scaled(uint16_t v, uint16_t black, float scale) {
    const float f = static_cast<float>(v > black ? v - black : 0) * scale;
    return f >= 65535.f ? 65535 : static_cast<uint16_t>(f);
  }

  // rgb := the linear sRGB picture on 16 bits (3 a pixel, rows of width_);
  // returns its histogram (3 channels of LIBRAW_HISTOGRAM_SIZE, 8 levels a step).
  std::vector<int> Linear(uint16_t* rgb) const {
    constexpr int Steps = LIBRAW_HISTOGRAM_SIZE;
    // Each place's scaled sample for every value stored there.
    std::vector<uint16_t> tables[4];
    for (int pos = 0; pos < 4; ++pos) {
      const int ch = channel_[pos];
      tables[pos].resize(size_t{most_[pos]} + 1);
      for (unsigned v = 0; v <= most_[pos]; ++v)
        tables[pos][v] = Scaled(static_cast<uint16_t>(v), black_[ch], scale_[ch]);
    }
    TBands bands(height_, width_);
    const int64_t work = int64_t{width_} * height_;
    const int slots = ParallelThreads(bands.Count, work);
    // Two histograms a slot, for even and odd pixels: neighbours often fall in
    // the same step, and counting them apart keeps the counts from waiting on each other.
    std::vector<int> histogram(static_cast<size_t>(slots) * 6 * Steps, 0);
    // Each slot's row of camera R, G, B, and of sRGB R, G, B.
    std::vector<float> camRows(static_cast<size_t>(slots) * 3 * width_);
    std::vector<int32_t> outRows(static_cast<size_t>(slots) * 3 * width_);
    const std::vector<uint16_t> zeros(static_cast<size_t>(rawCols_) + 2, 0);
    const int fullCols = std::min(width_, rawCols_ / 2);  // blocks with both columns stored
    const float(&m)[3][3] = toRgb_;
    ParallelBlocks(bands.Count, work, [&](int band, int slot) {
      const int w = width_;
      int* hist = &histogram[static_cast<size_t>(slot) * 6 * Steps];
      float* cam[3];
      int32_t* out[3];
      for (int i = 0; i < 3; ++i) {
        cam[i] = &camRows[(static_cast<size_t>(slot) * 3 + i) * w];
        out[i] = &outRows[(static_cast<size_t>(slot) * 3 + i) * w];
      }
      for (int y = bands.First(band); y < bands.Last(band); ++y) {
        const uint16_t* rows[2] = {2 * y < rawRows_ ? Row(2 * y) : zeros.data(),
                                   2 * y + 1 < rawRows_ ? Row(2 * y + 1) : zeros.data()};
        // The block's channels: R, the mean of the two greens, B.
        auto place = [&](int ch) { return rows[position_[ch] >> 1] + (position_[ch] & 1); };
        auto table = [&](int ch) { return tables[position_[ch]].data(); };
        const uint16_t *sr = place(0), *sg = place(1), *sb = place(2), *sg2 = place(3);
        const uint16_t *tr = table(0), *tg = table(1), *tb = table(2), *tg2 = table(3);
        for (int x = 0; x < fullCols; ++x) {
          cam[0][x] = tr[sr[2 * x]];
          cam[1][x] = (tg[sg[2 * x]] + tg2[sg2[2 * x]]) >> 1;
          cam[2][x] = tb[sb[2 * x]];
        }
        for (int x = fullCols; x < w; ++x) {  // the last, partly stored column
          int s[4];
          for (int ch = 0; ch < 4; ++ch) {
            const int c = 2 * x + (position_[ch] & 1);
            s[ch] = c < rawCols_ ? table(ch)[place(ch)[2 * x]] : 0;
          }
          cam[0][x] = s[0], cam[1][x] = (s[1] + s[3]) >> 1, cam[2][x] = s[2];
        }
        // Camera to linear sRGB: LibRaw's sums, in its order, clipped to 16 bits.
        for (int i = 0; i < 3; ++i) {
          const float m0 = m[i][0], m1 = m[i][1], m2 = m[i][2];
          const float* __restrict c0 = cam[0];
          const float* __restrict c1 = cam[1];
          const float* __restrict c2 = cam[2];
          int32_t* __restrict o = out[i];
          for (int x = 0; x < w; ++x) {
            float v = m0 * c0[x] + m1 * c1[x] + m2 * c2[x];
            v = v > 0.f ? v : 0.f;
            v = v < 65535.f ? v : 65535.f;
            o[x] = static_cast<int32_t>(v);
          }
        }
        uint16_t* d = rgb + static_cast<size_t>(y) * w * 3;
        for (int x = 0; x < w; ++x, d += 3) {
          int* h = hist + (x & 1) * 3 * Steps;
          for (int i = 0; i < 3; ++i) {
            const int v = out[i][x];
            d[i] = static_cast<uint16_t>(v);
            ++h[i * Steps + (v >> 3)];
          }
        }
      }
    });
    for (size_t part = 1; part < static_cast<size_t>(slots) * 2; ++part)
      for (int i = 0; i < 3 * Steps; ++i) histogram[i] += histogram[part * 3 * Steps + i];
    histogram.resize(3 * Steps);
    return histogram;
  }

  // The 16-bit to 8-bit output table: LibRaw's curve, its white point where
  // about auto_bright_thr of the pixels clip (unless no_auto_bright).
  std::vector<uint8_t> OutputCurve(const std::vector<int>& histogram) {
    constexpr int Steps = LIBRAW_HISTOGRAM_SIZE;
    const libraw_output_params_t& o = raw_.imgdata.params;
    const int perc = static_cast<int>(static_cast<float>(width_ * height_) * o.auto_bright_thr);
    int white = Steps;
    if (!((o.highlight & ~2) || o.no_auto_bright)) {
      white = 0;
      for (int c = 0; c < 3; ++c) {
        int val = Steps, total = 0;
        while (--val > 32)
          if ((total += histogram[static_cast<size_t>(c) * Steps + val]) > perc) break;
        white = std::max(white, val);
      }
    }
    raw_.MakeOutputCurve(static_cast<int>((white << 3) / o.bright));
    std::vector<uint8_t> lut(0x10000);
    for (int v = 0; v < 0x10000; ++v) lut[v] = static_cast<uint8_t>(raw_.imgdata.color.curve[v] >> 8);
    return lut;
  }

  // The picture through the curve, turned as LibRaw's flip says, as B,G,R.
  void ReadOut(const uint16_t* rgb, const uint8_t* lut, TBitmap& b) const {
    auto index = [&](int row, int col) {
      if (flip_ & 4) std::swap(row, col);
      if (flip_ & 2) row = height_ - 1 - row;
      if (flip_ & 1) col = width_ - 1 - col;
      return static_cast<ptrdiff_t>(row) * width_ + col;
    };
    const ptrdiff_t step = b.Width() > 1 ? (index(0, 1) - index(0, 0)) * 3 : 0;
    ParallelRows(0, b.Height(), b.Width(), [&](int first, int last) {
      for (int y = first; y < last; ++y) {
        const uint16_t* s = rgb + index(y, 0) * 3;
        uint8_t* d = b.ScanLine(y);
        for (int x = 0; x < b.Width(); ++x, d += 3, s += step) {
          d[0] = lut[s[2]];
          d[1] = lut[s[1]];
          d[2] = lut[s[0]];
        }
      }
    });
  }

  TLibRaw& raw_;
  int channel_[4] = {};   // LibRaw's channel at each place of a block (0 R, 1 G, 2 B, 3 second G)
  int position_[4] = {};  // and the place of each channel
  uint16_t black_[4] = {};
  unsigned most_[4] = {};  // the largest sample stored at each place of the block
  float scale_[4] = {};
  float toRgb_[3][3] = {};
  int width_ = 0, height_ = 0, flip_ = 0;  // the half-size picture, before turning
  int rawRows_ = 0, rawCols_ = 0;           // the visible mosaic's stored rows and columns
  size_t pitch_ = 0;
  const uint16_t* origin_ = nullptr;  // its first sample
};

}  // namespace

bool QuickHalfSize(TLibRaw& raw, TBitmap& out) {
  THalfSize half(raw);
  if (!half.Prepare()) return false;
  half.Run(out);
  return true;
}

}  // namespace velinor
