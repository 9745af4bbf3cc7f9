#include "gui/app/SharedStrings.h"

namespace velinor {

namespace {

const char* const kBuiltIn[SharedStrings::Count] = {
    "Toutes les images", "Images les plus courantes", "BMP", "RLE", "GIF", "JPEG", "PNG",
    "Targa", "TIFF", "Impossible d'ouvrir l'image dans le fichier \"%s\" !",
    "Impossible d'enregistrer l'image dans le fichier \"%s\" !", "Quillorvane Sélection",
    "Quillorvane Image", "Icône", "AVI", "Fichier de données invalide !", "%dx%d pixels",
    "Aperçu", "(Vide)", "RVBA (couche Alpha)", "Transparence", "Propriétés de l'image",
    "Gif animé", "&Oui", "&Non", "Ok", "Annuler", "Avertissement", "Erreur", "Information",
    "Confirmation", "Saisie",
    "RetArr", "Tab", "Echap", "Entrée", "Espace", "PagePréc", "PageSuiv", "Fin", "Origine",
    "Gauche", "Haut", "Droite", "Bas", "Ins", "Suppr", "Maj+", "Ctrl+", "Alt+",
    "octet", "octets", "Ko", "Mo", "Go"};

}  // namespace

SharedStrings& SharedStrings::Instance() {
  static SharedStrings table;
  return table;
}

SharedStrings::SharedStrings() { Reset(); }

QString SharedStrings::Get(TSharedString id) const {
  return id >= 0 && id < Count ? values_[id] : QString();
}

void SharedStrings::Set(TSharedString id, const QString& value) {
  if (id >= 0 && id < Count) values_[id] = value;
}

QString SharedStrings::BuiltIn(TSharedString id) {
  return id >= 0 && id < Count ? QString::fromUtf8(kBuiltIn[id]) : QString();
}

void SharedStrings::Reset() {
  for (int i = 0; i < Count; ++i) values_[i] = QString::fromUtf8(kBuiltIn[i]);
  applicationName_.clear();
}

void SharedStrings::InstallStartupTexts(const QString& caption) {
  applicationName_ = caption;
  Set(ssKeyEnter, "Enter");
  Set(ssYes, "&Yes");
  Set(ssNo, "&No");
  Set(ssCancel, "Cancel");
  Set(ssConfirmation, "Confirm");
  Set(ssInformation, "Information");
  Set(ssAllImages, "All images");
  Set(ssCommonImages, "Common images");
  Set(ssLoadError, "Unable to load image in file \"%s\" !");
  Set(ssSaveError, "Unable to save image in file \"%s\" !");
  Set(ssPreview, "Preview");
  Set(ssImageProperties, "Image properties");
  Set(ssIconName, "Icon");
  Set(ssSelectionName, "Quillorvane Selection");
}

}  // namespace velinor
