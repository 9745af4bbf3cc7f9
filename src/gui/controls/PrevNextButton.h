#pragma once
// A small arrow button (one arrow: down, up, left or right) used beside an entry
// box. Its click fires on release (cmUp), on press after a short delay (cmDown) or
// repeatedly while held (cmMulti).
#include <QTimer>
#include <QWidget>
#include <functional>

namespace velinor {

enum class TPNStyle { stDown, stUp, stLeft, stRight };
enum class TClickMode { cmUp, cmDown, cmMulti };

class TPrevNextButton : public QWidget {
  Q_OBJECT
 public:
  explicit TPrevNextButton(QWidget* parent = nullptr);

  TPNStyle Style() const { return style_; }
  void SetStyle(TPNStyle s);
  TClickMode ClickMode() const { return clickMode_; }
  void SetClickMode(TClickMode m) { clickMode_ = m; }

  std::function<void()> OnClick;

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void changeEvent(QEvent* e) override;

 private:
  void Fire();

  TPNStyle style_ = TPNStyle::stDown;
  TClickMode clickMode_ = TClickMode::cmUp;
  bool pressed_ = false;
  QTimer repeat_;
};

}  // namespace velinor
