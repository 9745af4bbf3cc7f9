#include <gtest/gtest.h>

#include "gui/app/DialogSeam.h"
#include "gui/app/TextRules.h"
#include "gui/view/ScrollLayout.h"

namespace velinor {
namespace {

TEST(RecentFiles, NewNamesGoOnTopAndKnownNamesMoveUpWhateverTheirCase) {
  QStringList r{"/p/A", "/p/B", "/p/C", "/p/D"};
  AddRecentFile(r, "/p/E");
  EXPECT_EQ(r, (QStringList{"/p/E", "/p/A", "/p/B", "/p/C"}));
  AddRecentFile(r, "/p/C");
  EXPECT_EQ(r, (QStringList{"/p/C", "/p/E", "/p/A", "/p/B"}));
  AddRecentFile(r, "/p/b");
  EXPECT_EQ(r, (QStringList{"/p/B", "/p/C", "/p/E", "/p/A"}));
  QStringList empty;
  AddRecentFile(empty, "/x");
  EXPECT_EQ(empty, QStringList{"/x"});
}

TEST(RecentFiles, CaptionNumbersAndShortensTheNamePart) {
  const QString longName = QString(35, 'n');
  const QStringList r{"/a/holiday.jpg", "/folder/" + longName};
  EXPECT_EQ(RecentCaption(r, 0), "1 holiday.jpg");
  EXPECT_EQ(RecentCaption(r, 1), "2 " + QString(30, 'n') + "...");
  EXPECT_EQ(ShortenText("abc", 3), "abc");
  EXPECT_EQ(ShortenText("abcd", 3), "abc...");
}

TEST(TextRules, HintsComeFromCaptions) {
  EXPECT_EQ(HintFromCaption("Open..."), "Open");
  EXPECT_EQ(HintFromCaption("Auto zoom "), "Auto zoom");
  EXPECT_EQ(HintFromCaption("&Image size..."), "Image size");
  EXPECT_EQ(HintFromCaption("Name :..."), "Name");
}

TEST(TextRules, JoinDirAndName) {
  EXPECT_EQ(JoinDirAndName("", "/d"), "");
  EXPECT_EQ(JoinDirAndName("/x/y/photo.jpg", "/save"), "/save/photo.jpg");
  EXPECT_EQ(JoinDirAndName("/x/y/photo.jpg", "/save/"), "/save/photo.jpg");
  EXPECT_EQ(JoinDirAndName("Untitled", ""), "Untitled");
}

TEST(DialogSeam, FiltersBecomeQtFilters) {
  EXPECT_EQ(QtFilterFrom("Common images (*.jpg;*.png)|*.jpg;*.png|Bitmaps|*.bmp;*.dib"),
            "Common images (*.jpg *.png);;Bitmaps (*.bmp *.dib)");
  EXPECT_EQ(QtFilterFrom(""), "");
}

TEST(ScrollLayout, BarsShowOnlyWhenTheContentIsLarger) {
  TScrollLayout l = ComputeScrollLayout(500, 400, 16, 16, 15, 15);
  EXPECT_FALSE(l.HorzVisible);
  EXPECT_FALSE(l.VertVisible);
  EXPECT_EQ(l.ClientWidth, 500);
  // Wider content: the horizontal bar takes 15 rows, which then needs no vertical bar.
  l = ComputeScrollLayout(500, 400, 800, 380, 15, 15);
  EXPECT_TRUE(l.HorzVisible);
  EXPECT_FALSE(l.VertVisible);
  EXPECT_EQ(l.HorzMax, 300);
  // ... unless the content's height no longer fits beside it.
  l = ComputeScrollLayout(500, 400, 800, 395, 15, 15);
  EXPECT_TRUE(l.VertVisible);
  EXPECT_EQ(l.ClientWidth, 485);
  EXPECT_EQ(l.ClientHeight, 385);
  EXPECT_EQ(l.HorzMax, 315);
  EXPECT_EQ(l.VertMax, 10);
}

}  // namespace
}  // namespace velinor
