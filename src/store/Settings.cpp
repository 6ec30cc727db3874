#include "store/Settings.h"
#include "core/TextCodec.h"
#include "store/Session.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <algorithm>

namespace belvanto {

namespace {

const QString kMaximized = QStringLiteral("Maximized");

// Settings are single-byte Windows text; a recent path that code page cannot
// hold makes the whole file UTF-8 rather than losing the path.
QString decodeSettings(const QByteArray& bytes)
{
    const bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!ascii) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = utf8(bytes);
        if (!utf8.hasError()) return text;
    }
    return decodeCp1252(bytes);
}

std::optional<QString> valueOf(const QStringList& lines, const QString& key)
{
    for (const QString& line : lines) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq >= 0 && line.left(eq).compare(key, Qt::CaseInsensitive) == 0) return line.mid(eq + 1);
    }
    return std::nullopt;
}

std::optional<int> wholeNumber(const std::optional<QString>& text)
{
    if (!text) return std::nullopt;
    bool ok = false;
    const int n = text->trimmed().toInt(&ok);
    if (!ok) return std::nullopt;
    return n;
}

} // namespace

std::optional<AppSettings> ReadSettings(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    QStringList lines = decodeSettings(file.readAll()).split(QLatin1Char('\n'));
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);

    const auto height = valueOf(lines, QStringLiteral("MainFormH"));
    const auto width = valueOf(lines, QStringLiteral("MainFormW"));
    const auto splitter = valueOf(lines, QStringLiteral("SplitterPos"));
    if (!height || !width || !splitter) return std::nullopt;

    // One damaged value costs only itself: 0 leaves the window's own size,
    // and the recent projects are still read.
    AppSettings s;
    s.height = wholeNumber(height).value_or(0);
    s.width = wholeNumber(width).value_or(0);
    s.splitterPos = wholeNumber(splitter).value_or(0);
    s.maximized = valueOf(lines, QStringLiteral("ApplWindow")) == kMaximized;
    // A slot left empty (a hand-edited file, or one written by an older
    // version) must not leave a hole in the menu.
    QStringList recent;
    for (int slot = 1; slot <= RecentProjects::kSlots; ++slot)
        recent << valueOf(lines, QStringLiteral("File%1").arg(slot)).value_or(QString());
    RecentProjects compact;
    compact.setPaths(recent);
    s.recent = compact.paths();
    return s;
}

QStringList SettingsLines(const AppSettings& settings)
{
    QStringList lines{QStringLiteral("ApplWindow=") + (settings.maximized ? kMaximized : QStringLiteral("Normal")),
                      QStringLiteral("MainFormH=%1").arg(settings.height),
                      QStringLiteral("MainFormW=%1").arg(settings.width),
                      QStringLiteral("SplitterPos=%1").arg(settings.splitterPos)};
    int slot = 0;
    for (const QString& path : settings.recent) {
        if (path.isEmpty()) continue;
        if (++slot > RecentProjects::kSlots) break;
        lines << QStringLiteral("File%1=%2").arg(slot).arg(path);
    }
    return lines;
}

bool WriteSettings(const QString& path, const AppSettings& settings)
{
    QString text;
    for (const QString& line : SettingsLines(settings)) text += line + QStringLiteral("\r\n");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    const auto bytes = encodeCp1252(text);
    file.write(bytes ? *bytes : text.toUtf8());
    return file.commit();
}

QString SettingsFilePath(const QString& programDirectory, const QString& configDirectory)
{
    const QFileInfo program(programDirectory);
    if (program.isDir() && program.isWritable()) return QDir(programDirectory).filePath(kSettingsFileName);
    return QDir(configDirectory).filePath(kSettingsFileName);
}

QString ShortenPath(const QString& path, QChar separator)
{
    constexpr qsizetype kWhole = 34;      // shown whole up to this length
    constexpr qsizetype kLongName = 30;   // longer file names are shown alone
    constexpr qsizetype kBudget = 32;     // directory start plus file name
    if (path.size() <= kWhole) return path;
    const qsizetype cut = path.lastIndexOf(separator);
    const QString fileName = path.mid(cut + 1);
    if (fileName.size() > kLongName) return fileName;
    return path.left(kBudget - fileName.size()) + QStringLiteral("..") + separator + fileName;
}

QString RecentProjectCaption(int slot, const QString& path, QChar separator)
{
    return QStringLiteral("&%1 %2").arg(slot).arg(ShortenPath(path, separator));
}

} // namespace belvanto
