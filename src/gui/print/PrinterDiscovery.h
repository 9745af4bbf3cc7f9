#pragma once
// Which printers are installed, behind a seam: the program asks QPrinterInfo,
// a test installs its own answer (for instance "no printer at all").
#include <QStringList>

namespace velinor {

class TPrinterDiscovery {
 public:
  virtual ~TPrinterDiscovery() = default;
  virtual QStringList PrinterNames() const;  // the installed printers (QPrinterInfo)
};

// The discovery in effect (QPrinterInfo unless a test installed its own).
TPrinterDiscovery& PrinterDiscovery();
// Installs a discovery (not owned); nullptr restores QPrinterInfo.
void SetPrinterDiscovery(TPrinterDiscovery* discovery);

// At least one printer is installed: the main window asks once at start-up and
// enables "Print..." with it.
bool PrinterPresent();
// "Print..." and the print button: a document is open and a printer exists.
bool PrintCommandEnabled(bool documentOpen, bool printerPresent);

}  // namespace velinor
