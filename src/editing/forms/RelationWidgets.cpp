#include "editing/forms/RelationWidgets.h"
#include "core/UserInterface.h"
#include "store/Session.h"
#include <QKeyEvent>
#include <QValidator>

namespace belvanto {

namespace {
TermLookupFunction& installedLookup()
{
    static TermLookupFunction lookup;
    return lookup;
}
} // namespace

bool IsRefusedUnitNameText(const QString& text)
{
    for (const QChar c : text)
        if (c == QLatin1Char(' ') || c == QLatin1Char(',') || c == QLatin1Char(':') || c == QLatin1Char('='))
            return true;
    return false;
}

namespace {
// Pasted text with a refused character is refused whole.
class UnitNameValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        return IsRefusedUnitNameText(input) ? Invalid : Acceptable;
    }
};
} // namespace

TUnitNameEdit::TUnitNameEdit(UserInterface& ui, QWidget* parent) : QLineEdit(parent), ui_(ui)
{
    setValidator(new UnitNameValidator(this));
}

void TUnitNameEdit::keyPressEvent(QKeyEvent* event)
{
    if (!isReadOnly() && IsRefusedUnitNameText(event->text())) {
        ui_.beep();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void SetTermLookupFunction(TermLookupFunction lookup)
{
    installedLookup() = std::move(lookup);
}

std::optional<TermRecord> LookupTerm(Session& session, QWidget* parent, const QString& targetField)
{
    if (installedLookup()) return installedLookup()(session, parent, targetField);
    const std::vector<TermRecord> terms = TermsOf(session, targetField);
    QStringList items;
    for (const TermRecord& t : terms) items << t.Term;
    const auto chosen = session.ui().selectString(QStringLiteral("Terms for: %1").arg(targetField), targetField, items,
                                                  HelpTopic("Term_file_details"));
    if (!chosen || *chosen < 0 || *chosen >= int(terms.size())) return std::nullopt;
    return terms[std::size_t(*chosen)];
}

} // namespace belvanto
