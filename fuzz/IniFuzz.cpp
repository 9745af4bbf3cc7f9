// Feeds arbitrary bytes as the settings file: reading must never crash, what is
// written must read back as the same document, and a key that is set must read
// back as set, whatever else the file holds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/files/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  velinor::TIniFile ini = velinor::TIniFile::Parse(text);
  const std::string once = ini.Text();
  const velinor::TIniFile again = velinor::TIniFile::Parse(once);
  if (again.Text() != once) std::abort();
  for (const char* key : {"Open", "File1", "Unit"})
    if (ini.Value("Params", key) != again.Value("params", key)) std::abort();
  // A plain file (LF line ends, a final one, no NUL, CR or byte order mark) is
  // written back byte for byte.
  if (text.find_first_of(std::string_view("\0\r", 2)) == std::string_view::npos && !text.starts_with("\xEF\xBB\xBF") &&
      (text.empty() || text.back() == '\n') && once != text)
    std::abort();
  if (!ini.SetValue("Files", "File2", "/photos/x;y, z.jpg")) std::abort();
  if (ini.Value("FILES", "file2") != "/photos/x;y, z.jpg") std::abort();
  if (velinor::TIniFile::Parse(ini.Text()).Value("Files", "File2") != "/photos/x;y, z.jpg") std::abort();
  return 0;
}
