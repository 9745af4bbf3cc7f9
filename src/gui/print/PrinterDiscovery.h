#pragma once
// Which printers are installed, behind a seam: the program asks QPrinterInfo,
// a test installs its own answer (for instance "no printer at all"). The layout
// dialog lists them as destinations, beside the PDF file that is always there.
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

}  // namespace velinor
