#include "editing/forms/ImageLinkCommands.h"

// Placeholder until the image list window and its settings dialog exist.
namespace belvanto {

void ShowImageLinks(Session&, QWidget*, ImageKind, const QString&, const QString&) {}
bool ConfigureImageLinks(Session&, QWidget*) { return false; }

} // namespace belvanto
