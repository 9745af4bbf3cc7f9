#pragma once
// The load/save dispatch asks for its file dialogs and shows its one failure
// message through small interfaces; these implementations forward them to the
// program's dialog provider (and so to what the tests install).
#include <QString>
#include <string>

#include "files/ImageDispatch.h"

namespace velinor {

// "Desc (*.a;*.b)|*.a;*.b|..." as a Qt dialog filter "Desc (*.a *.b);;...".
QString QtFilterFrom(const std::string& filter);

class TDispatchDialogs : public IFileDialogs, public IMessageSink {
 public:
  std::string ExecuteOpen(TOpenDialogRequest& request) override;
  std::string ExecuteSave(const TSaveDialogRequest& request) override;
  void ShowError(const std::string& text) override;
};

// Installs one bridge for the process (idempotent).
void InstallDispatchBridge();

}  // namespace velinor
