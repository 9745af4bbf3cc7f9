#include "core/print/PrintMessages.h"

#include "core/print/PrintFields.h"

namespace velinor {

double TrimForDisplay(double x) {
  const double t = x - 0.005;
  return t < 0 ? 0.0 : t;
}

std::string WidthRangeMessage(double low, double high) {
  return "The width must lie between " + FormatFixed(low, 2) + " and " + FormatFixed(high, 2) + " !";
}

std::string HeightRangeMessage(double low, double high) {
  return "The height must lie between " + FormatFixed(low, 2) + " and " + FormatFixed(high, 2) +
         " !";
}

std::string LeftMarginMessage(double high) {
  return "The left margin must be lower or equal to " + FormatFixed(high, 2) + " !";
}

std::string TopMarginMessage(double high) {
  return "The top margin must be lower or equal to " + FormatFixed(high, 2) + " !";
}

}  // namespace velinor
