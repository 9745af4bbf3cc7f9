#pragma once
// What the save dialog does to the typed file name when the user picks another
// file type: the name takes the first extension of the chosen type.
#include <string>

namespace velinor {

// The pattern of the index-th entry (1-based) of a "Desc|pattern|Desc|pattern..."
// filter; empty when there is no such entry.
std::string FilterPattern(const std::string& filter, int index);

// The extension a pattern gives a file name: the part before its first ";",
// from its first "." ("*.jpg;*.jpeg" gives ".jpg"); a pattern without "." gets
// one in front.
std::string PatternExtension(const std::string& pattern);

// The name with its extension (the text from the last "." of its last path
// component, not counting a leading one) replaced by ext; a name without
// extension gets ext appended.
std::string ChangeFileExt(const std::string& name, const std::string& ext);

// The name field's new text after the type with this pattern was picked; an
// empty field stays empty.
std::string NameForFilterPattern(const std::string& fieldText, const std::string& pattern);

}  // namespace velinor
