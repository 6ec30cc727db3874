#include "core/TextFile.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace belvanto {

namespace {

QString codePageName(CodePage page)
{
    return page == CodePage::Oem850 ? QStringLiteral("DOS (code page 850)")
                                    : QStringLiteral("Windows (code page 1252)");
}

TextFileResult failure(QString error, qsizetype line = -1)
{
    return {false, std::move(error), line};
}

TextFileResult readFailure(const QString& path, const QFile& file)
{
    return failure(QStringLiteral("Cannot read %1: %2")
                       .arg(QDir::toNativeSeparators(path), file.errorString()));
}

// "ł" (U+0142); a surrogate pair is named by its full code point.
QString describeCharacter(const QString& text, qsizetype at)
{
    char32_t code = text.at(at).unicode();
    qsizetype length = 1;
    if (text.at(at).isHighSurrogate() && at + 1 < text.size() && text.at(at + 1).isLowSurrogate()) {
        code = QChar::surrogateToUcs4(text.at(at), text.at(at + 1));
        length = 2;
    }
    return QStringLiteral("the character \"%1\" (U+%2)")
        .arg(text.mid(at, length),
             QString::number(code, 16).toUpper().rightJustified(4, QLatin1Char('0')));
}

} // namespace

TextFileResult writeTextLines(const QString& path, const QStringList& lines, CodePage page)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        const auto encoded = encode(page, line);
        if (!encoded) {
            return failure(QStringLiteral("Line %1 of %2 contains %3, which the %4 character set "
                                          "cannot hold.")
                               .arg(QString::number(i + 1), QDir::toNativeSeparators(path),
                                    describeCharacter(line, firstUnencodable(page, line)),
                                    codePageName(page)),
                           i);
        }
        bytes += *encoded;
        bytes += "\r\n";
    }

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        return failure(QStringLiteral("Cannot write %1: %2")
                           .arg(QDir::toNativeSeparators(path), file.errorString()));
    }
    return {};
}

QStringList splitTextLines(QByteArrayView bytes, CodePage page)
{
    QStringList lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        const qsizetype next = end < 0 ? bytes.size() : end + 1;
        if (end < 0) end = bytes.size();
        else if (end > start && bytes[end - 1] == '\r') --end;
        lines.append(decode(page, bytes.sliced(start, end - start)));
        start = next;
    }
    return lines;
}

TextFileLines readTextLines(const QString& path, CodePage page)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {readFailure(path, file), {}};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return {readFailure(path, file), {}};
    return {{}, splitTextLines(bytes, page)};
}

} // namespace belvanto
