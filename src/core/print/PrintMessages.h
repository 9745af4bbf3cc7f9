#pragma once
// The warnings of the print layout dialog, filled in with two-decimal numbers.
#include <string>

namespace velinor {

inline constexpr const char* MsgFillAllFields = "Complete all the fields before continuing !";

// Below this many image pixels per inch a print shows its pixels.
inline constexpr int MinGoodResolution = 150;
inline constexpr const char* MsgLowResolution = "Low resolution: below 150 dpi the print may look coarse.";

// x - 0.005, or 0 when negative: a limit shown with two decimals never reads
// above the real limit.
double TrimForDisplay(double x);

std::string WidthRangeMessage(double low, double high);
std::string HeightRangeMessage(double low, double high);
std::string LeftMarginMessage(double high);
std::string TopMarginMessage(double high);

}  // namespace velinor
