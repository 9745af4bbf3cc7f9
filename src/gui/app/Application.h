#pragma once
// The application object. An error escaping a command's event handler ends in
// one error message instead of ending the program: commands restore their busy
// state on the way out, so the window stays usable.
#include <QApplication>

namespace velinor {

class TApplication : public QApplication {
 public:
  TApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

// The message shown for an error that escaped a handler.
QString EscapedErrorText(const std::exception* e);

}  // namespace velinor
