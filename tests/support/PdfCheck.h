#pragma once
// Helpers for the print tests: a PDF printer with a known page, rasterising what
// was printed with pdftoppm, and looking at the pixels.
#include <QImage>
#include <QPrinter>
#include <QString>
#include <optional>

#include "core/base/Bitmap.h"
#include "core/base/Geometry.h"

namespace velinor::test {

// The full path of a command, or empty when it is not installed.
QString FindTool(const QString& name);

// Runs a program with a time limit; true when it exited with 0.
bool RunTool(const QString& program, const QStringList& args, int timeoutMs = 60000,
             QString* output = nullptr);

// Sets a borderless page of widthPt x heightPt points (portrait dimensions; the
// dialog turns it) at dpi on printer.
void SetPage(QPrinter& printer, double widthPt, double heightPt, int dpi);

// Rasterises page 1 of pdf at dpi without antialiasing; null image on failure.
QImage Rasterise(const QString& pdf, int dpi);
// Number of pages of pdf (pdfinfo), or -1.
int PageCount(const QString& pdf);

// Test photo: left half red, right half blue, a green top row band of 'band' rows.
TBitmap TestPhoto(int w, int h);

bool IsDark(QRgb c);
bool IsWhite(QRgb c);
bool IsReddish(QRgb c);
bool IsBluish(QRgb c);

// The bounding box of the non-white pixels of img inside area.
QRect InkBox(const QImage& img, const QRect& area);

}  // namespace velinor::test
