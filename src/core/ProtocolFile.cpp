#include "core/ProtocolFile.h"
#include "core/TextCodec.h"
#include <QFileInfo>
#include <QSaveFile>
#include <cmath>

namespace belvanto {

ProtocolSaveTarget ProtocolSaveTargetFor(const QString& chosenPath)
{
    const QString fileName = QFileInfo(chosenPath).fileName();
    if (!fileName.contains(QLatin1Char('.'))) return {chosenPath + QStringLiteral(".rtf"), true};
    return {chosenPath, fileName.contains(QStringLiteral(".rtf"))};
}

namespace {

// RTF text: control characters of the format escaped, Windows-1252
// characters above ASCII as \'xx, everything else as \uN with "?" for readers
// without Unicode.
QByteArray rtfText(const QString& text)
{
    QByteArray out;
    out.reserve(text.size() + 8);
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\\' || u == u'{' || u == u'}') {
            out += '\\';
            out += char(u);
        } else if (u == u'\t') {
            out += "\\tab ";
        } else if (u >= 0x20 && u < 0x80) {
            out += char(u);
        } else if (u < 0x20 || u == 0x7f) {
            // Line breaks cannot stand inside a line; other controls mean nothing.
        } else if (const auto byte = encodeCp1252(QStringView(&c, 1))) {
            out += QStringLiteral("\\'%1").arg(int(uchar(byte->at(0))), 2, 16, QLatin1Char('0')).toLatin1();
        } else {
            out += "\\u" + QByteArray::number(qint16(u)) + '?';
        }
    }
    return out;
}

QString replaceUnencodable(QString text)
{
    for (qsizetype i = firstUnencodableCp1252(text); i >= 0; i = firstUnencodableCp1252(text)) {
        // A pair of surrogates is one character and one "?".
        const qsizetype n = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        text.replace(i, n, QStringLiteral("?"));
    }
    return text;
}

} // namespace

QByteArray ProtocolRtf(const ProtocolDocument& document)
{
    const int halfPoints = std::max(2, int(std::lround(document.pointSize * 2)));
    const QByteArray size = "\\fs" + QByteArray::number(halfPoints);
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl{\\f0\\fnil\\fcharset0 "
                     + rtfText(document.fontFamily) + ";}}\r\n";
    rtf += "\\pard\\qc\\f0" + size + "\\b " + rtfText(document.title) + "\\b0\\par\r\n";
    // The title's \b0 ends its bold; a bold document switches it on again
    // for the rest.
    const QByteArray body = document.bold ? QByteArray("\\b ") : QByteArray(" ");
    rtf += "\\pard\\qc\\f0" + size + body + rtfText(document.dateLine) + "\\par\r\n";
    rtf += "\\pard\\ql\\f0" + size + "\\par\r\n";
    for (const QString& line : document.lines) rtf += rtfText(line) + "\\par\r\n";
    rtf += "}\r\n";
    return rtf;
}

QStringList ProtocolTextLines(const ProtocolDocument& document)
{
    QStringList lines{document.title, document.dateLine, QString()};
    lines += document.lines;
    return lines;
}

TextFileResult SaveProtocol(const ProtocolDocument& document, const ProtocolSaveTarget& target)
{
    if (!target.richText) {
        QStringList lines = ProtocolTextLines(document);
        for (QString& line : lines) line = replaceUnencodable(line);
        return writeTextLines(target.path, lines);
    }
    QSaveFile file(target.path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(ProtocolRtf(document));
        if (file.commit()) return {};
    }
    TextFileResult failed;
    failed.ok = false;
    failed.error = QStringLiteral("File %1 could not be written: %2").arg(target.path, file.errorString());
    return failed;
}

} // namespace belvanto
