#pragma once
// The diagram as a Scalable Vector Graphics 1.0 document: one element per
// box, label and line of the display list, in image pixels, lines ended by
// CR LF.
//
// Text is written as ASCII: characters from 128 up become numeric character
// references of their code point and control characters are left out, so
// that every reader takes the file as well-formed XML whatever it assumes
// about the encoding.
#include "diagram/DisplayList.h"
#include <QByteArray>
#include <QString>

namespace belvanto {

class UserInterface;
struct FileChoice;

// Text content as the document writes it.
QString SvgEscapeText(const QString& text);
// "#RRGGBB" of a colour held with red in the lowest byte.
QString SvgColour(quint32 colour);
// The attributes of the text group for the diagram font.
QString SvgFontAttributes(const DiagramFont& font);

// The pieces of the document that other drawings share: the lines up to the
// <svg> element, a box's element and a text's element.
QByteArray SvgHeader(qint64 width, qint64 height);
QByteArray SvgBoxElement(const UnitItem& unit, const BoxGeometry& box);
QByteArray SvgTextElement(const TextItem& text);

QByteArray SvgDocument(const DiagramDrawing& drawing, const DiagramFont& font);

// Writes the document, replacing the file only when all of it is written.
// The reason in words when it cannot.
std::optional<QString> WriteSvgFile(const QString& path, const DiagramDrawing& drawing, const DiagramFont& font);

// The diagram window's command: asks for the file, writes it and reports
// success, or shows why it could not. False when cancelled or failed.
FileChoice SvgFileChoice();
bool ExportSvgCommand(UserInterface& ui, const DiagramDrawing& drawing, const DiagramFont& font);

} // namespace belvanto
