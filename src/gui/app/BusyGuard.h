#pragma once
// Ends the main window's busy display on every way out of a command, also when
// an error escapes it.
#include <QString>

#include "gui/app/MainForm.h"

namespace velinor {

class TBusyGuard {
 public:
  TBusyGuard(TMainForm& form, const QString& text) : form_(form) { form_.BeginBusy(text); }
  ~TBusyGuard() { form_.EndBusy(); }
  TBusyGuard(const TBusyGuard&) = delete;
  TBusyGuard& operator=(const TBusyGuard&) = delete;

 private:
  TMainForm& form_;
};

}  // namespace velinor
