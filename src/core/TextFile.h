#pragma once
// Text files as the program writes and reads them: single-byte Windows-1252
// (or OEM 850 where a file is DOS text), CR LF after every line.
#include "core/TextCodec.h"

#include <QString>
#include <QStringList>

namespace belvanto {

// ok == false means nothing was done and `error` says why in a sentence that
// can be shown to the user. `line` is the 0-based line that held a character
// the code page cannot hold, else -1.
struct TextFileResult {
    bool ok = true;
    QString error;
    qsizetype line = -1;
    explicit operator bool() const { return ok; }
};

// Writes every line followed by CR LF. The file is replaced atomically: a
// failure, including a character that does not fit the code page (checked
// before anything is written), leaves an existing file untouched. Lines are
// written as given, so they should not hold line breaks of their own.
TextFileResult writeTextLines(const QString& path, const QStringList& lines,
                              CodePage page = CodePage::Windows1252);

// Both bytes to text and into lines: CR LF and a bare LF end a line, a last
// line without an ending is kept, and an ending at the very end of the file
// does not add an empty line. A CR that is not followed by LF stays in the text.
QStringList splitTextLines(QByteArrayView bytes, CodePage page = CodePage::Windows1252);

struct TextFileLines : TextFileResult {
    QStringList lines;
};
TextFileLines readTextLines(const QString& path, CodePage page = CodePage::Windows1252);

} // namespace belvanto
