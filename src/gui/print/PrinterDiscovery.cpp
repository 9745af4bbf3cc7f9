#include "gui/print/PrinterDiscovery.h"

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

}  // namespace velinor
