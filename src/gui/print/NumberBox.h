#pragma once
// The number boxes of the print dialog: a one-line edit with small up/down arrows
// inside its right edge. Typing is filtered to what can form a number and limited
// to a few characters; what the text means is the layout's business (it keeps the
// text and its rules), so the box only reports what the user did.
#include <QLineEdit>

class QToolButton;

namespace velinor {

class TPrintNumberBox : public QLineEdit {
  Q_OBJECT
 public:
  // decimals: whether a decimal point may be typed; maxLength limits typing only.
  TPrintNumberBox(QWidget* parent, bool decimals, int maxLength);

  // Replaces the text without reporting it as the user's edit.
  void ShowText(const QString& text);

 signals:
  void Stepped(int direction);  // an arrow or the Up/Down key
  void Left();                  // the box lost the focus

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void PlaceArrows();
  QToolButton* up_;
  QToolButton* down_;
};

}  // namespace velinor
