#include "diagram/export/SvgWriter.h"
#include "core/Rounding.h"
#include "core/UserInterface.h"
#include <QDir>
#include <QSaveFile>
#include <charconv>
#include <string>

namespace belvanto {

namespace {

const char* const kEol = "\r\n";

// The document is ASCII through and through, so it is assembled as bytes:
// a large layout has hundreds of thousands of elements of some thirty
// pieces each, and a plain string appends them fastest.
class Svg {
public:
    std::string bytes;

    Svg& operator<<(const char* s) { bytes += s; return *this; }
    Svg& operator<<(const QByteArray& s) { bytes.append(s.constData(), std::size_t(s.size())); return *this; }
    Svg& operator<<(const QString& s) { return *this << s.toLatin1(); }
    Svg& operator<<(qint64 n)
    {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
        bytes.append(digits, std::size_t(end - digits));
        return *this;
    }
    Svg& operator<<(int n) { return *this << qint64(n); }
    Svg& colour(quint32 c)
    {
        static const char hex[] = "0123456789ABCDEF";
        const char text[7] = {'#', hex[(c >> 4) & 15], hex[c & 15], hex[(c >> 12) & 15], hex[(c >> 8) & 15],
                              hex[(c >> 20) & 15], hex[(c >> 16) & 15]};
        bytes.append(text, 7);
        return *this;
    }

    void header(qint64 width, qint64 height)
    {
        *this << "<?xml version=\"1.0\" standalone=\"no\"?>" << kEol
              << "<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 20010904//EN\"" << kEol
              << "\"http://www.w3.org/TR/2001/REC-SVG-20010904/DTD/svg10.dtd\">" << kEol
              << "<svg width=\"" << width << "\" height=\"" << height << "\" xmlns=\"http://www.w3.org/2000/svg\""
              << kEol << "xmlns:xlink=\"http://www.w3.org/1999/xlink\">" << kEol;
    }
    void box(const UnitItem& u, const BoxGeometry& box);
    void line(qint64 x1, qint64 y1, qint64 x2, qint64 y2)
    {
        *this << "<line x1=\"" << x1 << "\" y1=\"" << y1 << "\" x2=\"" << x2 << "\" y2=\"" << y2 << "\" />" << kEol;
    }
    void text(const TextItem& t)
    {
        *this << "<text x=\"" << t.x << "\" y=\"" << t.baseline << "\" >" << kEol << SvgEscapeText(t.text) << kEol
              << "</text>" << kEol;
    }
};

QByteArray styleAttribute(int style, const BoxGeometry& box)
{
    switch (style) {
    case 1: return "stroke-dasharray=\"8,4\"";
    case 2: return "stroke-dasharray=\"2,2\"";
    case 3: return "stroke-dasharray=\"8,3,2,3\"";
    case 4: return "stroke-dasharray=\"8,3,2,3,2,3\"";
    case 5: return "stroke=\"none\"";
    case 6: {
        const QByteArray n = QByteArray::number(box.BoxHalfHeight / 2);
        return "rx=\"" + n + "\" ry=\"" + n + "\"";
    }
    case 7: {
        const QByteArray n = QByteArray::number(roundHalfEven(0.75 * box.BoxHalfHeight));
        return "rx=\"" + n + "\" ry=\"" + n + "\"";
    }
    default: return QByteArray();
    }
}

void Svg::box(const UnitItem& u, const BoxGeometry& box)
{
    const Rect& r = u.rect;
    if (u.look.style <= 7) {
        *this << "<rect x=\"" << r.left << "\" y=\"" << r.top << "\" width=\"" << (r.right - r.left)
              << "\" height=\"" << (r.bottom - r.top) << "\" fill=\"";
        colour(u.look.fill) << "\" " << styleAttribute(u.look.style, box) << " />" << kEol;
    } else {
        *this << "<polygon fill=\"";
        colour(u.look.fill) << "\"" << kEol << "points=\"";
        for (const Point& p : u.shape(box)) *this << p.x << "," << p.y << " ";
        *this << "\" />" << kEol;
    }
}

} // namespace

QString SvgEscapeText(const QString& text)
{
    QString out;
    out.reserve(text.size());
    const QList<uint> codePoints = text.toUcs4();
    for (const uint c : codePoints) {
        if (c < 32) continue;
        // "]]>" may not stand in character data: its ">" is written as a reference.
        if ((c >= 34 && c <= 41) || c == 60 || c >= 128 || (c == '>' && out.endsWith(QStringLiteral("]]"))))
            out += QStringLiteral("&#%1;").arg(c);
        else
            out += QChar(char16_t(c));
    }
    return out;
}

QString SvgColour(quint32 colour)
{
    Svg svg;
    svg.colour(colour);
    return QString::fromLatin1(svg.bytes.data(), qsizetype(svg.bytes.size()));
}

QString SvgFontAttributes(const DiagramFont& font)
{
    QString a = QStringLiteral("font-family=\"sans-serif\" font-size=\"%1pt\" fill=\"%2\"")
                    .arg(font.points)
                    .arg(SvgColour(font.colour));
    a += font.bold ? QStringLiteral(" font-weight=\"bold\" ") : QStringLiteral(" ");
    if (font.italic) a += QStringLiteral("font-style=\"italic\" ");
    if (font.underline) a += QStringLiteral("text-decoration=\"underline\" ");
    a += QStringLiteral("text-anchor=\"start\"");
    return a;
}

namespace {

std::string document(const DiagramDrawing& d, const DiagramFont& font)
{
    const DiagramGeometry& g = d.geometry;
    const BoxGeometry& box = g.box();
    Svg svg;
    svg.bytes.reserve(200 + 90 * d.units.size() + 100 * d.relations.size());
    svg.header(g.width(), g.height());

    svg << "<g id=\"Harris boxes\" stroke=\"black\" stroke-width=\"1pt\">" << kEol;
    for (const UnitItem& u : d.units) {
        if (u.dummy) continue;
        svg.box(u, box);
    }
    svg << "</g>" << kEol;

    svg << "<g id=\"Harris box text\" " << SvgFontAttributes(font) << ">" << kEol;
    for (const TextItem& name : d.periodNames) svg.text(name);
    for (const UnitItem& u : d.units)
        if (!u.dummy) svg.text(u.label);
    svg << kEol << "</g>" << kEol;

    if (!d.periodNames.empty()) {
        svg << "<g id=\"Harris phases\" stroke=\"black\" stroke-width=\"1\"" << kEol
            << "  stroke-dasharray=\"8,4\" >" << kEol;
        for (qint64 y : d.periodLines) svg.line(0, y, g.width() - 1, y);
        svg << "</g>" << kEol;
    }
    svg << "<g id=\"Harris relationships\" stroke=\"black\" stroke-width=\"1\">" << kEol;
    for (const UnitItem& u : d.units)
        if (u.dummy) svg.line(u.dummyLine.x, u.dummyLine.top, u.dummyLine.x, u.dummyLine.bottom);
    for (const RelItem& r : d.relations) {
        if (r.equal) {
            const EqualLine& e = r.equalLine;
            svg.line(e.xFrom, e.y - 2, e.xTo, e.y - 2);
            svg.line(e.xFrom, e.y + 2, e.xTo, e.y + 2);
            continue;
        }
        const RelPath& p = r.path;
        if (p.startX != p.x1) svg.line(p.startX, p.y1, p.x1, p.y1);
        if (p.straight) {
            svg.line(p.x1, p.y1, p.x1, p.y2);
        } else {
            svg << "<polyline fill=\"none\"" << kEol << "  points=\"" << p.x1 << "," << p.y1 << "  " << p.x1 << ","
                << p.trackY << kEol << "  " << p.x2 << "," << p.trackY << "  " << p.x2 << "," << p.y2 << "\" />"
                << kEol;
        }
    }
    svg << kEol << "</g>" << kEol << "</svg>" << kEol;
    return std::move(svg.bytes);
}

} // namespace

namespace {

QByteArray bytesOf(const Svg& svg)
{
    return QByteArray(svg.bytes.data(), qsizetype(svg.bytes.size()));
}

} // namespace

QByteArray SvgHeader(qint64 width, qint64 height)
{
    Svg svg;
    svg.header(width, height);
    return bytesOf(svg);
}

QByteArray SvgBoxElement(const UnitItem& unit, const BoxGeometry& box)
{
    Svg svg;
    svg.box(unit, box);
    return bytesOf(svg);
}

QByteArray SvgTextElement(const TextItem& text)
{
    Svg svg;
    svg.text(text);
    return bytesOf(svg);
}

QByteArray SvgDocument(const DiagramDrawing& drawing, const DiagramFont& font)
{
    const std::string bytes = document(drawing, font);
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

std::optional<QString> WriteSvgFile(const QString& path, const DiagramDrawing& drawing, const DiagramFont& font)
{
    const std::string bytes = document(drawing, font);
    const qint64 size = qint64(bytes.size());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes.data(), size) != size || !file.commit())
        return QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(path), file.errorString());
    return std::nullopt;
}

FileChoice SvgFileChoice()
{
    FileChoice choice;
    choice.title = QStringLiteral("Export Harris diagram to SVG");
    choice.filter = QStringLiteral("Scalable vector graphics (*.svg);;All files (*)");
    choice.fileName = QStringLiteral("*.svg");
    return choice;
}

bool ExportSvgCommand(UserInterface& ui, const DiagramDrawing& drawing, const DiagramFont& font)
{
    constexpr int kHelp = 142;
    const auto path = ui.saveFile(SvgFileChoice());
    if (!path) return false;
    if (const auto failure = WriteSvgFile(*path, drawing, font)) {
        ui.error(*failure);
        return false;
    }
    ui.information(QStringLiteral("Diagram was exported successfully to file \r\n") + QDir::toNativeSeparators(*path),
                   kHelp);
    return true;
}

} // namespace belvanto
