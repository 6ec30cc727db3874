#pragma once
// The diagram font and the one thing the drawing model needs from a font:
// how wide and how high a text is. The model never measures by itself, so it
// runs without a display; the Qt measurer (diagram/qt) measures real fonts
// against the paint device, tests use fixed numbers.
#include <QString>
#include <QtGlobal>

namespace belvanto {

// A free sans-serif font that the set-up installs (fonts-dejavu-core).
inline const QString kDefaultDiagramFontFamily = QStringLiteral("DejaVu Sans");

struct DiagramFont {
    QString family = kDefaultDiagramFontFamily;
    int points = 8;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    quint32 colour = 0;   // red in the lowest byte

    bool operator==(const DiagramFont&) const = default;
};

class TextMetrics {
public:
    virtual ~TextMetrics() = default;
    // Pixels of the text in the diagram font, without the italic allowance
    // that the drawing model adds itself.
    virtual int width(const QString& text) const = 0;
    virtual int height(const QString& text) const = 0;
};

} // namespace belvanto
