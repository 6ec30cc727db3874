#pragma once
// Pieces the relationship dialogs share: the unit-name edit that refuses the
// characters a unit name may not hold, and the term lookup.
#include "store/Terms.h"
#include <QLineEdit>
#include <functional>
#include <optional>

namespace belvanto {

class Session;
class UserInterface;

// Blank, comma, colon and equal sign: refused as they are typed.
bool IsRefusedUnitNameText(const QString& text);

class TUnitNameEdit : public QLineEdit {
    Q_OBJECT
public:
    TUnitNameEdit(UserInterface& ui, QWidget* parent);
protected:
    void keyPressEvent(QKeyEvent* event) override;
private:
    UserInterface& ui_;
};

// The term list of one target field, in a lookup: the chosen term or nothing.
using TermLookupFunction = std::function<std::optional<TermRecord>(Session&, QWidget* parent, const QString& targetField)>;
// The term list window installs itself here; until then a plain selection
// of the field's terms stands in.
void SetTermLookupFunction(TermLookupFunction lookup);
std::optional<TermRecord> LookupTerm(Session& session, QWidget* parent, const QString& targetField);

} // namespace belvanto
