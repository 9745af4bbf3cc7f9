#pragma once
// Where the help page is: beside the program with its extension replaced by
// ".chm", else ".htm"; for an installed program (bin/velinor) the page installed
// under share/doc/velinor.
#include <QString>

namespace velinor {

// The first of the candidates that exists, or an empty text.
QString FindHelpFile(const QString& exeFilePath);

}  // namespace velinor
