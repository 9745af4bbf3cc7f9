#pragma once
// PrintPage: the current image (or only its outline) stretched into the layout's
// print rectangle, with optional crop marks, on one page of the printer.
//
// The slow part, scaling the image down to the printer's pixels with area
// averaging, runs in bands before the printer is opened, calling pending between
// bands (the print command processes events there so that "Cancel" works). A job
// cancelled then never reaches the printing service. Once the page is opened it
// is drawn and ended without processing events. Failures of the service throw
// TPrintError.
#include <QImage>
#include <QPainter>
#include <functional>
#include <stdexcept>

#include "core/base/Bitmap.h"
#include "core/print/PrintLayout.h"
#include "gui/view/QtBitmap.h"

class QPrinter;

namespace velinor {

class TPrintError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TPrintJob {
 public:
  // pending: processes pending events; returns true when the job was cancelled.
  TPrintJob(QPrinter& printer, std::function<bool()> pending);
  ~TPrintJob();

  // Produces the page and draws it on the printer, sheets times one after the
  // other (a PDF file has no printing service to make copies); false when
  // cancelled (the printer was then never opened, or its job aborted).
  bool PrintPage(const TBitmap& image, const TPrintLayout& layout, int sheets = 1);
  // Ends the job: the printing service sends it to the printer.
  void EndJob();
  // Discards the job (nothing is printed).
  void AbortJob();
  bool Active() const { return painter_.isActive(); }

  // Rows of the scaled image produced between two calls of pending.
  static constexpr int BandRows = 64;

 private:
  bool Cancelled();
  bool PrepareImage(const TBitmap& image, const TRect& rect);
  void Begin();

  QPrinter& printer_;
  std::function<bool()> pending_;
  QPainter painter_;
  TBitmap scaled_;
  QImage source_;
};

// The page's drawing, separated from the job so that it is the same on any paint
// device: the image (when image is not null), else the outline, then the marks.
void DrawPrintPage(QPainter& painter, const QImage* image, const TPrintLayout& layout);


}  // namespace velinor
