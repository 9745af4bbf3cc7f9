#pragma once
// A settings file in the plain INI form: "[Section]" lines, each followed by
// "Key=Value" lines. Section and key names compare without regard to (ASCII)
// case; a value is the text after the first '=' up to the end of its line, as
// written but without the blanks (spaces, tabs) around it, as INI readers take
// it ("Open = /photos" is /photos): no quotes, escapes or typed values. Lines
// the program does not ask about (comments, blank lines, other keys and
// sections, lines that are none of these) are kept as they are and written back.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velinor {

class TIniFile {
 public:
  TIniFile() = default;

  // Never fails. Lines end with LF, CRLF or the end of the text; a UTF-8 byte
  // order mark at the start is kept aside. Text holding a NUL byte is not a
  // settings file and gives an empty document (which a save then replaces).
  static TIniFile Parse(std::string_view text);

  // Reads the file at path. A missing file gives an empty document. Throws
  // EReadError when path holds something else than a regular file of at most
  // maxBytes (a folder, a pipe, a runaway file), or the file cannot be read.
  static TIniFile Load(const std::string& path, uint64_t maxBytes);

  // The document as a file: its lines in order, each ended by the line end the
  // parsed text used (LF unless its first line ended with CRLF), the byte order
  // mark first if it had one.
  std::string Text() const;

  // Writes Text() to path through the safe save (temporary file, then rename,
  // or the in-place rewrite where renaming cannot be used). Throws EWriteError.
  void Save(const std::string& path) const;

  // The value of the first key named key in the first section named section.
  std::optional<std::string> Value(std::string_view section, std::string_view key) const;

  // Sets a key: its existing line keeps the text before '=' (and the blanks
  // after it) and gets the new value; a new key goes after the section's last
  // key, a new section at the end of the file. Returns false, changing nothing,
  // for a value that cannot stand on one line (it holds CR, LF or NUL). Blanks
  // around the value are written but, being layout, do not read back.
  bool SetValue(std::string_view section, std::string_view key, std::string_view value);

 private:
  std::vector<std::string> lines_;
  bool crlf_ = false;
  bool bom_ = false;
};

}  // namespace velinor
