#include "PrintPageCheck.h"

#include <gtest/gtest.h>

#include "support/PdfCheck.h"

namespace velinor::test {

namespace {
QRect ToQ(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }
}  // namespace

void CheckImage(const QImage& page, const TPrintLayout& layout) {
  const QRect r = ToQ(layout.PrintRect());
  // Marks start Near pixels away: a margin of half that holds only the image.
  const int margin = std::max(2, layout.CropNear() / 2);
  const QRect ink = InkBox(page, r.adjusted(-margin, -margin, margin, margin));
  EXPECT_NEAR(ink.left(), r.left(), 1);
  EXPECT_NEAR(ink.top(), r.top(), 1);
  EXPECT_NEAR(ink.right(), r.right(), 1);
  EXPECT_NEAR(ink.bottom(), r.bottom(), 1);
  const int midY = r.center().y();
  EXPECT_TRUE(IsReddish(page.pixel(r.left() + 2, midY)));
  EXPECT_TRUE(IsReddish(page.pixel(r.left() + r.width() / 4, r.top() + 2)));
  EXPECT_TRUE(IsBluish(page.pixel(r.right() - 2, midY)));
  EXPECT_TRUE(IsBluish(page.pixel(r.left() + 3 * r.width() / 4, r.bottom() - 2)));
}

void CheckOutline(const QImage& page, const TPrintLayout& layout) {
  const QRect r = ToQ(layout.PrintRect());
  const int midX = r.center().x() + 5, midY = r.center().y() + 5;  // off the centre marks
  EXPECT_TRUE(IsDark(page.pixel(r.left(), midY)));
  EXPECT_TRUE(IsDark(page.pixel(r.right(), midY)));
  EXPECT_TRUE(IsDark(page.pixel(midX, r.top())));
  EXPECT_TRUE(IsDark(page.pixel(midX, r.bottom())));
  EXPECT_TRUE(IsWhite(page.pixel(r.left() + 2, midY)));
  EXPECT_TRUE(IsWhite(page.pixel(r.right() - 2, midY)));
  EXPECT_TRUE(IsWhite(page.pixel(midX, r.top() + 2)));
  EXPECT_TRUE(IsWhite(page.pixel(midX, r.bottom() - 2)));
  EXPECT_TRUE(IsWhite(page.pixel(r.left() - 2, midY)));
  EXPECT_TRUE(IsWhite(page.pixel(midX, r.bottom() + 2)));
  const QRect ink = InkBox(page, r.adjusted(-2, -2, 2, 2));
  EXPECT_NEAR(ink.left(), r.left(), 1);
  EXPECT_NEAR(ink.right(), r.right(), 1);
  EXPECT_NEAR(ink.top(), r.top(), 1);
  EXPECT_NEAR(ink.bottom(), r.bottom(), 1);
  // Nothing of the image inside.
  for (int y = r.top() + 3; y < r.bottom() - 3; y += 7)
    for (int x = r.left() + 3; x < r.right() - 3; x += 7)
      ASSERT_TRUE(IsWhite(page.pixel(x, y))) << x << "," << y;
}

void CheckMarks(const QImage& page, const TPrintLayout& layout, size_t count) {
  const auto marks = layout.CropMarks();
  ASSERT_EQ(marks.size(), count);
  for (const TMarkLine& m : marks) {
    const TRect p = MarkPixels(m);
    const QRect q = ToQ(p);
    SCOPED_TRACE(QString("mark %1,%2 -> %3,%4").arg(m.From.X).arg(m.From.Y).arg(m.To.X).arg(m.To.Y).toStdString());
    // Its ink box, searched a little wider, matches the mark within a pixel.
    const QRect ink = InkBox(page, q.adjusted(-3, -3, 3, 3));
    ASSERT_FALSE(ink.isNull());
    EXPECT_NEAR(ink.left(), q.left(), 1);
    EXPECT_NEAR(ink.right(), q.right(), 1);
    EXPECT_NEAR(ink.top(), q.top(), 1);
    EXPECT_NEAR(ink.bottom(), q.bottom(), 1);
    // Solid black (not a grey smear) within a pixel of the mark's middle.
    bool dark = false;
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) dark = dark || IsDark(page.pixel(q.center() + QPoint(dx, dy)));
    EXPECT_TRUE(dark);
  }
}

}  // namespace velinor::test
