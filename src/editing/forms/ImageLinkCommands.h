#pragma once
// The Drawings and Photos buttons of the unit edit form and the main
// window's "Configure &link to images...".
#include "editing/ImageLinks.h"
#include <QString>

class QWidget;

namespace belvanto {

class CommandRegistry;
class Session;

// The image list window for the numbers typed in the Drawings or Photos
// field, after the messages for no numbers and no path.
void ShowImageLinks(Session& session, QWidget* parent, ImageKind kind, const QString& numbers,
                    const QString& unitName);

// "Configure link to images"; true when the settings changed.
bool ConfigureImageLinks(Session& session, QWidget* parent);

// Makes the main window's "ConfigureImages" work.
void RegisterImageLinkCommands(CommandRegistry& commands);

} // namespace belvanto
