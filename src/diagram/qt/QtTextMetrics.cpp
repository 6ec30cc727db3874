#include "diagram/qt/QtTextMetrics.h"
#include <QFontDatabase>

namespace belvanto {

QFont MakeDiagramQFont(const DiagramFont& font)
{
    QFont f(font.family);
    f.setPointSize(font.points);
    f.setBold(font.bold);
    f.setItalic(font.italic);
    f.setUnderline(font.underline);
    f.setHintingPreference(QFont::PreferFullHinting);
    f.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoSubpixelAntialias));
    return f;
}

bool DiagramFontFamilyExists(const QString& family)
{
    return QFontDatabase::hasFamily(family);
}

QtTextMetrics::QtTextMetrics(const DiagramFont& font)
    : device_(1, 1, QImage::Format_RGB32), font_(MakeDiagramQFont(font)), metrics_(font_, &device_)
{
}

int QtTextMetrics::width(const QString& text) const
{
    return metrics_.horizontalAdvance(text);
}

int QtTextMetrics::height(const QString&) const
{
    // Ascent and descent, the height of a line of text in this font.
    return metrics_.height();
}

} // namespace belvanto
