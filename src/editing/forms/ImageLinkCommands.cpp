#include "editing/forms/ImageLinkCommands.h"
#include "core/UserInterface.h"
#include "editing/forms/TImageLinkForm.h"
#include "editing/forms/TImageListForm.h"
#include "store/Session.h"
#include "ui/CommandRegistry.h"

namespace belvanto {

void ShowImageLinks(Session& session, QWidget* parent, ImageKind kind, const QString& numbers,
                    const QString& unitName)
{
    const ImageSource source = ImageSourceOf(session.project(), kind);
    if (!CheckImageLinkInput(session.ui(), kind, numbers, source.path)) return;
    TImageListForm form(session.ui(), kind, unitName, ImageFolder(session.project(), source.path),
                        SplitImageNumbers(numbers, source.separator, source.prefix), parent);
    form.exec();
}

bool ConfigureImageLinks(Session& session, QWidget* parent)
{
    if (!session.project().isOpen()) return false;
    TImageLinkForm form(session, parent);
    return form.exec() == QDialog::Accepted && form.changed();
}

void RegisterImageLinkCommands(CommandRegistry& commands)
{
    commands.add(QStringLiteral("ConfigureImages"), [](Session& session, QWidget* parent) {
        if (ConfigureImageLinks(session, parent)) session.ui().notice(QStringLiteral("Links to images changed."));
    });
}

} // namespace belvanto
