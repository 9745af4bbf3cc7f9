#pragma once
// Small helpers for forms laid out at fixed positions.
#include <QLabel>

namespace velinor {

// A label with its object name, placed at (x, y) and sized to its text.
inline QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int x, int y) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(name);
  l->move(x, y);
  l->adjustSize();
  return l;
}

}  // namespace velinor
