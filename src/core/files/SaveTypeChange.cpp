#include "core/files/SaveTypeChange.h"

namespace velinor {

std::string FilterPattern(const std::string& filter, int index) {
  if (index < 1) return {};
  // Entry i (1-based) has its pattern in part 2i - 1 (0-based) of the "|" list.
  const int wanted = 2 * index - 1;
  size_t start = 0;
  for (int part = 0;; ++part) {
    const size_t bar = filter.find('|', start);
    if (part == wanted) return filter.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
    if (bar == std::string::npos) return {};
    start = bar + 1;
  }
}

std::string PatternExtension(const std::string& pattern) {
  std::string first = pattern.substr(0, pattern.find(';'));
  const size_t dot = first.find('.');
  return dot == std::string::npos ? "." + first : first.substr(dot);
}

std::string ChangeFileExt(const std::string& name, const std::string& ext) {
  const size_t sep = name.find_last_of("/\\:");
  const size_t dot = name.find_last_of('.');
  const size_t base = sep == std::string::npos ? 0 : sep + 1;
  // A leading dot names a hidden file; it is not an extension.
  if (dot == std::string::npos || dot <= base) return name + ext;
  return name.substr(0, dot) + ext;
}

std::string NameForFilterPattern(const std::string& fieldText, const std::string& pattern) {
  if (fieldText.empty()) return fieldText;
  return ChangeFileExt(fieldText, PatternExtension(pattern));
}

}  // namespace velinor
