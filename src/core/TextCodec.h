#pragma once
// The single-byte character sets of the program's text files: Windows-1252
// ("Windows Latin-1") for everything, OEM code page 850 where a file is
// explicitly DOS text. Our own tables, because Qt only guarantees these
// encodings when it is built with ICU.
//
// Windows-1252 leaves 0x81, 0x8D, 0x8F, 0x90 and 0x9D undefined. They decode
// to the C1 control characters of the same number (U+0081 ...), as Windows
// itself does, and those characters encode back to the same bytes, so every
// one of the 256 bytes survives a read and a write unchanged.
//
// Characters outside the Basic Multilingual Plane (surrogate pairs in UTF-16)
// are never encodable. Positions are UTF-16 indices into the text.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <optional>

namespace belvanto {

enum class CodePage { Windows1252, Oem850 };

QString decode(CodePage page, QByteArrayView bytes);
// Nothing when some character has no byte in the code page.
std::optional<QByteArray> encode(CodePage page, QStringView text);
// Index of the first character without a byte, or -1 when all fit.
qsizetype firstUnencodable(CodePage page, QStringView text);
inline bool fits(CodePage page, QStringView text) { return firstUnencodable(page, text) < 0; }

inline QString decodeCp1252(QByteArrayView bytes) { return decode(CodePage::Windows1252, bytes); }
inline std::optional<QByteArray> encodeCp1252(QStringView text) { return encode(CodePage::Windows1252, text); }
inline qsizetype firstUnencodableCp1252(QStringView text) { return firstUnencodable(CodePage::Windows1252, text); }
inline bool fitsCp1252(QStringView text) { return fits(CodePage::Windows1252, text); }

inline QString decodeCp850(QByteArrayView bytes) { return decode(CodePage::Oem850, bytes); }
inline std::optional<QByteArray> encodeCp850(QStringView text) { return encode(CodePage::Oem850, text); }
inline qsizetype firstUnencodableCp850(QStringView text) { return firstUnencodable(CodePage::Oem850, text); }
inline bool fitsCp850(QStringView text) { return fits(CodePage::Oem850, text); }

} // namespace belvanto
