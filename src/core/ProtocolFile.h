#pragma once
// Saving a protocol report: which format a chosen file name gets, and the two
// writers (rich text and plain Windows-1252 text).
#include "core/TextFile.h"
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace belvanto {

struct ProtocolSaveTarget {
    QString path;
    bool richText = false;
    bool operator==(const ProtocolSaveTarget&) const = default;
};

// A file name without a dot gets ".rtf" and rich text; a name with a dot is
// rich text when it contains ".rtf" in lower case, else plain text. Only the
// file name counts: directories often hold dots.
ProtocolSaveTarget ProtocolSaveTargetFor(const QString& chosenPath);

// What the protocol window shows: a centred bold title, a centred date line,
// an empty line, then the report's lines.
struct ProtocolDocument {
    QString title;
    QString dateLine;        // "created on ..."
    QStringList lines;
    QString fontFamily = QStringLiteral("Arial");
    double pointSize = 10;
    // The date line and the report's lines in bold too (the title always is).
    bool bold = false;
};

QByteArray ProtocolRtf(const ProtocolDocument& document);
// Title, date line, an empty line and the report's lines.
QStringList ProtocolTextLines(const ProtocolDocument& document);
// Characters Windows-1252 cannot hold become "?": a report is for reading,
// and a lost accent must not cost the whole file.
TextFileResult SaveProtocol(const ProtocolDocument& document, const ProtocolSaveTarget& target);

} // namespace belvanto
