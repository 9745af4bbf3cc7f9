#pragma once
// An edit-like box whose value is chosen from a drop-down menu through a small
// arrow button. It accepts no typed text: its value is an item index counting the
// menu's non-separator items, and it shows that item's caption, which the owner
// may rewrite just before it is drawn.
#include <QFrame>
#include <QPixmap>
#include <functional>

#include "core/base/Color.h"
#include "gui/controls/PrevNextButton.h"

class QMenu;
class QAction;

namespace velinor {

class TSpecialEdit : public QFrame {
  Q_OBJECT
 public:
  explicit TSpecialEdit(QWidget* parent = nullptr);

  QMenu* DropDownMenu() const { return menu_; }
  void SetDropDownMenu(QMenu* menu);
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int value);
  // With a menu: the chosen item's caption without its first '&'.
  QString Text() const;
  void SetText(const QString& text);
  bool ShowButton() const { return showButton_; }
  void SetShowButton(bool value);
  TPNStyle ButtonStyle() const { return button_->Style(); }
  void SetButtonStyle(TPNStyle s) { button_->SetStyle(s); }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value);
  TColor Color() const { return color_; }
  void SetColor(TColor c);
  TColor DisabledColor() const { return disabledColor_; }
  void SetDisabledColor(TColor c);
  void SetGlyph(const QPixmap& glyph, int numGlyphs = 1);

  TPrevNextButton* Button() const { return button_; }

  // Position in the menu of the i-th non-separator item; -1 when none.
  int MenuIndexOf(int i) const;
  // Number of non-separator items before the action; -1 when not in the menu.
  int ItemIndexOf(const QAction* item) const;
  // Checks the chosen item only.
  void UpdateChecks();

  // Opens the menu below the box (unless it closed less than 777 ms ago) and
  // returns when it has closed.
  void DropDown();
  // The reopen guard: whether a drop-down asked for at `nowMs` may open.
  bool MayDropDown(qint64 nowMs) const;
  void SetMenuClosedAt(qint64 ms) { closedAt_ = ms; }
  // A menu item was clicked.
  void ItemClick(QAction* item);

  // The text the box shows now (after the display-text event).
  QString DisplayText() const;
  // The rectangle the text is drawn in.
  QRect TextRect() const;

  std::function<void(TSpecialEdit*, bool changed)> OnSelectItem;
  std::function<void(TSpecialEdit*, QString& text)> OnDisplayText;
  std::function<void()> OnChange;
  std::function<void()> OnBtnClick;
  std::function<void()> OnClick;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void changeEvent(QEvent* e) override;

 private:
  void PlaceButton();
  void Changed();
  int MinimumHeight() const;

  QMenu* menu_ = nullptr;
  int itemIndex_ = -1;
  QString text_;
  bool showButton_ = false;
  bool readOnly_ = false;
  TColor color_ = clWindow;
  TColor disabledColor_ = clNone;
  QPixmap glyph_;
  int numGlyphs_ = 1;
  TPrevNextButton* button_;
  qint64 closedAt_ = -1000000;
};

}  // namespace velinor
