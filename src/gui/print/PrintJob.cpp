#include "gui/print/PrintJob.h"

#include <QFile>
#include <algorithm>
#include <QPrinter>

#include "core/view/StretchCopy.h"

namespace velinor {

void DrawPrintPage(QPainter& painter, const QImage* image, const TPrintLayout& layout) {
  const TRect r = layout.PrintRect();
  const QRect target(r.Left, r.Top, r.Width(), r.Height());
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  if (image) {
    if (!target.isEmpty() && !image->isNull()) painter.drawImage(target, *image);
  } else if (!target.isEmpty()) {
    // A one-pixel black outline on the rectangle's outermost pixels.
    painter.fillRect(QRect(r.Left, r.Top, r.Width(), 1), Qt::black);
    painter.fillRect(QRect(r.Left, r.Bottom - 1, r.Width(), 1), Qt::black);
    painter.fillRect(QRect(r.Left, r.Top, 1, r.Height()), Qt::black);
    painter.fillRect(QRect(r.Right - 1, r.Top, 1, r.Height()), Qt::black);
  }
  if (layout.Traits()) {
    for (const TMarkLine& line : layout.CropMarks()) {
      const TRect p = MarkPixels(line);
      if (!p.IsEmpty()) painter.fillRect(QRect(p.Left, p.Top, p.Width(), p.Height()), Qt::black);
    }
  }
}

TPrintJob::TPrintJob(QPrinter& printer, std::function<bool()> pending)
    : printer_(printer), pending_(std::move(pending)) {}

TPrintJob::~TPrintJob() {
  if (painter_.isActive()) AbortJob();
}

bool TPrintJob::Cancelled() { return pending_ && pending_(); }

bool TPrintJob::PrepareImage(const TBitmap& image, const TRect& rect) {
  const int w = rect.Width(), h = rect.Height();
  if (w <= 0 || h <= 0 || image.Empty()) return !Cancelled();
  if (w > image.Width() || h > image.Height()) {
    // Enlarged: every printer pixel takes the image pixel under it, which is what
    // an area average gives inside a pixel; the device does it without a copy.
    source_ = WrapBitmap(image);
    return !Cancelled();
  }
  // Reduced: average the image down to the printer's pixels, band by band.
  scaled_ = TBitmap(w, h, TPixelFormat::pf24bit);
  const TRect all{0, 0, image.Width(), image.Height()};
  const TRect dest{0, 0, w, h};
  TBitmap source24;
  const TBitmap* src = &WithoutPalette(image, source24);
  for (int y = 0; y < h; y += BandRows) {
    StretchCopyAveraged(*src, all, scaled_, dest, TRect{0, y, w, std::min(h, y + BandRows)});
    if (Cancelled()) return false;
  }
  source_ = WrapBitmap(scaled_);
  return true;
}

void TPrintJob::Begin() {
  if (!painter_.begin(&printer_)) throw TPrintError("The printer could not start the job.");
}

bool TPrintJob::PrintPage(const TBitmap& image, const TPrintLayout& layout, int sheets) {
  const bool outline = layout.Contours();
  if (!outline && !PrepareImage(image, layout.PrintRect())) return false;
  if (!outline && Cancelled()) return false;
  // From here to EndJob no events are processed: Qt's PDF and CUPS printers
  // cannot abort a page once it is begun (their abort() refuses), so the page is
  // only opened once everything slow is done.
  Begin();
  for (int sheet = 0; sheet < std::max(sheets, 1); ++sheet) {
    if (sheet > 0 && !printer_.newPage()) throw TPrintError("The printer could not start a new page.");
    DrawPrintPage(painter_, outline ? nullptr : &source_, layout);
  }
  return true;
}

void TPrintJob::EndJob() {
  if (!painter_.isActive()) return;
  const bool ended = painter_.end();
  scaled_.Clear();
  source_ = QImage();
  if (!ended || printer_.printerState() == QPrinter::Error)
    throw TPrintError("The printer could not finish the job.");
}

void TPrintJob::AbortJob() {
  if (painter_.isActive()) {
    // Best effort: where the printer cannot abort, a file it writes is removed.
    const bool aborted = printer_.abort();
    painter_.end();
    if (!aborted && printer_.outputFormat() == QPrinter::PdfFormat &&
        !printer_.outputFileName().isEmpty())
      QFile::remove(printer_.outputFileName());
  }
  scaled_.Clear();
  source_ = QImage();
}

}  // namespace velinor
