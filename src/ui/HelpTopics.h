#pragma once
// The program's help is a set of HTML pages shipped in a "help" folder beside
// the program. Topics come by name (a page of that name) or by number (mapped
// to the page that explains the situation the number stands for).
#include "core/UserInterface.h"
#include <QString>

namespace belvanto {

inline const QString kHelpContents = QStringLiteral("Contents");
inline const QString kHelpFind = QStringLiteral("Find_help");
inline const QString kHelpUsing = QStringLiteral("Using_help");

// The page's base name (file "<name>.html"); the contents page for no topic
// and for numbers without a page of their own.
QString HelpPageName(const HelpTopic& topic);

} // namespace belvanto
