#pragma once
// The settings file "Belvanto.ini": the main window's geometry and the
// recent-projects list, kept between runs. Plain data here; the main window
// applies and collects it.
#include <QChar>
#include <QString>
#include <QStringList>
#include <optional>

namespace belvanto {

inline const QString kSettingsFileName = QStringLiteral("Belvanto.ini");

struct AppSettings {
    bool maximized = false;
    int height = 0;        // of the normal (not maximized) window
    int width = 0;
    int splitterPos = 0;   // width of the left panel
    QStringList recent;    // most recent first, no gaps, at most four

    bool operator==(const AppSettings&) const = default;
};

// Nothing when the file cannot be read or a geometry key is missing: such a
// file is ignored as a whole, recent projects included. A geometry value
// that is no whole number reads as 0 (not set); the other values still count. Keys are found without regard to case;
// the first occurrence counts.
std::optional<AppSettings> ReadSettings(const QString& path);
// The lines WriteSettings writes, in their order.
QStringList SettingsLines(const AppSettings& settings);
// Replaces the file; false when it could not be written.
bool WriteSettings(const QString& path, const AppSettings& settings);

// Where the settings file lives: beside the program when that directory is
// writable, else in the user's configuration directory.
QString SettingsFilePath(const QString& programDirectory, const QString& configDirectory);

// Menu text for a recent project: short paths whole, longer ones as the
// start of the directory, "..", the separator and the file name.
QString ShortenPath(const QString& path, QChar separator);
// "&<slot> <shortened path>", slot counted from 1.
QString RecentProjectCaption(int slot, const QString& path, QChar separator);

} // namespace belvanto
