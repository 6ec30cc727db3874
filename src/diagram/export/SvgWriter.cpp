#include "diagram/export/SvgWriter.h"
#include "core/Rounding.h"
#include "core/UserInterface.h"
#include <QDir>
#include <QSaveFile>

namespace belvanto {

namespace {

const char* const kEol = "\r\n";

// The document is ASCII through and through, so it is assembled as bytes.
class Svg {
public:
    QByteArray bytes;

    Svg& operator<<(const char* s) { bytes.append(s); return *this; }
    Svg& operator<<(const QByteArray& s) { bytes.append(s); return *this; }
    Svg& operator<<(const QString& s) { bytes.append(s.toLatin1()); return *this; }
    Svg& operator<<(qint64 n) { bytes.append(QByteArray::number(n)); return *this; }
    Svg& operator<<(int n) { bytes.append(QByteArray::number(n)); return *this; }

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
    const quint32 red = colour & 0xFF, green = (colour >> 8) & 0xFF, blue = (colour >> 16) & 0xFF;
    return QStringLiteral("#%1%2%3")
        .arg(red, 2, 16, QLatin1Char('0'))
        .arg(green, 2, 16, QLatin1Char('0'))
        .arg(blue, 2, 16, QLatin1Char('0'))
        .toUpper();
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

QByteArray SvgDocument(const DiagramDrawing& d, const DiagramFont& font)
{
    const DiagramGeometry& g = d.geometry;
    const BoxGeometry& box = g.box();
    Svg svg;
    svg.bytes.reserve(qsizetype(200 + 90 * d.units.size() + 100 * d.relations.size()));
    svg << "<?xml version=\"1.0\" standalone=\"no\"?>" << kEol
        << "<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 20010904//EN\"" << kEol
        << "\"http://www.w3.org/TR/2001/REC-SVG-20010904/DTD/svg10.dtd\">" << kEol
        << "<svg width=\"" << g.width() << "\" height=\"" << g.height() << "\" xmlns=\"http://www.w3.org/2000/svg\""
        << kEol << "xmlns:xlink=\"http://www.w3.org/1999/xlink\">" << kEol;

    svg << "<g id=\"Harris boxes\" stroke=\"black\" stroke-width=\"1pt\">" << kEol;
    for (const UnitItem& u : d.units) {
        if (u.dummy) continue;
        const Rect& r = u.rect;
        const QString fill = SvgColour(u.look.fill);
        if (u.look.style <= 7) {
            svg << "<rect x=\"" << r.left << "\" y=\"" << r.top << "\" width=\"" << (r.right - r.left)
                << "\" height=\"" << (r.bottom - r.top) << "\" fill=\"" << fill << "\" "
                << styleAttribute(u.look.style, box) << " />" << kEol;
        } else {
            svg << "<polygon fill=\"" << fill << "\"" << kEol << "points=\"";
            for (const Point& p : u.shape) svg << p.x << "," << p.y << " ";
            svg << "\" />" << kEol;
        }
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
    return svg.bytes;
}

std::optional<QString> WriteSvgFile(const QString& path, const DiagramDrawing& drawing, const DiagramFont& font)
{
    const QByteArray bytes = SvgDocument(drawing, font);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
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
