#pragma once
// The range style dialog of "Thematic style...": the value ranges of an
// integer, float or date field in a grid, edited with only the keys a value
// of the field can have, each row's colour and border style changed by a
// right click; counted, checked and written by the core.
#include "diagram/forms/TThematicForm.h"
#include <QDialog>

class QGroupBox;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QTableWidget;

namespace belvanto {

class TThemRangeForm : public QDialog {
    Q_OBJECT
public:
    enum Column { MinColumn = 0, MaxColumn, ColourColumn, StyleColumn, CountColumn };

    TThemRangeForm(Session& session, ThematicStart start, QWidget* parent = nullptr);

    // The grid's rows as typed.
    std::vector<RangeText> rows() const;
    void setLook(int row, const BoxLook& look);
    // Checks the rows; on a problem shows it and makes its row current.
    std::optional<std::vector<ThematicRange>> checkedRanges();
    void calculate();
    void addRange();
    void deleteRange();
    void accept() override;
    // Whether the key may go into a value cell holding `text` (the cursor
    // at its end).
    bool acceptsKey(const QString& text, int key, const QString& typed) const;

    QTableWidget* RangeGrid = nullptr;
    QPushButton* CalculateButton = nullptr;
    QPushButton* AddRangeButton = nullptr;
    QPushButton* DeleteRangeButton = nullptr;
    TConfigureGroup* ConfigureGroup = nullptr;
    QGroupBox* DisplaySelection = nullptr;
    QRadioButton* TableRadio = nullptr;
    QRadioButton* LegendRadio = nullptr;
    TLegendImage* ThematicImage = nullptr;
    QPushButton* SaveLegendButton = nullptr;
    QPushButton* SaveSettingsButton = nullptr;
    QPushButton* ReloadSettingsButton = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* HelpButton = nullptr;

private:
    void setRow(int row, const RangeText& text);
    BoxLook lookOf(int row) const;
    void showCounts(const ThematicAssignment& assignment);
    void gridMenu(const QPoint& at);
    void showSelection();
    bool buildLegend();
    Session& session_;
    ThematicField field_;
    QScrollArea* legendScroll_ = nullptr;
};

} // namespace belvanto
