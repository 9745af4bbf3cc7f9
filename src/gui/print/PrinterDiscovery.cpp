#include "PrinterDiscovery.h"

#include <QPrinterInfo>

namespace velinor {

namespace {
TPrinterDiscovery* installed = nullptr;
}

QStringList TPrinterDiscovery::PrinterNames() const { return QPrinterInfo::availablePrinterNames(); }

TPrinterDiscovery& PrinterDiscovery() {
  static TPrinterDiscovery real;
  return installed ? *installed : real;
}

void SetPrinterDiscovery(TPrinterDiscovery* discovery) { installed = discovery; }

bool PrinterPresent() { return !PrinterDiscovery().PrinterNames().isEmpty(); }

bool PrintCommandEnabled(bool documentOpen, bool printerPresent) {
  return documentOpen && printerPresent;
}

}  // namespace velinor
