#include "core/files/IniFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "core/base/Errors.h"
#include "core/files/SafeFile.h"

namespace velinor {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

std::string_view Trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// What one line of the file is. For a key, Equals is the position of its
// first '='.
struct TLineKind {
  enum { Other, Section, Key } Kind = Other;
  std::string_view Name;
  size_t Equals = 0;
};

TLineKind Classify(std::string_view line) {
  const std::string_view t = Trim(line);
  if (t.empty() || t.front() == ';' || t.front() == '#') return {};
  if (t.front() == '[') {
    const auto close = t.find(']');
    if (close != std::string_view::npos) return {TLineKind::Section, Trim(t.substr(1, close - 1)), 0};
  }
  const auto eq = line.find('=');
  if (eq == std::string_view::npos) return {};
  const std::string_view name = Trim(line.substr(0, eq));
  if (name.empty()) return {};
  return {TLineKind::Key, name, eq};
}

bool OnOneLine(std::string_view s) { return s.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos; }

// Names the program can write so that reading the file finds them again.
bool ValidSectionName(std::string_view s) {
  return !s.empty() && OnOneLine(s) && s.find(']') == std::string_view::npos && Trim(s) == s;
}

bool ValidKeyName(std::string_view s) {
  return !s.empty() && OnOneLine(s) && s.find('=') == std::string_view::npos && Trim(s) == s &&
         s.front() != '[' && s.front() != ';' && s.front() != '#';
}

}  // namespace

TIniFile TIniFile::Parse(std::string_view text) {
  TIniFile doc;
  if (text.find('\0') != std::string_view::npos) return doc;
  if (text.starts_with(kBom)) {
    doc.bom_ = true;
    text.remove_prefix(kBom.size());
  }
  const auto firstBreak = text.find('\n');
  doc.crlf_ = firstBreak != std::string_view::npos && firstBreak > 0 && text[firstBreak - 1] == '\r';
  while (!text.empty()) {
    const auto end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    // Whatever CRs end a line belong to its line end, so that writing the line
    // back and reading it again gives the same line.
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    doc.lines_.emplace_back(line);
  }
  return doc;
}

TIniFile TIniFile::Load(const std::string& path, uint64_t maxBytes) {
  // Looked at before opening: opening a pipe would wait for a writer.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return {};
    throw EReadError("cannot read " + path + ": " + std::strerror(errno));
  }
  if (!S_ISREG(st.st_mode)) throw EReadError("not a regular file: " + path);
  const std::vector<uint8_t> bytes = ReadFileBytes(path, maxBytes);
  return Parse(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::string TIniFile::Text() const {
  const std::string_view eol = crlf_ ? "\r\n" : "\n";
  std::string out = bom_ ? std::string(kBom) : std::string();
  for (const std::string& line : lines_) {
    out += line;
    out += eol;
  }
  return out;
}

void TIniFile::Save(const std::string& path) const {
  const std::string text = Text();
  WriteFileAtomically(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::optional<std::string> TIniFile::Value(std::string_view section, std::string_view key) const {
  bool inside = false;
  for (const std::string& line : lines_) {
    const TLineKind k = Classify(line);
    if (k.Kind == TLineKind::Section) {
      if (inside) break;  // only the first section of that name counts
      inside = SameName(k.Name, section);
    } else if (inside && k.Kind == TLineKind::Key && SameName(k.Name, key)) {
      return std::string(Trim(std::string_view(line).substr(k.Equals + 1)));
    }
  }
  return std::nullopt;
}

bool TIniFile::SetValue(std::string_view section, std::string_view key, std::string_view value) {
  if (!ValidSectionName(section) || !ValidKeyName(key) || !OnOneLine(value)) return false;
  size_t i = 0;
  while (i < lines_.size()) {
    const TLineKind k = Classify(lines_[i]);
    if (k.Kind == TLineKind::Section && SameName(k.Name, section)) break;
    ++i;
  }
  const std::string keyLine = std::string(key) + "=" + std::string(value);
  if (i == lines_.size()) {
    lines_.push_back("[" + std::string(section) + "]");
    lines_.push_back(keyLine);
    return true;
  }
  size_t after = i;  // the line a new key follows: the section's last key, else its header
  for (++i; i < lines_.size(); ++i) {
    const TLineKind k = Classify(lines_[i]);
    if (k.Kind == TLineKind::Section) break;
    if (k.Kind != TLineKind::Key) continue;
    if (SameName(k.Name, key)) {
      // The blanks the line had between '=' and its value stay ("Open = /a").
      const std::string_view old = std::string_view(lines_[i]).substr(k.Equals + 1);
      const size_t start = Trim(old).empty() ? 0 : old.find_first_not_of(" \t");
      lines_[i].replace(k.Equals + 1 + start, std::string::npos, value);
      return true;
    }
    after = i;
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(after) + 1, keyLine);
  return true;
}

}  // namespace velinor
