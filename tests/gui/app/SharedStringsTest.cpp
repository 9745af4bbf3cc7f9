#include <gtest/gtest.h>

#include "gui/app/SharedStrings.h"

namespace velinor {
namespace {

TEST(SharedStrings, FiftyFiveFrenchBuiltInsInTableOrder) {
  EXPECT_EQ(SharedStrings::Count, 55);
  EXPECT_EQ(SharedStrings::BuiltIn(ssAllImages), "Toutes les images");
  EXPECT_EQ(SharedStrings::BuiltIn(ssLoadError), "Impossible d'ouvrir l'image dans le fichier \"%s\" !");
  EXPECT_EQ(SharedStrings::BuiltIn(ssSelectionName), QString::fromUtf8("Quillorvane Sélection"));
  EXPECT_EQ(SharedStrings::BuiltIn(ssYes), "&Oui");
  EXPECT_EQ(SharedStrings::BuiltIn(ssKeyEnter), QString::fromUtf8("Entrée"));
  EXPECT_EQ(SharedStrings::BuiltIn(ssKeyDelete), "Suppr");
  EXPECT_EQ(SharedStrings::BuiltIn(ssAltPrefix), "Alt+");
  EXPECT_EQ(SharedStrings::BuiltIn(ssGigaBytes), "Go");
  for (int i = 0; i < SharedStrings::Count; ++i)
    EXPECT_FALSE(SharedStrings::BuiltIn(static_cast<TSharedString>(i)).isEmpty()) << i;
}

TEST(SharedStrings, StartupReplacesFourteenEntriesAndTheApplicationName) {
  SharedStrings& t = SharedStrings::Instance();
  t.Reset();
  t.InstallStartupTexts("Velinor");
  int changed = 0;
  for (int i = 0; i < SharedStrings::Count; ++i) {
    const auto id = static_cast<TSharedString>(i);
    if (t.Get(id) != SharedStrings::BuiltIn(id)) ++changed;
  }
  // "Information" is replaced by the same text, so 13 of the 14 differ.
  EXPECT_EQ(changed, 13);
  EXPECT_EQ(t.ApplicationName(), "Velinor");
  EXPECT_EQ(t.Get(ssYes), "&Yes");
  EXPECT_EQ(t.Get(ssCancel), "Cancel");
  EXPECT_EQ(t.Get(ssOk), "Ok");
  EXPECT_EQ(t.Get(ssWarning), "Avertissement");
  EXPECT_EQ(t.Get(ssConfirmation), "Confirm");
  EXPECT_EQ(t.Get(ssSaveError), "Unable to save image in file \"%s\" !");
  EXPECT_EQ(t.Get(ssIconName), "Icon");
  EXPECT_EQ(t.Get(ssKeyEnter), "Enter");
  t.Reset();
  EXPECT_EQ(t.Get(ssYes), "&Oui");
  EXPECT_TRUE(t.ApplicationName().isEmpty());
}

}  // namespace
}  // namespace velinor
