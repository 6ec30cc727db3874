#pragma once
// Photos and drawings linked to a unit by the numbers typed into its Photos
// or Drawings field: the project's folder and name prefix for each kind, the
// separator between numbers, finding the picture file of a number, decoding
// JPEG pictures and the settings dialog's rules.
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace belvanto {

class UserInterface;
class Session;
struct ProjectState;
struct FileChoice;

enum class ImageKind { Drawing, Photo };

// "drawing" / "photo", as the messages and the list title name the kind.
QString ImageKindName(ImageKind kind);

inline const QString kImageListHelpName = QStringLiteral("Photos_Drawings_button");
inline const QString kImageLinkSettingsHelpName = QStringLiteral("Photos_and_drawings_config");

// What the image list window shows in place of a picture.
inline const QString kPictureNotSupported = QStringLiteral("Picture format not supported");
inline const QString kNoPictureFound = QStringLiteral("No picture found");
inline const QString kCannotReadPicture = QStringLiteral("Cannot read picture format");

// The extensions of the pictures that are looked for, in the order they are
// tried; the only files "Show" hands to the system.
inline const QStringList kPictureExtensions{QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("bmp"),
                                            QStringLiteral("emf"), QStringLiteral("wmf"), QStringLiteral("ico")};

// The size of the image area of the list window, and what a picture is
// fitted into.
inline constexpr int kImageAreaWidth = 372;
inline constexpr int kImageAreaHeight = 404;

// One kind's settings as the project holds them.
struct ImageSource {
    QString path;
    QString prefix;
    QString separator;
};
ImageSource ImageSourceOf(const ProjectState& project, ImageKind kind);

// The folder a path names: a relative one is taken from the project's
// folder, so that a project moved together with its pictures keeps them.
QString ImageFolder(const ProjectState& project, const QString& path);

// Before the list opens: the numbers and the folder must be there. Says
// which is missing and gives false.
bool CheckImageLinkInput(UserInterface& ui, ImageKind kind, const QString& numbers, const QString& path);

// The entries of a Photos or Drawings field: split at every separator
// (one at the very start is dropped, blanks after a separator go, an empty
// remainder is no entry; no separator keeps the text whole), each with the
// prefix in front.
QStringList SplitImageNumbers(const QString& numbers, const QString& separator, const QString& prefix);

// What looking for the picture of one entry found.
struct PictureLookup {
    enum class Outcome { Found, OtherFormat, NotFound, NoFolder };
    Outcome outcome = Outcome::NotFound;
    QString file;       // Found and OtherFormat: the file's absolute path; NoFolder: the folder
    QString extension;  // Found: the picture extension tried, lower case
};

// Looks in folder for entry + "." + each picture extension in their order,
// without regard to case, and else for any entry + ".*". The folder is read
// once; names are compared as text, so "*" or "?" in them are plain
// characters.
PictureLookup FindPicture(const QString& folder, const QString& entry);

// The text the image area shows instead of a picture; empty when one was
// found.
QString PictureLookupText(const PictureLookup& lookup);

// True for a file with one of the picture extensions: "Show" opens nothing
// else, whatever an entry happens to match.
bool IsPictureFile(const QString& path);

// A decoded picture: rows top to bottom, three bytes (red, green, blue) per
// pixel, no padding.
struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
};

// Pictures beyond this many pixels are refused rather than decoded into a
// buffer of gigabytes.
inline constexpr qint64 kMaxPicturePixels = qint64(100) * 1000 * 1000;

// Decodes JPEG data; nothing when the data is no JPEG picture the library
// can read (damaged, empty, colour spaces it cannot turn into RGB, too big).
std::optional<RgbPicture> DecodeJpeg(const QByteArray& data);
std::optional<RgbPicture> DecodeJpegFile(const QString& path);

struct PictureSize {
    int width = 0;
    int height = 0;
    bool operator==(const PictureSize&) const = default;
};
// The size a picture of width x height is shown at when fitted into the
// image area: scaled by min(372 / width, 404 / height), rounded half to even.
// Nothing for an empty picture.
std::optional<PictureSize> FitPictureSize(int width, int height);

// The settings dialog's five values.
struct ImageLinkSettings {
    QString photoPath, photoPrefix, drawingPath, drawingPrefix, separator;
    bool operator==(const ImageLinkSettings&) const = default;
};
// What the dialog starts with: the project's values, the separator ";"
// while the project has none.
ImageLinkSettings ImageLinkSettingsOf(const ProjectState& project);

// The control that gets the focus back after a refusal.
enum class ImageLinkFocus { None, PhotoPath, DrawingPath, Separator };
// OK's checks in their order; the first failure is shown.
ImageLinkFocus ValidateImageLinkSettings(UserInterface& ui, const ProjectState& project,
                                         const ImageLinkSettings& settings);
// The values become the project's and the project file is rewritten (not
// for a project opened for reading). False when they were the same already.
bool ApplyImageLinkSettings(Session& session, const ImageLinkSettings& settings);

// The search buttons' file dialog, starting in the current path when that
// folder exists.
FileChoice ImageSearchChoice(const ProjectState& project, ImageKind kind, const QString& path);
// A picture chosen there: its folder becomes the path; an empty prefix
// becomes the file name without extension and trailing digits.
struct ImageSearchResult {
    QString path;
    QString prefix;
};
ImageSearchResult ImageSearchOutcome(const QString& chosenFile, const QString& prefix);

} // namespace belvanto
