#pragma once
// Number entry boxes: a one-line edit with a small up/down arrow pair inside its
// right edge. The arrows and the Up and Down keys step the value, typing is
// filtered to characters that can form a number, and the value is clamped to its
// range whenever it is read or written.
//   TSpinEdit2      whole numbers
//   TFloatSpinEdit  floating-point numbers shown through a format pattern
#include <QLineEdit>
#include <functional>

class QToolButton;

namespace velinor {

// The arrow pair. Its buttons repeat while held down.
class TUpDown : public QWidget {
  Q_OBJECT
 public:
  explicit TUpDown(QWidget* parent);
  QToolButton* UpButton() const { return up_; }
  QToolButton* DownButton() const { return down_; }
  std::function<void()> OnUp;
  std::function<void()> OnDown;

 protected:
  void resizeEvent(QResizeEvent* e) override;

 private:
  QToolButton* up_;
  QToolButton* down_;
};

// What the two boxes share: the arrows, the key filter, cut/paste rules, focus
// behaviour and layout. The value itself belongs to the derived classes.
class TSpinEditBase : public QLineEdit {
  Q_OBJECT
 public:
  explicit TSpinEditBase(QWidget* parent);

  virtual void UpClick() = 0;
  virtual void DownClick() = 0;

  // When false the text cannot be typed, cut or pasted; the arrows still work.
  bool EditorEnabled() const { return editorEnabled_; }
  void SetEditorEnabled(bool value);
  bool ShowUpDown() const { return showUpDown_; }
  void SetShowUpDown(bool show);
  // When set the arrows and keys only beep, and cut and paste are refused.
  bool ReadOnly() const { return isReadOnly(); }
  void SetReadOnly(bool value) { setReadOnly(value); }
  // Select all text when the box receives the focus other than by a click.
  bool AutoSelect = true;

  TUpDown* UpDown() const { return upDown_; }
  // The smallest height the box accepts: the font's character height plus room
  // for the border.
  int MinimumHeight() const;

  // Fires when the text changes (by typing, by the arrows or by a written value).
  std::function<void()> OnChange;
  // The refusal sound; the platform's beep unless replaced.
  std::function<void()> Beep;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  // A typed character may be translated before it is checked ('.' to the decimal
  // separator in the floating-point box).
  virtual QChar TranslateChar(QChar c) const { return c; }
  // A decimal separator the box accepts now (none in the whole-number box).
  virtual bool IsDecimalSeparator(QChar) const { return false; }
  virtual bool SeparatorAllowed() const { return false; }
  // Rewrites the text from the value when the box is left.
  virtual void Normalize() = 0;
  bool IsValidChar(QChar c) const;
  void SetTextQuietly(const QString& text);
  void RefuseKey();

  void keyPressEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  bool CanCutPaste() const { return editorEnabled_ && !isReadOnly(); }
  void PlaceUpDown();
  void ArrowClicked(bool up);

  TUpDown* upDown_;
  bool editorEnabled_ = true;
  bool showUpDown_ = true;
  bool quiet_ = false;
};

// Whole numbers. MinValue = MaxValue means no limits.
class TSpinEdit2 : public TSpinEditBase {
  Q_OBJECT
 public:
  explicit TSpinEdit2(QWidget* parent = nullptr);

  // The text as a whole number, clamped; MinValue (clamped) when it is not one.
  int Value() const;
  // Writes the clamped value as decimal digits.
  void SetValue(int value);
  int MinValue() const { return minValue_; }
  int MaxValue() const { return maxValue_; }
  void SetMinValue(int v) { minValue_ = v; }
  void SetMaxValue(int v) { maxValue_ = v; }
  int Increment = 1;
  int Clamp(int v) const;

  void UpClick() override;
  void DownClick() override;

 protected:
  void Normalize() override;

 private:
  int minValue_ = 0;
  int maxValue_ = 0;
};

// Floating-point numbers in the locale's notation. MinValue = MaxValue means no
// limits.
class TFloatSpinEdit : public TSpinEditBase {
  Q_OBJECT
 public:
  explicit TFloatSpinEdit(QWidget* parent = nullptr);

  // The text as a number, clamped; MinValue when it is not a (finite) number.
  double Value() const;
  // Writes the clamped value formatted with Format.
  void SetValue(double value);
  double MinValue() const { return minValue_; }
  double MaxValue() const { return maxValue_; }
  void SetMinValue(double v) { minValue_ = v; }
  void SetMaxValue(double v) { maxValue_ = v; }
  double Increment = 1.0;
  double Clamp(double v) const;

  // The pattern the value is written with: digit placeholders '0' (always shown)
  // and '#' (shown when not zero), '.' for the decimal separator.
  const QString& Format() const { return format_; }
  // An empty pattern means "0.00"; the text is reformatted when it changes.
  void SetFormat(const QString& pattern);

  void UpClick() override;
  void DownClick() override;

  // v written with a pattern in the current locale, without group separators.
  static QString FormatValue(const QString& pattern, double v);

 protected:
  QChar TranslateChar(QChar c) const override;
  bool IsDecimalSeparator(QChar c) const override;
  bool SeparatorAllowed() const override;
  void Normalize() override;

 private:
  double minValue_ = 0;
  double maxValue_ = 0;
  QString format_ = "0.00";
};

}  // namespace velinor
