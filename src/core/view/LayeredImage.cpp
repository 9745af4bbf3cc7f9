#include "LayeredImage.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "base/Arith.h"
#include "base/Errors.h"
#include "engine/CopyFamily.h"
#include "engine/ToneCompositing.h"
#include "files/OvImage.h"
#include "files/OviStream.h"
#include "files/SafeFile.h"

namespace velinor {

// ---- TLayerList ---------------------------------------------------------------------

int TLayerList::Add(std::unique_ptr<TLayerItem> item) {
  items_.push_back(std::move(item));
  return Count() - 1;
}

void TLayerList::Delete(int index) {
  if (index < 0 || index >= Count()) throw std::out_of_range("TLayerList::Delete: no such layer");
  items_.erase(items_.begin() + index);
  if (owner_.CurrentLayer >= Count()) owner_.CurrentLayer = Count() - 1;
}

void TLayerList::Clear() {
  while (!items_.empty()) items_.erase(items_.begin());
  owner_.CurrentLayer = -1;
}

int TLayerList::IndexOf(const TLayerItem* item) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].get() == item) return static_cast<int>(i);
  return -1;
}

void TLayerList::WriteLayers(TOviWriter& out, const TBitmap* composite) const {
  out.WriteInt32(Count());
  const int mode = TOviWriteOptions{}.CompressionMode;
  if (composite) {
    // A freshly created layer named "Preview" carrying the composite; not counted.
    TLayerItem preview;
    preview.Name = "Preview";
    preview.Opacity = 100;
    WriteLayerRecord(out, preview, *composite, mode);
  }
  for (const auto& item : items_) WriteLayerRecord(out, *item, item->Image, mode);
}

// ---- TMyImageLayered ----------------------------------------------------------------

int TMyImageLayered::AddLayer(const TBitmap& image, const TBitmap* mask, const std::string& name,
                              int opacity, TPoint position) {
  auto item = std::make_unique<TLayerItem>();
  item->Name = name;
  item->Kind = lkBitmap;
  item->Image.Assign(image);
  item->Image.SetPixelFormat(TPixelFormat::pf24bit);
  if (mask) {
    item->Mask.Assign(*mask);
    item->Mask.SetPixelFormat(TPixelFormat::pf24bit);
  }
  item->X = position.X;
  item->Y = position.Y;
  item->Opacity = static_cast<uint8_t>(Clamp(opacity, 0, 100));
  CurrentLayer = Layers.Add(std::move(item));
  return CurrentLayer;
}

void TMyImageLayered::SetSingleLayer(const TBitmap& image, const TBitmap* mask,
                                     const std::string& name) {
  Layers.Clear();
  AddLayer(image, mask, name, 100, TPoint{0, 0});
  Layers.Items(0).Image.OnChange = [this] { SizeToFirstLayer(); };
  SizeToFirstLayer();
}

void TMyImageLayered::SizeToFirstLayer() {
  if (Layers.Count() == 0) return;
  const TBitmap& first = Layers.Items(0).Image;
  if (Bitmap.Width() != first.Width() || Bitmap.Height() != first.Height())
    NewFilledBitmap(Bitmap, first.Width(), first.Height(), 0xFFFFFF);
}

void TMyImageLayered::Flatten() {
  if (Layers.Count() == 0 || Bitmap.Empty()) return;
  const TRect whole = BitmapBounds(Bitmap);

  // The background shows wherever layer 0 does not cover the composite opaquely;
  // elsewhere it is painted over in full, so the fill can be saved.
  const TLayerItem& base = Layers.Items(0);
  const bool baseCovers = base.Visible && base.Kind == lkBitmap && base.BlendMode == 0 &&
                          base.Opacity >= 100 && !base.Image.Transparent && base.Mask.Empty() &&
                          base.X <= 0 && base.Y <= 0 &&
                          int64_t{base.X} + base.Image.Width() >= Bitmap.Width() &&
                          int64_t{base.Y} + base.Image.Height() >= Bitmap.Height();
  if (!baseCovers) TintRect(Bitmap, BackgroundColor, 100, whole);

  for (int i = 0; i < Layers.Count(); ++i) {
    const TLayerItem& layer = Layers.Items(i);
    // Only bitmap layers in normal mode are composited.
    if (!layer.Visible || layer.Opacity == 0 || layer.Kind != lkBitmap || layer.BlendMode != 0 ||
        layer.Image.Empty())
      continue;
    const int opacity = layer.Opacity > 100 ? 100 : layer.Opacity;
    if (!layer.Mask.Empty())
      BlendThroughMaskOpacity(layer.Image, BitmapBounds(layer.Image), Bitmap, layer.X, layer.Y,
                              whole, &layer.Mask, opacity);
    else
      CopyRectOpacity(layer.Image, BitmapBounds(layer.Image), Bitmap, layer.X, layer.Y, whole,
                      opacity);
  }
}

void TMyImageLayered::SaveLayeredStream(TOviWriter& out) {
  const TOviWriteOptions options;
  SizeToFirstLayer();

  TOviHeader header;
  header.Version = OviVersion;
  header.Width = Bitmap.Width();
  header.Height = Bitmap.Height();
  auto thousandths = [](double v) {
    const double t = v * 1000.0;
    if (!(t == t)) return int32_t{0};
    return static_cast<int32_t>(Clamp<double>(std::trunc(t), -2147483648.0, 2147483647.0));
  };
  header.ResolutionX = thousandths(ResolutionX);
  header.ResolutionY = thousandths(ResolutionY);
  header.Comment = Comment;
  header.ColorCount = Layers.Count() > 0 && !Layers.Items(0).Mask.Empty() ? -1 : ColorCount;
  WriteOviHeader(out, header);

  Flatten();
  WriteThumbnailBlock(out, MakeOviThumbnail(Bitmap, options.ThumbnailBox), options.CompressionMode);
  Layers.WriteLayers(out, Layers.Count() >= 2 ? &Bitmap : nullptr);
}

std::vector<uint8_t> TMyImageLayered::SaveLayeredStream() {
  TOviWriter out;
  SaveLayeredStream(out);
  return out.TakeBytes();
}

void TMyImageLayered::SaveLayeredFile(const std::string& fileName) {
  TOviWriter out;
  SaveLayeredStream(out);
  SaveAtomically(fileName, [&](const std::string& tempPath) {
    const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) throw EWriteError("cannot create " + tempPath + ": " + std::strerror(errno));
    uint64_t written = 0;
    try {
      out.Finish([&](const uint8_t* p, size_t n) {
        const uint64_t start = written;
        while (n > 0) {
          const ssize_t k = ::write(fd, p, n);
          if (k < 0 && errno == EINTR) continue;
          if (k <= 0) throw EWriteError("cannot write " + fileName + ": " + std::strerror(errno));
          p += k;
          n -= static_cast<size_t>(k);
          written += static_cast<uint64_t>(k);
        }
        // Start putting large parts on disk now, while later bodies still
        // compress, so that the final flush has little left to do.
        if (written - start >= (uint64_t{1} << 20))
          ::sync_file_range(fd, static_cast<off_t>(start), static_cast<off_t>(written - start),
                            SYNC_FILE_RANGE_WRITE);
      });
    } catch (...) {
      ::close(fd);
      throw;
    }
    if (::close(fd) != 0) throw EWriteError("cannot write " + fileName + ": " + std::strerror(errno));
  });
}

void WriteSingleLayerOvi(const std::string& fileName, const TBitmap& image) {
  TMyImageLayered doc;
  doc.SetSingleLayer(image, nullptr, "#0");
  doc.SaveLayeredFile(fileName);
}

}  // namespace velinor
