#pragma once
// Text measured in a real font, against the paint device the diagram is
// painted on: an image has 96 dots per inch whatever the screen has, so the
// window, its exports and belvanto-cli all get the same box sizes.
#include "diagram/TextMetrics.h"
#include <QFont>
#include <QFontMetrics>
#include <QImage>

namespace belvanto {

// The font the painter draws the diagram in: hinting and antialiasing fixed,
// so that the measured widths do not depend on the desktop's settings.
QFont MakeDiagramQFont(const DiagramFont& font);

// Whether the family is installed (the QGuiApplication must exist).
bool DiagramFontFamilyExists(const QString& family);

class QtTextMetrics : public TextMetrics {
public:
    explicit QtTextMetrics(const DiagramFont& font);
    int width(const QString& text) const override;
    int height(const QString& text) const override;

private:
    QImage device_;   // only for its resolution
    QFont font_;
    QFontMetrics metrics_;
};

} // namespace belvanto
