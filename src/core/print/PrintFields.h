#pragma once
// The number boxes of the print dialog, as text plus the rules by which that text
// is read and written, so that the layout logic (and its tests) work on exactly
// what the user sees. Reading text that does not convert gives the minimum;
// values are clamped to the range; written values are formatted with a fixed
// number of decimals ("0.00") or as whole numbers. The decimal separator is
// always '.', whatever the process locale.
#include <string>

namespace velinor {

// The five boxes of the dialog: SEL, SEH, SEX, SEY and SECopies.
enum class TPrintField { Width, Height, Left, Top, Copies };
constexpr int PrintFieldCount = 5;

// Fixed-point text of v with the given number of decimals, locale-independent.
std::string FormatFixed(double v, int decimals);

class TNumberField {
 public:
  // decimals < 0 makes a whole-number box.
  TNumberField(double minValue, double maxValue, int decimals, std::string text);

  const std::string& Text() const { return text_; }
  bool Empty() const { return text_.empty(); }
  // Replaces the text; true when it changed (the box's change event fires then).
  bool SetText(const std::string& text);

  // The text as a number, clamped; the minimum when the text does not convert.
  double Value() const;
  // Writes the clamped value formatted; true when the text changed.
  bool SetValue(double v);

  double MinValue() const { return min_; }
  double MaxValue() const { return max_; }
  bool IsInteger() const { return decimals_ < 0; }
  double Clamp(double v) const;

 private:
  double min_;
  double max_;
  int decimals_;
  std::string text_;
};

}  // namespace velinor
