// The plain settings-file form: values as written (without the blanks around
// them), names in any case,
// the file's own order and foreign lines kept, damaged input read without harm.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <random>

#include "CodecTestSupport.h"
#include "core/base/Errors.h"
#include "core/files/IniFile.h"
#include "core/files/SafeFile.h"

using namespace velinor;
using namespace velinor::testing;

namespace {

std::string ValueOr(const TIniFile& ini, const char* section, const char* key, const char* missing = "<missing>") {
  return ini.Value(section, key).value_or(missing);
}

std::string ReadText(const std::string& path) {
  const auto bytes = ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

TEST(IniFile, HandWrittenValuesReadAsWrittenWithoutTheBlanksAroundThem) {
  const TIniFile ini = TIniFile::Parse(
      "[Files]\n"
      "File1=/photos/Paris, 2024/a.jpg\n"
      "File2=/photos/x;y.jpg\n"
      "File3=/photos/a\\tb\\\\c.jpg\n"
      "File4=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x18)\n"
      "[Params]\n"
      "Open=  /photos/leading blanks \n"
      "Save=\"/quoted\"\n"
      "Unit==1=\n"
      "Empty=\n"
      "Blank= \t \n"
      "Preview = 1\n"
      "Maximized\t=\t1\t\n");
  EXPECT_EQ(ValueOr(ini, "Files", "File1"), "/photos/Paris, 2024/a.jpg");
  EXPECT_EQ(ValueOr(ini, "Files", "File2"), "/photos/x;y.jpg");
  EXPECT_EQ(ValueOr(ini, "Files", "File3"), "/photos/a\\tb\\\\c.jpg");
  EXPECT_EQ(ValueOr(ini, "Files", "File4"), "@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x18)");
  // Blanks around a value are the file's layout, as in any INI file (a hand-written
  // "Open = /photos" means /photos); blanks inside it are its own.
  EXPECT_EQ(ValueOr(ini, "Params", "Open"), "/photos/leading blanks");
  EXPECT_EQ(ValueOr(ini, "Params", "Blank"), "");
  EXPECT_EQ(ValueOr(ini, "Params", "Preview"), "1");
  EXPECT_EQ(ValueOr(ini, "Params", "Maximized"), "1");
  EXPECT_EQ(ValueOr(ini, "Params", "Save"), "\"/quoted\"");
  EXPECT_EQ(ValueOr(ini, "Params", "Unit"), "=1=");
  EXPECT_EQ(ValueOr(ini, "Params", "Empty"), "");
  EXPECT_EQ(ValueOr(ini, "Params", "Missing"), "<missing>");
  EXPECT_EQ(ValueOr(ini, "Files", "Open"), "<missing>");  // keys belong to their section
}

TEST(IniFile, NamesInAnyCaseAndLinesThatAreNoKeys) {
  TIniFile ini = TIniFile::Parse(
      "; comment=not a key\n"
      "Before=outside any section\n"
      "  [ params ]  trailing text\n"
      "OPEN=/a\n"
      "  file1 = /b  \n"
      "# Hash=comment\n"
      "no equals sign\n"
      "=no name\n"
      "[Params]\n"
      "Open=/second section of the same name\n");
  EXPECT_EQ(ValueOr(ini, "Params", "Open"), "/a");
  EXPECT_EQ(ValueOr(ini, "PARAMS", "open"), "/a");
  EXPECT_EQ(ValueOr(ini, "params", "File1"), "/b");
  EXPECT_EQ(ValueOr(ini, "Params", "; comment"), "<missing>");
  EXPECT_EQ(ValueOr(ini, "Params", "# Hash"), "<missing>");
  EXPECT_EQ(ValueOr(ini, "", "Before"), "<missing>");
  // A key set under another spelling is the same key: its line keeps the file's
  // spelling and layout, and only the value changes.
  ASSERT_TRUE(ini.SetValue("Params", "Open", "/new"));
  ASSERT_TRUE(ini.SetValue("Params", "File1", "/c"));
  ASSERT_TRUE(ini.SetValue("PARAMS", "Maximized", "1"));
  EXPECT_EQ(ini.Text(),
            "; comment=not a key\n"
            "Before=outside any section\n"
            "  [ params ]  trailing text\n"
            "OPEN=/new\n"
            "  file1 = /c\n"
            "Maximized=1\n"
            "# Hash=comment\n"
            "no equals sign\n"
            "=no name\n"
            "[Params]\n"
            "Open=/second section of the same name\n");
}

TEST(IniFile, NewKeysAndSectionsInTheOrderTheyAreSet) {
  TIniFile ini;
  for (const char* key : {"Open", "Save", "Maximized", "Preview", "Unit"}) ASSERT_TRUE(ini.SetValue("Params", key, "v"));
  ASSERT_TRUE(ini.SetValue("Files", "File1", "/photos/Paris, 2024/a.jpg"));
  ASSERT_TRUE(ini.SetValue("Files", "File2", " leading blank"));
  ASSERT_TRUE(ini.SetValue("Params", "Antialias", "1"));
  EXPECT_EQ(ini.Text(),
            "[Params]\nOpen=v\nSave=v\nMaximized=v\nPreview=v\nUnit=v\nAntialias=1\n"
            "[Files]\nFile1=/photos/Paris, 2024/a.jpg\nFile2= leading blank\n");
}

TEST(IniFile, UnknownKeysSectionsAndCommentsStayWhereTheyAre) {
  const std::string text =
      "; written by hand\n"
      "[Params]\n"
      "Open=/old\n"
      "Colour=blue\n"
      "\n"
      "[Other]\n"
      "Open=/not ours\n"
      "[Files]\n"
      "File1=/photos/one.jpg\n"
      "File3=/photos/three.jpg\n";
  TIniFile ini = TIniFile::Parse(text);
  EXPECT_EQ(ini.Text(), text);  // read and written back unchanged
  ASSERT_TRUE(ini.SetValue("Params", "Open", "/new"));
  ASSERT_TRUE(ini.SetValue("Params", "Save", ""));
  ASSERT_TRUE(ini.SetValue("Files", "File2", "/photos/two.jpg"));
  ASSERT_TRUE(ini.SetValue("Extra", "Key", "x"));
  EXPECT_EQ(ini.Text(),
            "; written by hand\n"
            "[Params]\n"
            "Open=/new\n"
            "Colour=blue\n"
            "Save=\n"
            "\n"
            "[Other]\n"
            "Open=/not ours\n"
            "[Files]\n"
            "File1=/photos/one.jpg\n"
            "File3=/photos/three.jpg\n"
            "File2=/photos/two.jpg\n"
            "[Extra]\n"
            "Key=x\n");
}

TEST(IniFile, LineEndsByteOrderMarkAndMissingFinalNewline) {
  // CRLF lines, the last one unterminated: values without the CR, written back
  // with CRLF throughout.
  TIniFile crlf = TIniFile::Parse("[Params]\r\nOpen=/a b\r\nUnit=1");
  EXPECT_EQ(ValueOr(crlf, "Params", "Open"), "/a b");
  EXPECT_EQ(ValueOr(crlf, "Params", "Unit"), "1");
  ASSERT_TRUE(crlf.SetValue("Params", "Save", "/s"));
  EXPECT_EQ(crlf.Text(), "[Params]\r\nOpen=/a b\r\nUnit=1\r\nSave=/s\r\n");

  const TIniFile lf = TIniFile::Parse("[Params]\nUnit=1");
  EXPECT_EQ(ValueOr(lf, "Params", "Unit"), "1");
  EXPECT_EQ(lf.Text(), "[Params]\nUnit=1\n");

  // Mixed ends follow the first line's; a CR inside a value is part of it.
  const TIniFile mixed = TIniFile::Parse("[Params]\nA=1\r\nB=x\ry\n");
  EXPECT_EQ(ValueOr(mixed, "Params", "A"), "1");
  EXPECT_EQ(ValueOr(mixed, "Params", "B"), "x\ry");
  EXPECT_EQ(mixed.Text(), "[Params]\nA=1\nB=x\ry\n");

  const TIniFile bom = TIniFile::Parse("\xEF\xBB\xBF[Params]\nOpen=/caf\xC3\xA9\n");
  EXPECT_EQ(ValueOr(bom, "Params", "Open"), "/caf\xC3\xA9");
  EXPECT_EQ(bom.Text(), "\xEF\xBB\xBF[Params]\nOpen=/caf\xC3\xA9\n");

  EXPECT_EQ(TIniFile::Parse("").Text(), "");
}

TEST(IniFile, ValuesThatCannotStandOnOneLineAreRefused) {
  TIniFile ini = TIniFile::Parse("[Files]\nFile1=/a\n");
  for (const std::string_view bad : {std::string_view("/a\nFile2=/b"), std::string_view("/a\r"),
                                     std::string_view("/a\0b", 4)})
    EXPECT_FALSE(ini.SetValue("Files", "File1", bad));
  EXPECT_FALSE(ini.SetValue("Files", "File=2", "x"));
  EXPECT_FALSE(ini.SetValue("Files", ";File2", "x"));
  EXPECT_FALSE(ini.SetValue("Fi]les", "File2", "x"));
  EXPECT_FALSE(ini.SetValue("", "File2", "x"));
  EXPECT_EQ(ini.Text(), "[Files]\nFile1=/a\n");
}

TEST(IniFile, DamagedAndBinaryTextReadsWithoutHarm) {
  // Text with a NUL byte is not a settings file: nothing in it counts.
  const TIniFile binary = TIniFile::Parse(std::string_view("[Params]\0\nUnit=1\n", 17));
  EXPECT_EQ(ValueOr(binary, "Params", "Unit"), "<missing>");
  EXPECT_EQ(binary.Text(), "");

  // Random text built from the characters that matter: reading never fails,
  // and what is written reads back as the same document.
  const std::string alphabet = "[]=;# \t\r\nabAB\x80\xff";
  std::mt19937 rng(17);
  for (int round = 0; round < 2000; ++round) {
    std::string text(rng() % 200, ' ');
    for (char& c : text) c = alphabet[rng() % alphabet.size()];
    SCOPED_TRACE(::testing::PrintToString(text));
    TIniFile ini = TIniFile::Parse(text);
    const std::string once = ini.Text();
    const TIniFile again = TIniFile::Parse(once);
    ASSERT_EQ(again.Text(), once);
    for (const char* section : {"a", "B", "ab", ""}) {
      for (const char* key : {"a", "b", "AB"}) ASSERT_EQ(ini.Value(section, key), again.Value(section, key));
    }
    if (text.find('\r') == std::string::npos && (text.empty() || text.back() == '\n')) {
      ASSERT_EQ(once, text);
    }
    ASSERT_TRUE(ini.SetValue("ab", "b", "v=1"));
    ASSERT_EQ(ValueOr(ini, "AB", "B"), "v=1");
  }
}

TEST(IniFile, LoadAndSaveFiles) {
  ScratchDir dir;
  const std::string path = dir.File("Velinor.ini");
  EXPECT_EQ(TIniFile::Load(path, 1000).Text(), "");  // no file yet

  TIniFile ini;
  ASSERT_TRUE(ini.SetValue("Params", "Open", "/a, b"));
  ini.Save(path);
  EXPECT_EQ(ReadText(path), "[Params]\nOpen=/a, b\n");
  ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
  ASSERT_TRUE(ini.SetValue("Params", "Open", "/c"));
  ini.Save(path);
  EXPECT_EQ(ReadText(path), "[Params]\nOpen=/c\n");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(ValueOr(TIniFile::Load(path, 1000), "params", "open"), "/c");

  EXPECT_THROW(TIniFile::Load(path, 5), EReadError);  // larger than allowed
  EXPECT_THROW(TIniFile::Load(dir.File(""), 1000), EReadError);  // a folder
  const std::string pipe = dir.File("pipe.ini");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
  EXPECT_THROW(TIniFile::Load(pipe, 1000), EReadError);  // and does not wait for a writer
  EXPECT_THROW(ini.Save(dir.File("no/such/folder/Velinor.ini")), EWriteError);
}

}  // namespace
