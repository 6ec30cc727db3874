#include "editing/ImageLinks.h"
#include "core/JpegErrors.h"
#include "core/Rounding.h"
#include "core/UserInterface.h"
#include "store/Project.h"
#include "store/Session.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace belvanto {

QString ImageKindName(ImageKind kind)
{
    return kind == ImageKind::Drawing ? QStringLiteral("drawing") : QStringLiteral("photo");
}

ImageSource ImageSourceOf(const ProjectState& project, ImageKind kind)
{
    if (kind == ImageKind::Drawing) return {project.DrawingPath, project.DrawingPrefix, project.Separator};
    return {project.PhotoPath, project.PhotoPrefix, project.Separator};
}

QString ImageFolder(const ProjectState& project, const QString& path)
{
    if (path.isEmpty()) return QString();
    const QString cleaned = QDir::fromNativeSeparators(path);
    if (QDir::isAbsolutePath(cleaned) || project.ProjectDirectory.isEmpty()) return QDir::cleanPath(cleaned);
    return QDir::cleanPath(QDir(project.ProjectDirectory).absoluteFilePath(cleaned));
}

bool CheckImageLinkInput(UserInterface& ui, ImageKind kind, const QString& numbers, const QString& path)
{
    if (numbers.isEmpty()) {
        ui.warning(QStringLiteral("Please enter %1 numbers first.").arg(ImageKindName(kind)));
        return false;
    }
    if (path.isEmpty()) {
        ui.warning(QStringLiteral("Please enter %1 path first.").arg(ImageKindName(kind)));
        return false;
    }
    return true;
}

QStringList SplitImageNumbers(const QString& numbers, const QString& separator, const QString& prefix)
{
    QStringList entries;
    QString rest = numbers;
    if (!separator.isEmpty()) {
        for (qsizetype at = rest.indexOf(separator); at >= 0; at = rest.indexOf(separator)) {
            if (at == 0) {
                rest.remove(0, separator.size());
                continue;
            }
            entries << rest.left(at);
            rest.remove(0, at + separator.size());
            // Blanks and control characters, as "12; 13" is typed.
            qsizetype blanks = 0;
            while (blanks < rest.size() && rest.at(blanks).unicode() <= 32) ++blanks;
            rest.remove(0, blanks);
        }
    }
    if (!rest.isEmpty()) entries << rest;
    if (!prefix.isEmpty())
        for (QString& entry : entries) entry.prepend(prefix);
    return entries;
}

PictureLookup FindPicture(const QString& folder, const QString& entry)
{
    using Outcome = PictureLookup::Outcome;
    const QFileInfo stem(QDir(folder).filePath(entry));
    const QDir dir = stem.absoluteDir();
    if (!dir.exists()) return {Outcome::NoFolder, QDir::toNativeSeparators(dir.absolutePath()), QString()};
    const QString name = stem.fileName();
    if (entry.isEmpty() || name.isEmpty()) return {};
    // Names differ in case from the typed numbers and from the extensions;
    // a name spelt exactly as looked for wins over one differing in case.
    const QStringList files = dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& extension : kPictureExtensions) {
        const QString wanted = name + QLatin1Char('.') + extension;
        auto match = std::find(files.begin(), files.end(), wanted);
        if (match == files.end())
            match = std::find_if(files.begin(), files.end(), [&](const QString& file) {
                return file.compare(wanted, Qt::CaseInsensitive) == 0;
            });
        if (match != files.end()) return {Outcome::Found, dir.absoluteFilePath(*match), extension};
    }
    const QString start = name + QLatin1Char('.');
    for (const QString& file : files)
        if (file.startsWith(start, Qt::CaseInsensitive)) return {Outcome::OtherFormat, dir.absoluteFilePath(file), QString()};
    return {};
}

QString PictureLookupText(const PictureLookup& lookup)
{
    switch (lookup.outcome) {
    case PictureLookup::Outcome::Found: return QString();
    case PictureLookup::Outcome::OtherFormat: return kPictureNotSupported;
    case PictureLookup::Outcome::NotFound: return kNoPictureFound;
    case PictureLookup::Outcome::NoFolder: return QStringLiteral("Picture folder %1 not found").arg(lookup.file);
    }
    return kNoPictureFound;
}

bool IsPictureFile(const QString& path)
{
    const QFileInfo file(path);
    return file.isFile() && kPictureExtensions.contains(file.suffix(), Qt::CaseInsensitive);
}

namespace {

// Nothing with a destructor may live between setjmp and longjmp here: the
// picture belongs to the caller.
bool decompress(const QByteArray& data, RgbPicture& picture)
{
    jpeg_decompress_struct info;
    JpegErrorManager errors;
    info.err = InstallJpegErrors(errors);
    if (setjmp(errors.resume)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.constData()), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
    const qint64 pixels = qint64(info.image_width) * qint64(info.image_height);
    if (pixels <= 0 || pixels > kMaxPicturePixels) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    if (info.output_components != 3 || info.output_width == 0 || info.output_height == 0) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    picture.width = int(info.output_width);
    picture.height = int(info.output_height);
    const std::size_t stride = std::size_t(info.output_width) * 3;
    picture.rgb.resize(stride * info.output_height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = picture.rgb.data() + stride * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

} // namespace

std::optional<RgbPicture> DecodeJpeg(const QByteArray& data)
{
    if (data.isEmpty()) return std::nullopt;
    RgbPicture picture;
    if (!decompress(data, picture)) return std::nullopt;
    return picture;
}

std::optional<RgbPicture> DecodeJpegFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    return DecodeJpeg(file.readAll());
}

std::optional<PictureSize> FitPictureSize(int width, int height)
{
    if (width <= 0 || height <= 0) return std::nullopt;
    const double f = std::min(double(kImageAreaWidth) / width, double(kImageAreaHeight) / height);
    // Never 0 by 0: a picture a thousand times wider than high keeps a line.
    const auto side = [f](int length) { return int(std::max<qint64>(roundHalfEven(length * f), 1)); };
    return PictureSize{side(width), side(height)};
}

ImageLinkSettings ImageLinkSettingsOf(const ProjectState& project)
{
    return {project.PhotoPath, project.PhotoPrefix, project.DrawingPath, project.DrawingPrefix,
            project.Separator.isEmpty() ? QStringLiteral(";") : project.Separator};
}

ImageLinkFocus ValidateImageLinkSettings(UserInterface& ui, const ProjectState& project,
                                         const ImageLinkSettings& settings)
{
    const auto missing = [&](const QString& path) {
        return !path.isEmpty() && !QFileInfo(ImageFolder(project, path)).isDir();
    };
    if (missing(settings.photoPath)) {
        ui.error(QStringLiteral("Photo path not found!"));
        return ImageLinkFocus::PhotoPath;
    }
    if (missing(settings.drawingPath)) {
        ui.error(QStringLiteral("Drawing path not found!"));
        return ImageLinkFocus::DrawingPath;
    }
    if (settings.photoPath.isEmpty() && settings.drawingPath.isEmpty()) return ImageLinkFocus::None;
    if (settings.separator.isEmpty()) {
        ui.warning(QStringLiteral("If photo or drawing path are entered, a separator should be entered as well."));
        return ImageLinkFocus::Separator;
    }
    return ImageLinkFocus::None;
}

bool ApplyImageLinkSettings(Session& session, const ImageLinkSettings& settings)
{
    ProjectState& p = session.project();
    const ImageLinkSettings before{p.PhotoPath, p.PhotoPrefix, p.DrawingPath, p.DrawingPrefix, p.Separator};
    if (before == settings) return false;
    p.PhotoPath = settings.photoPath;
    p.PhotoPrefix = settings.photoPrefix;
    p.DrawingPath = settings.drawingPath;
    p.DrawingPrefix = settings.drawingPrefix;
    p.Separator = settings.separator;
    // Written at once, as every other change is: a program that ends without
    // closing the project keeps the links. A failure has been shown; the
    // settings still hold until the project closes.
    if (p.isOpen() && !p.ReadOnly)
        WriteProjectFile(session, p.ProjectFilePath, p.ProjectName, p.CurrentExcavation, p.DiagramPresent,
                         p.SingleExcavation);
    return true;
}

FileChoice ImageSearchChoice(const ProjectState& project, ImageKind kind, const QString& path)
{
    FileChoice choice;
    choice.title = kind == ImageKind::Photo ? QStringLiteral("Select a photo in photo path")
                                            : QStringLiteral("Select a drawing in drawing path");
    // Qt's file dialog separates the patterns of one filter by blanks.
    choice.filter = QStringLiteral("All (*.jpg *.jpeg *.bmp *.ico *.emf *.wmf);;JPEG Image File (*.jpg);;"
                                   "JPEG Image File (*.jpeg);;Bitmaps (*.bmp);;Enhanced Metafiles (*.emf);;"
                                   "Metafiles (*.wmf)");
    const QString folder = ImageFolder(project, path);
    if (!folder.isEmpty() && QFileInfo(folder).isDir()) choice.directory = folder;
    return choice;
}

ImageSearchResult ImageSearchOutcome(const QString& chosenFile, const QString& prefix)
{
    const QFileInfo file(chosenFile);
    ImageSearchResult result{QDir::toNativeSeparators(file.absolutePath()), prefix};
    if (prefix.isEmpty()) {
        QString name = file.completeBaseName();
        while (!name.isEmpty() && name.back() >= QLatin1Char('0') && name.back() <= QLatin1Char('9')) name.chop(1);
        result.prefix = name;
    }
    return result;
}

} // namespace belvanto
