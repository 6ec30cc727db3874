#pragma once
// The diagram window "Harris diagram": the stored or just made layout drawn
// in a scrolling view, with zoom, font, box contents, thematic display,
// colour depth, the run's report and the diagram information.
#include "diagram/DiagramView.h"
#include "diagram/DisplayList.h"
#include "diagram/Interaction.h"
#include "diagram/export/RasterImage.h"
#include "layout/RunOptions.h"
#include "store/UnitKey.h"
#include <QDialog>
#include <QStringList>
#include <QWidget>
#include <functional>

class QAction;
class QActionGroup;
class QFont;
class QLabel;
class QMenu;
class QMenuBar;
class QMouseEvent;
class QScrollArea;
class QStatusBar;
class QToolBar;

namespace belvanto {

class Session;
class UserInterface;

inline const QString kDiagramHelpTopic = QStringLiteral("Harris_diagram_window");
inline const QString kNoProtocolLine = QStringLiteral("Protocol available only after newly creating a Harris diagram");

// Paints the part of the diagram that is exposed, at the displayed scale;
// no scaled copy of the image is ever made.
class TDiagramCanvas : public QWidget {
public:
    // The colours are shown reduced to `colours`, as the files are written.
    TDiagramCanvas(const DiagramDrawing& drawing, const DiagramFont& font, const DiagramView& view,
                   const ColourDepth& colours, QWidget* parent = nullptr);
    // After a redraw or a zoom: the displayed size.
    void updateSize();
    QSize sizeHint() const override;
    // A mouse button released over the image, at displayed coordinates.
    std::function<void(Qt::MouseButton, const QPoint&)> released;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    const DiagramDrawing& drawing_;
    const DiagramFont& font_;
    const DiagramView& view_;
    const ColourDepth& colours_;
};

// What the window is opened with.
struct DiagramWindowOptions {
    QStringList reportLines;
    bool detailed = false;
    ColourDepth colours = ColourDepth::BlackWhite;
};

class TDiagramForm : public QDialog {
public:
    TDiagramForm(Session& session, LayoutSnapshot layout, const DiagramWindowOptions& options, QWidget* parent = nullptr);

    // The commands, as the menus and the tool bar run them.
    void ZoomIn();
    void ZoomOut();
    void ZoomActualSize();
    void ShowDiagramInfo();
    void ShowRunReport();
    void SetBoxContents(BoxContents contents);
    void SetThematic(bool thematic);
    void SetColours(ColourDepth depth);
    void SetDiagramFont(const DiagramFont& font);
    void ChooseFont();
    void Print();
    void SetPrintScaleFactor();
    void SetupPrinter();
    void SaveAsBitmap();
    void ExportJpeg();
    void ExportMetafile();

    // Interaction with the boxes; displayed coordinates are the canvas's.
    // The record under a displayed point, through the window's mapping.
    const UnitRecord* UnitAtDisplayed(const QPointF& displayed) const;
    // The right click: remembers the box and sets the popup's actions;
    // false (after the beep or the message) when no menu is to be shown.
    bool PrepareBoxPopup(const QPointF& displayed);
    void ChangeColour();
    void ChangeBorderStyle();
    void ToggleMark();
    void ContractMarkedGroups();
    void RestoreAllDetails();
    void SelectAllTopLevelGroups();
    void UnselectAll();
    void FindUnitInDiagram();
    // The information dialog of the box under the point (information mode).
    void ShowUnitInformation(const QPointF& displayed);
    bool contracted() const { return contracted_; }
    // The colour dialog, preset with the record's colour; nothing on Cancel.
    std::function<std::optional<quint32>(quint32)> chooseColour;

    const DiagramDrawing& drawing() const { return drawing_; }
    const DiagramView& view() const { return view_; }
    const DrawState& drawState() const { return state_; }
    ColourDepth colours() const { return colours_; }
    QScrollArea* DiagramScroll = nullptr;
    TDiagramCanvas* DiagramImage = nullptr;
    QMenuBar* MainMenu = nullptr;
    QToolBar* ToolBar = nullptr;
    QStatusBar* StatusBar = nullptr;
    QAction* ZoomInAction = nullptr;
    QAction* ZoomOutAction = nullptr;
    QAction* ZoomActualAction = nullptr;
    QAction* ThematicAction = nullptr;
    QAction* ReportAction = nullptr;
    QAction* InfoAction = nullptr;
    QAction* FontAction = nullptr;
    QAction* ExitAction = nullptr;
    QAction* SaveAction = nullptr;
    QAction* PrintAction = nullptr;
    QAction* PrintScaleAction = nullptr;
    QAction* PrinterSetupAction = nullptr;
    QAction* JpegAction = nullptr;
    QAction* MetafileAction = nullptr;
    QAction* FindAction = nullptr;
    QAction* UnitInfoAction = nullptr;
    QMenu* BoxClickPopupMenu = nullptr;
    QAction* ColourAction = nullptr;
    QAction* BorderStyleAction = nullptr;
    QAction* MarkAction = nullptr;
    QMenu* GroupsMenu = nullptr;
    QAction* RestoreAction = nullptr;
    QAction* ContractAction = nullptr;
    QAction* SelectAllGroupsAction = nullptr;
    QAction* UnselectAllAction = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildMenus();
    void redraw();
    // The image at zoom 1 as the writers take it, or nothing after a message.
    // Paints the image at zoom 1 a strip at a time for a writer.
    void writeRaster(const std::function<std::optional<QString>(RasterRows&)>& write);
    void written(const std::optional<QString>& failure);
    void zoomKeepingTheMiddle(const std::function<bool()>& zoom, const QString& refusal);
    void buildInteraction();
    void mouseReleased(Qt::MouseButton button, const QPoint& displayed);
    void setGroupsMenuState();
    void setCaption();
    // The clicked record in the drawn layout, or nothing when it has gone.
    UnitRecord* clickedRecord();
    // After a colour or style change: the box alone, or all of a group.
    void repaintChanged(UnitRecord& record, bool full);

    Session& session_;
    UserInterface& ui_;
    DiagramWindowOptions options_;
    DrawState state_;
    ColourDepth colours_;
    DiagramDrawing drawing_;
    DiagramView view_;
    QActionGroup* contentsGroup_ = nullptr;
    QActionGroup* coloursGroup_ = nullptr;
    bool shown_ = false;
    bool contracted_ = false;
    bool colourAnswered_ = false;
    bool hasGroups_ = false;
    UnitKey clicked_;
};

// The print scale factor, 1..32, 2 when the program starts; it keeps its
// value across windows for as long as the program runs.
int& PrintScaleFactor();

// The window over a layout already read: modal; the period list goes with
// it. Nothing when the diagram is too large for an image (after a message).
void OpenDiagramWindow(Session& session, QWidget* parent, LayoutSnapshot layout, const DiagramWindowOptions& options);

// "&Display Harris diagram": the stored layout, after the question with its
// date; the colour depth as the project's colours suggest.
void DisplayHarrisDiagram(Session& session, QWidget* parent);

} // namespace belvanto
