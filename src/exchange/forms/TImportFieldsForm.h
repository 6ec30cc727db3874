#pragma once
// "Set field concordance": which column of the source feeds which field of
// the new project's units, or the key, or a relationship list. OK checks the
// assignment and every record, then imports.
#include "exchange/Concordance.h"
#include <QDialog>

class QMenu;
class QPushButton;
class QTableWidget;

namespace belvanto {

class ImportSource;
class Session;

class TImportFieldsForm : public QDialog {
    Q_OBJECT
public:
    enum Column { TypeColumn = 0, NameColumn, TargetColumn };

    TImportFieldsForm(Session& session, ImportSource& source, const QString& defaultExcavation,
                      QWidget* parent = nullptr);
    const Concordance& concordance() const { return concordance_; }
    // The right-click menu of a row: its compatible targets, or nullptr when
    // the column cannot feed any. Owned by the caller.
    QMenu* targetMenu(int row);
    // A choice from the menu: a text column longer than its field asks first.
    void chooseTarget(int row, const ConcordanceTarget& target);
    void clearTarget(int row);
    void accept() override;   // checks, then imports

    QTableWidget* FieldAssignGrid = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* HelpButton = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FieldAssignGridContextMenu(const QPoint& at);
    void showMenu(int row, const QPoint& globalPos);
    void showTarget(int row);

    Session& session_;
    ImportSource& source_;
    Concordance concordance_;
};

} // namespace belvanto
