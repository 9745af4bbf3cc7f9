#pragma once
// The About box: a borderless window with the program's picture, name, release
// date, author and web address; it is dragged by any part but the address.
#include <QDate>
#include <QDialog>
#include <QPoint>
#include <optional>

class QFrame;
class QLabel;
class QPushButton;

namespace velinor {

// The program's web address, opened by "Official web site" and the About box.
extern const char* const kWebSite;
// The release date shown in the About box.
inline const QDate kReleaseDate{2008, 1, 1};

// "yyyy/mm/dd" with the locale's date separator between the parts.
QString FormatReleaseDate(const QDate& date);

class TAProposForm : public QDialog {
  Q_OBJECT
 public:
  explicit TAProposForm(QWidget* parent = nullptr);

  QFrame* PnlFond = nullptr;
  QFrame* PnlImg = nullptr;
  QLabel* Image1 = nullptr;
  QLabel* LblCaption = nullptr;
  QLabel* LblDate = nullptr;
  QLabel* LblAuthor = nullptr;
  QLabel* LblSite = nullptr;
  QPushButton* BOk = nullptr;

  // Centres the box on the window it belongs to.
  void CenterOn(const QWidget* owner);

 protected:
  void showEvent(QShowEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void LblSiteClick();
  std::optional<QPoint> dragOffset_;
};

}  // namespace velinor
