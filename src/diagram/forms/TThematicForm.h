#pragma once
// The term style dialog of "Thematic style...": the legend of a string
// field's distinct values, each entry's colour and border style changed by a
// right click on it, and the configure group that limits what OK writes.
// The legend image and the configure group serve the range dialog too.
#include "diagram/Thematic.h"
#include <QColor>
#include <QDialog>
#include <QGroupBox>
#include <QWidget>
#include <functional>
#include <optional>

class QPushButton;
class QRadioButton;

namespace belvanto {

class Session;
class UserInterface;

// The legend bitmap. The mouse selects the entry under it; a right click
// on the selected entry asks for its change, elsewhere it beeps.
class TLegendImage : public QWidget {
    Q_OBJECT
public:
    explicit TLegendImage(QWidget* parent = nullptr);
    void setLegend(const LegendDrawing& legend, const DiagramFont& font);
    const LegendDrawing& legend() const { return legend_; }
    std::optional<int> selected() const { return selected_; }
    void select(std::optional<int> entry);
    QSize sizeHint() const override;

Q_SIGNALS:
    void changeRequested(int entry, const QPoint& globalPos);
    void nothingSelected();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    LegendDrawing legend_;
    DiagramFont font_;
    QImage image_;
    std::optional<int> selected_;
};

// " Co&nfigure ": what OK writes.
class TConfigureGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit TConfigureGroup(QWidget* parent = nullptr);
    ThematicMode mode() const;
    void setMode(ThematicMode mode);

    QRadioButton* BothRadio = nullptr;
    QRadioButton* ColourOnlyRadio = nullptr;
    QRadioButton* StyleOnlyRadio = nullptr;
};

// A right click's change of an entry as the mode allows: both gives a menu
// of "&Colour" and "&Border style", the others their own dialog. True when
// the look changed. The colour dialog can be replaced (tests).
using ColourChooser = std::function<std::optional<quint32>(QWidget* parent, quint32 current)>;
ColourChooser& ThematicColourChooser();
bool ChangeLook(QWidget* parent, UserInterface& ui, ThematicMode mode, BoxLook& look, const QPoint& globalPos);
bool ChangeColour(QWidget* parent, BoxLook& look);
// "Border styles" / "Select border style".
bool ChangeBoxStyle(UserInterface& ui, BoxLook& look);

// A side button of the two dialogs, never the default button.
QPushButton* MakeThematicButton(QWidget* parent, const char* name, const char* text, bool enabled = true);
// A stored colour (red in the lowest byte) as Qt takes it.
QColor ThematicQColor(quint32 colour);

class TThematicForm : public QDialog {
    Q_OBJECT
public:
    TThematicForm(Session& session, ThematicStart start, QWidget* parent = nullptr);
    const TermStyles& terms() const { return terms_; }
    void setLook(int entry, const BoxLook& look);
    void accept() override;

    TLegendImage* ThematicImage = nullptr;
    TConfigureGroup* ConfigureGroup = nullptr;
    QPushButton* SaveLegendButton = nullptr;
    QPushButton* SaveSettingsButton = nullptr;
    QPushButton* ReloadSettingsButton = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* HelpButton = nullptr;

private:
    void rebuildLegend();
    Session& session_;
    ThematicField field_;
    TermStyles terms_;
};

} // namespace belvanto
