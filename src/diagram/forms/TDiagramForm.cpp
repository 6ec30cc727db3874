#include "diagram/forms/TDiagramForm.h"
#include "core/UserInterface.h"
#include "core/Protocol.h"
#include "diagram/Contraction.h"
#include "diagram/StoredLayout.h"
#include "diagram/forms/TUnitInfoForm.h"
#include "diagram/export/BmpWriter.h"
#include "diagram/export/EmfWriter.h"
#include "diagram/export/JpegWriter.h"
#include "diagram/qt/DiagramPainter.h"
#include "diagram/qt/QtTextMetrics.h"
#include "layout/LayoutFiles.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include "store/Table.h"
#include "ui/Help.h"
#include "ui/Printer.h"
#include "ui/TProtocolForm.h"
#include <QActionGroup>
#include <QApplication>
#include <QColorDialog>
#include <QMouseEvent>
#include <QCoreApplication>
#include <QFontDialog>
#include <QMenuBar>
#include <QPaintEvent>
#include <QPainter>
#include <QPrinter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <cmath>

namespace belvanto {

namespace {

constexpr int kDiagramHelpContext = 122;
constexpr int kPrintHelpContext = 137;
// A widget cannot be larger than this in either direction.
constexpr qint64 kLargestWidget = 16777215;

QString sizeRefusal(qint64 width, qint64 height)
{
    return QStringLiteral("The Harris diagram of %1 x %2 pixels is too large to be shown. "
                          "Choose a smaller font or lay out fewer units.")
        .arg(width)
        .arg(height);
}

} // namespace

// --- the canvas -----------------------------------------------------------------------

TDiagramCanvas::TDiagramCanvas(const DiagramDrawing& drawing, const DiagramFont& font, const DiagramView& view,
                               const ColourDepth& colours, QWidget* parent)
    : QWidget(parent), drawing_(drawing), font_(font), view_(view), colours_(colours)
{
    setObjectName(QStringLiteral("DiagramImage"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    updateSize();
}

void TDiagramCanvas::updateSize()
{
    setFixedSize(int(std::clamp<qint64>(view_.displayedWidth(), 1, kLargestWidget)),
                 int(std::clamp<qint64>(view_.displayedHeight(), 1, kLargestWidget)));
    update();
}

QSize TDiagramCanvas::sizeHint() const
{
    return size();
}

void TDiagramCanvas::paintEvent(QPaintEvent* event)
{
    const QRect exposed = event->rect();
    // The exposed part is painted on an image of its own, so that its
    // colours can be reduced to the window's depth before they are shown.
    QImage part(exposed.size(), QImage::Format_RGB32);
    part.fill(Qt::white);
    if (view_.imageWidth() > 0 && view_.imageHeight() > 0) {
        QPainter painter(&part);
        painter.translate(-exposed.topLeft());
        // The image's pixels at the displayed scale; only what the exposed
        // rectangle needs is drawn.
        painter.scale(double(view_.displayedWidth()) / double(view_.imageWidth()),
                      double(view_.displayedHeight()) / double(view_.imageHeight()));
        const QPointF from = view_.toImage(exposed.topLeft()), to = view_.toImage(exposed.bottomRight() + QPoint(1, 1));
        const Rect visible{qint64(std::floor(from.x())) - 1, qint64(std::floor(from.y())) - 1,
                           qint64(std::ceil(to.x())) + 1, qint64(std::ceil(to.y())) + 1};
        PaintDiagram(painter, drawing_, font_, &visible);
    }
    ColourReducer reducer(colours_);
    ReduceColours(part, reducer);
    QPainter(this).drawImage(exposed.topLeft(), part);
}

void TDiagramCanvas::mouseReleaseEvent(QMouseEvent* event)
{
    QWidget::mouseReleaseEvent(event);
    if (released) released(event->button(), event->position().toPoint());
}

// --- the window -----------------------------------------------------------------------

TDiagramForm::TDiagramForm(Session& session, LayoutSnapshot layout, const DiagramWindowOptions& options,
                           QWidget* parent)
    : QDialog(parent), session_(session), ui_(session.ui()), options_(options), colours_(options.colours)
{
    setObjectName(QStringLiteral("TDiagramForm"));
    setCaption();
    state_.abbreviations = ExcavationAbbreviations(session);
    state_.blackWhite = colours_ == ColourDepth::BlackWhite;
    hasGroups_ = HasGroups(layout.units);
    drawing_.layout = std::move(layout);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    MainMenu = new QMenuBar(this);
    MainMenu->setObjectName(QStringLiteral("MainMenu"));
    column->setMenuBar(MainMenu);
    ToolBar = new QToolBar(this);
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    column->addWidget(ToolBar);
    DiagramScroll = new QScrollArea(this);
    DiagramScroll->setObjectName(QStringLiteral("DiagramScroll"));
    DiagramScroll->setAlignment(Qt::AlignCenter);
    DiagramScroll->setBackgroundRole(QPalette::Dark);
    column->addWidget(DiagramScroll, 1);
    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setSizeGripEnabled(false);
    column->addWidget(StatusBar);

    redraw();
    DiagramImage = new TDiagramCanvas(drawing_, state_.font, view_, colours_, DiagramScroll);
    DiagramScroll->setWidget(DiagramImage);
    buildMenus();
    buildInteraction();
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, this, [] { showHelp(HelpTopic(kDiagramHelpTopic)); });
    resize(663, 506);
}

void TDiagramForm::buildMenus()
{
    auto action = [this](QMenu* menu, const QString& text, const QString& hint, auto slot) {
        QAction* a = menu->addAction(text);
        a->setStatusTip(hint);
        a->setToolTip(hint);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    QMenu* file = MainMenu->addMenu(QStringLiteral("&File"));
    SaveAction = action(file, QStringLiteral("&Save as..."), QStringLiteral("Save Harris diagram as bitmap file"),
                        &TDiagramForm::SaveAsBitmap);
    QMenu* exportMenu = file->addMenu(QStringLiteral("E&xport..."));
    exportMenu->setToolTip(QStringLiteral("Export Harris diagram to vector formats"));
    JpegAction = action(exportMenu, QStringLiteral("JPEG (*.jpg)"), QString(), &TDiagramForm::ExportJpeg);
    MetafileAction = action(exportMenu, QStringLiteral("&Windows meta file (*.WMF)"), QString(),
                            &TDiagramForm::ExportMetafile);
    // The vector formats and printing come with their writers.
    for (const char* format : {"&AutoCAD (*.dxf)", "&SVG (*.svg)", "&MapInfo Format (*.MIF)", "&HPGL (*.plt)",
                               "&Layout positions (*.txt)"})
        exportMenu->addAction(QString::fromLatin1(format))->setEnabled(false);
    file->addSeparator();
    PrintAction = action(file, QStringLiteral("&Print"), QStringLiteral("Print the Harris diagram"), &TDiagramForm::Print);
    PrintScaleAction = action(file, QStringLiteral("Print scale &factor..."), QStringLiteral("Set the print scale factor"),
                              &TDiagramForm::SetPrintScaleFactor);
    PrinterSetupAction = action(file, QStringLiteral("Printer set&up..."),
                                QStringLiteral("Choose printer, paper format etc."), &TDiagramForm::SetupPrinter);
    InfoAction = action(file, QStringLiteral("&Diagram info..."), QStringLiteral("Information on diagram size"),
                        &TDiagramForm::ShowDiagramInfo);
    file->addSeparator();
    ExitAction = action(file, QStringLiteral("&Exit"), QStringLiteral("Close Harris diagram window"), &QDialog::accept);

    QMenu* view = MainMenu->addMenu(QStringLiteral("&View"));
    ZoomInAction = action(view, QStringLiteral("Zoom in"), QStringLiteral("Zoom in"), &TDiagramForm::ZoomIn);
    ZoomOutAction = action(view, QStringLiteral("Zoom out"), QStringLiteral("Zoom out"), &TDiagramForm::ZoomOut);
    ZoomActualAction = action(view, QStringLiteral("Zoom actual size"), QStringLiteral("Zoom to initial size of the diagram"),
                              &TDiagramForm::ZoomActualSize);

    ReportAction = MainMenu->addAction(QStringLiteral("&Report"));
    ReportAction->setStatusTip(QStringLiteral("Show layout and check report"));
    connect(ReportAction, &QAction::triggered, this, &TDiagramForm::ShowRunReport);

    QMenu* preferences = MainMenu->addMenu(QStringLiteral("&Preferences"));
    FontAction = action(preferences, QStringLiteral("&Font..."), QStringLiteral("Select font for box texts"),
                        &TDiagramForm::ChooseFont);
    ThematicAction = preferences->addAction(QStringLiteral("&Thematic unit style"));
    ThematicAction->setStatusTip(QStringLiteral("Toggle thematic unit style"));
    ThematicAction->setCheckable(true);
    connect(ThematicAction, &QAction::toggled, this, &TDiagramForm::SetThematic);
    preferences->addSeparator();
    preferences->addAction(QStringLiteral("Box contents:"))->setEnabled(false);
    contentsGroup_ = new QActionGroup(this);
    const std::pair<const char*, BoxContents> contents[] = {{"&Unit name", BoxContents::UnitName},
                                                            {"E&xcavation:name", BoxContents::ExcavationName},
                                                            {"Excavation &abbreviation:name", BoxContents::AbbreviationName}};
    for (const auto& [text, mode] : contents) {
        QAction* a = preferences->addAction(QString::fromLatin1(text));
        a->setCheckable(true);
        a->setChecked(mode == state_.contents);
        contentsGroup_->addAction(a);
        connect(a, &QAction::triggered, this, [this, mode = mode] { SetBoxContents(mode); });
    }
    preferences->addSeparator();
    QMenu* depth = preferences->addMenu(QStringLiteral("&Number of colours"));
    depth->setToolTip(QStringLiteral("Set colour depth"));
    coloursGroup_ = new QActionGroup(this);
    const std::pair<const char*, ColourDepth> depths[] = {{"2: black/white", ColourDepth::BlackWhite},
                                                          {"16 colours", ColourDepth::Colours16},
                                                          {"256 colours", ColourDepth::Colours256},
                                                          {"65536 colours", ColourDepth::Colours65536},
                                                          {"16 million colours", ColourDepth::Colours16M}};
    for (const auto& [text, value] : depths) {
        QAction* a = depth->addAction(QString::fromLatin1(text));
        a->setCheckable(true);
        a->setChecked(value == colours_);
        coloursGroup_->addAction(a);
        connect(a, &QAction::triggered, this, [this, value = value] { SetColours(value); });
    }
    QAction* help = MainMenu->addAction(QStringLiteral("&Help"));
    connect(help, &QAction::triggered, this, [] { showHelp(HelpTopic(kDiagramHelpTopic)); });

    ToolBar->addAction(SaveAction);
    SaveAction->setToolTip(QStringLiteral("Save diagram"));
    ToolBar->addAction(PrintAction);
    PrintAction->setToolTip(QStringLiteral("Print Harris diagram"));
    ToolBar->addAction(ThematicAction);
    ToolBar->addAction(FontAction);
    ToolBar->addAction(ReportAction);
    ToolBar->addSeparator();
    ToolBar->addAction(ZoomInAction);
    ToolBar->addAction(ZoomOutAction);
    ToolBar->addAction(ZoomActualAction);
    ThematicAction->setToolTip(QStringLiteral("Toggle thematic/normal display"));
    FontAction->setToolTip(QStringLiteral("Select font"));
    ReportAction->setToolTip(QStringLiteral("Show report"));
}

void TDiagramForm::redraw()
{
    BusyCursor busy(ui_);
    LayoutSnapshot layout = std::move(drawing_.layout);
    drawing_ = BuildDiagram(std::move(layout), state_, QtTextMetrics(state_.font));
    view_.setImageSize(drawing_.geometry.width(), drawing_.geometry.height());
    if (DiagramImage) DiagramImage->updateSize();
}

void TDiagramForm::zoomKeepingTheMiddle(const std::function<bool()>& zoom, const QString& refusal)
{
    // The middle of the view in displayed pixels: on an axis the image
    // overflows, the scroll position and half the view, else the image's
    // own middle.
    QScrollBar* h = DiagramScroll->horizontalScrollBar();
    QScrollBar* v = DiagramScroll->verticalScrollBar();
    QCoreApplication::sendPostedEvents(DiagramScroll, QEvent::LayoutRequest);
    const QSize visible = DiagramScroll->viewport()->size();
    const double centreX = view_.displayedWidth() > visible.width() ? h->value() + visible.width() / 2.0
                                                                    : view_.displayedWidth() / 2.0;
    const double centreY = view_.displayedHeight() > visible.height() ? v->value() + visible.height() / 2.0
                                                                      : view_.displayedHeight() / 2.0;
    const qint64 oldWidth = view_.displayedWidth(), oldHeight = view_.displayedHeight();
    if (!zoom()) {
        ui_.message(MessageKind::Information, refusal, Buttons::Ok, HelpTopic(kDiagramHelpContext));
        return;
    }
    DiagramImage->updateSize();
    // The scroll bars follow the new size at once, and so does the visible
    // part they leave.
    QCoreApplication::sendPostedEvents(DiagramScroll, QEvent::LayoutRequest);
    const QSize now = DiagramScroll->viewport()->size();
    h->setValue(int(KeptScrollPosition(centreX, oldWidth, view_.displayedWidth(), now.width())));
    v->setValue(int(KeptScrollPosition(centreY, oldHeight, view_.displayedHeight(), now.height())));
}

void TDiagramForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (shown_) return;
    shown_ = true;
    // The diagram opens at its top left corner, where its top level and
    // the period names are.
    QCoreApplication::sendPostedEvents(DiagramScroll, QEvent::LayoutRequest);
    DiagramScroll->horizontalScrollBar()->setValue(0);
    DiagramScroll->verticalScrollBar()->setValue(0);
}

void TDiagramForm::ZoomIn()
{
    zoomKeepingTheMiddle([this] { return view_.zoomIn(); }, kZoomMaximumMessage);
}

void TDiagramForm::ZoomOut()
{
    zoomKeepingTheMiddle([this] { return view_.zoomOut(); }, kZoomMinimumMessage);
}

void TDiagramForm::ZoomActualSize()
{
    zoomKeepingTheMiddle([this] {
        view_.zoomActualSize();
        return true;
    }, QString());
}

void TDiagramForm::ShowDiagramInfo()
{
    ui_.message(MessageKind::Information, view_.infoText(), Buttons::Ok, HelpTopic(kDiagramHelpContext));
}

void TDiagramForm::ShowRunReport()
{
    if (options_.reportLines.isEmpty()) return;
    ShowReport(this, ui_, options_.reportLines, options_.detailed, QStringLiteral("check"),
               session_.project().ProjectName);
}

void TDiagramForm::SetBoxContents(BoxContents contents)
{
    if (contents == state_.contents) return;
    state_.contents = contents;
    redraw();
}

void TDiagramForm::SetThematic(bool thematic)
{
    if (thematic == state_.thematic) return;
    state_.thematic = thematic;
    if (ThematicAction && ThematicAction->isChecked() != thematic) ThematicAction->setChecked(thematic);
    redraw();
}

void TDiagramForm::SetColours(ColourDepth depth)
{
    if (depth == colours_) return;
    colours_ = depth;
    state_.blackWhite = depth == ColourDepth::BlackWhite;
    const auto actions = coloursGroup_ ? coloursGroup_->actions() : QList<QAction*>{};
    if (int(depth) < actions.size()) actions[int(depth)]->setChecked(true);
    redraw();
}

void TDiagramForm::SetDiagramFont(const DiagramFont& font)
{
    state_.font = font;
    redraw();
}

void TDiagramForm::ChooseFont()
{
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, MakeDiagramQFont(state_.font), this, QStringLiteral("Font"));
    if (!ok) return;
    DiagramFont font = state_.font;
    font.family = chosen.family();
    font.points = chosen.pointSize() > 0 ? chosen.pointSize() : font.points;
    font.bold = chosen.bold();
    font.italic = chosen.italic();
    font.underline = chosen.underline();
    SetDiagramFont(font);
}

// --- raster files -----------------------------------------------------------------------

void TDiagramForm::writeRaster(const std::function<std::optional<QString>(RasterRows&)>& write)
{
    BusyCursor busy(ui_);
    PaintedRows rows(drawing_, state_.font);
    if (!rows.ready()) {
        ui_.error(sizeRefusal(drawing_.geometry.width(), drawing_.geometry.height()));
        return;
    }
    written(write(rows));
}

void TDiagramForm::written(const std::optional<QString>& failure)
{
    if (failure) ui_.error(*failure);
}

void TDiagramForm::SaveAsBitmap()
{
    const auto path = ui_.saveFile({QStringLiteral("Save Harris Diagram"),
                                    QStringLiteral("Bitmap files (*.bmp);;All files (*)"), QString(),
                                    QStringLiteral("*.bmp"), QStringLiteral("bmp")});
    if (!path) return;
    writeRaster([&](RasterRows& image) { return WriteBmpFile(*path, image, colours_); });
}

void TDiagramForm::ExportJpeg()
{
    const auto path = ui_.saveFile({QStringLiteral("Export Harris diagram to JPEG"),
                                    QStringLiteral("JPEG file (*.jpg);;All files (*)"), QString(), QStringLiteral("*.jpg"),
                                    QStringLiteral("jpg")});
    if (!path) return;
    std::optional<int> quality;
    while (!quality) {
        const auto text = ui_.inputText(QStringLiteral("JPEG Quality"), QStringLiteral("JPEG quality, range 1..100:"),
                                        QString::number(DefaultJpegQuality));
        if (!text) return;
        quality = CheckJpegQuality(ui_, *text);
    }
    // The JPEG holds the image as the window shows it, in 24 bits.
    writeRaster([&](RasterRows& image) {
        ReducedRows shown(image, colours_);
        return WriteJpegFile(*path, shown, *quality, colours_ == ColourDepth::BlackWhite);
    });
}

void TDiagramForm::ExportMetafile()
{
    const auto path = ui_.saveFile({QStringLiteral("WMF export of Harris diagram"),
                                    QStringLiteral("Windows metafile (*.wmf);;All files (*)"), QString(),
                                    QStringLiteral("*.wmf"), QStringLiteral("wmf")});
    if (!path) return;
    writeRaster([&](RasterRows& image) { return WriteMetafile(*path, image, colours_); });
}

// --- printing -------------------------------------------------------------------------

int& PrintScaleFactor()
{
    static int factor = DefaultPrintScale;
    return factor;
}

void TDiagramForm::SetPrintScaleFactor()
{
    for (;;) {
        const auto text = ui_.inputText(QStringLiteral("Print scaling factor"),
                                        QStringLiteral("Set scaling factor (2 or 3 with 300dpi, 4-6 with 600dpi):"),
                                        QString::number(PrintScaleFactor()));
        if (!text) return;
        if (const auto factor = CheckPrintScale(ui_, session_.regional(), *text)) {
            PrintScaleFactor() = *factor;
            return;
        }
    }
}

void TDiagramForm::SetupPrinter()
{
    setupPrinter(this);
}

void TDiagramForm::Print()
{
    if (!printerReady(this)) return;
    QPrinter& printer = applicationPrinter();
    const int scale = PrintScaleFactor();
    // Printing uses the image at zoom 1, whatever the window shows.
    const PrintPlan plan = PlanPrint(int(drawing_.geometry.width()), int(drawing_.geometry.height()), scale,
                                     printer.width(), printer.height(), drawing_.geometry.box().BoxHeight);
    if (!plan.problem.isEmpty()) {
        ui_.error(plan.problem, HelpTopic(kPrintHelpContext));
        return;
    }
    if (!plan.oneSheet && ui_.confirm(PrintSheetsQuestion(plan.sheets()), Buttons::YesNo, HelpTopic(kPrintHelpContext))
                              != Answer::Yes)
        return;
    BusyCursor busy(ui_);
    QPainter painter;
    if (!painter.begin(&printer)) {
        ui_.error(QStringLiteral("The printer cannot print now."));
        return;
    }
    const bool printed = PrintPages(painter, printer, drawing_, plan, state_.font, colours_, scale,
                                    session_.project().ProjectName);
    if (!printed) printer.abort();
    painter.end();
    if (!printed) ui_.error(sizeRefusal(drawing_.geometry.width(), drawing_.geometry.height()));
}

// --- interaction ----------------------------------------------------------------------

namespace {

constexpr int kThematicEditHelp = 141;
constexpr int kColourQuestionHelp = 108;
constexpr int kFindHelp = 132;
const QString kMarkText = QStringLiteral("&Mark for contraction");
const QString kUnmarkText = QStringLiteral("Unmark for contraction");

} // namespace

void TDiagramForm::setCaption()
{
    setWindowTitle((contracted_ ? kContractedCaption : QStringLiteral("Harris diagram - "))
                   + session_.project().ProjectName);
}

void TDiagramForm::buildInteraction()
{
    FindAction = new QAction(QStringLiteral("F&ind"), this);
    FindAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    FindAction->setStatusTip(QStringLiteral("Find unit in diagram"));
    FindAction->setToolTip(QStringLiteral("Find unit in diagram"));
    connect(FindAction, &QAction::triggered, this, &TDiagramForm::FindUnitInDiagram);
    UnitInfoAction = new QAction(QStringLiteral("&Show unit information"), this);
    UnitInfoAction->setCheckable(true);
    UnitInfoAction->setStatusTip(QStringLiteral("Show fields of currently selected unit"));
    UnitInfoAction->setToolTip(QStringLiteral("Show fields of currently selected unit"));
    // Before "&Help", which stays last.
    QAction* help = MainMenu->actions().last();
    MainMenu->insertAction(help, FindAction);
    MainMenu->insertAction(help, UnitInfoAction);

    GroupsMenu = new QMenu(QStringLiteral("&Groups"), MainMenu);
    GroupsMenu->setObjectName(QStringLiteral("GroupsMenu"));
    RestoreAction = GroupsMenu->addAction(QStringLiteral("&Restore all details"));
    ContractAction = GroupsMenu->addAction(QStringLiteral("&Contract marked groups"));
    SelectAllGroupsAction = GroupsMenu->addAction(QStringLiteral("Select &all top level groups"));
    UnselectAllAction = GroupsMenu->addAction(QStringLiteral("&Unselect all"));
    connect(RestoreAction, &QAction::triggered, this, &TDiagramForm::RestoreAllDetails);
    connect(ContractAction, &QAction::triggered, this, &TDiagramForm::ContractMarkedGroups);
    connect(SelectAllGroupsAction, &QAction::triggered, this, &TDiagramForm::SelectAllTopLevelGroups);
    connect(UnselectAllAction, &QAction::triggered, this, &TDiagramForm::UnselectAll);
    MainMenu->insertMenu(help, GroupsMenu)->setVisible(hasGroups_);
    setGroupsMenuState();

    ToolBar->addSeparator();
    ToolBar->addAction(FindAction);
    ToolBar->addAction(UnitInfoAction);

    BoxClickPopupMenu = new QMenu(this);
    BoxClickPopupMenu->setObjectName(QStringLiteral("BoxClickPopupMenu"));
    ColourAction = BoxClickPopupMenu->addAction(QStringLiteral("&Colour"));
    BorderStyleAction = BoxClickPopupMenu->addAction(QStringLiteral("&Border Style"));
    MarkAction = BoxClickPopupMenu->addAction(kMarkText);
    connect(ColourAction, &QAction::triggered, this, &TDiagramForm::ChangeColour);
    connect(BorderStyleAction, &QAction::triggered, this, &TDiagramForm::ChangeBorderStyle);
    connect(MarkAction, &QAction::triggered, this, &TDiagramForm::ToggleMark);

    chooseColour = [this](quint32 current) -> std::optional<quint32> {
        const QColor preset(int(current & 0xFF), int((current >> 8) & 0xFF), int((current >> 16) & 0xFF));
        const QColor chosen = QColorDialog::getColor(preset, this);
        if (!chosen.isValid()) return std::nullopt;
        return quint32(chosen.red()) | quint32(chosen.green()) << 8 | quint32(chosen.blue()) << 16;
    };
    DiagramImage->released = [this](Qt::MouseButton button, const QPoint& at) { mouseReleased(button, at); };
}

void TDiagramForm::setGroupsMenuState()
{
    RestoreAction->setEnabled(contracted_);
    ContractAction->setEnabled(!contracted_);
    SelectAllGroupsAction->setEnabled(!contracted_);
    UnselectAllAction->setEnabled(!contracted_);
}

const UnitRecord* TDiagramForm::UnitAtDisplayed(const QPointF& displayed) const
{
    const QPointF image = view_.toImage(displayed);
    const auto hit = HitUnit(drawing_, qint64(std::floor(image.x())), qint64(std::floor(image.y())));
    return hit ? drawing_.units[*hit].record : nullptr;
}

void TDiagramForm::mouseReleased(Qt::MouseButton button, const QPoint& displayed)
{
    if (UnitInfoAction->isChecked() && (button == Qt::LeftButton || button == Qt::RightButton)) {
        ShowUnitInformation(displayed);
        return;
    }
    if (button != Qt::RightButton || !PrepareBoxPopup(displayed)) return;
    BoxClickPopupMenu->popup(DiagramImage->mapToGlobal(displayed));
}

bool TDiagramForm::PrepareBoxPopup(const QPointF& displayed)
{
    const UnitRecord* unit = view_.factor() == 1.0 ? UnitAtDisplayed(displayed) : nullptr;
    if (!unit || unit->Unitclass == kDummyRecord) {
        ui_.beep();
        return false;
    }
    clicked_ = {unit->Excavation, unit->Unitname};
    MarkAction->setEnabled(unit->Unitclass == kGroupRecord && ContractAction->isEnabled());
    MarkAction->setText(state_.markedGroups.contains(GroupKeyText(*unit)) ? kUnmarkText : kMarkText);
    if (state_.thematic && !MarkAction->isEnabled()) {
        ui_.information(kThematicEditMessage, HelpTopic(kThematicEditHelp));
        ui_.beep();
        return false;
    }
    const bool editable = !contracted_ && !state_.thematic;
    ColourAction->setEnabled(editable);
    BorderStyleAction->setEnabled(editable);
    return true;
}

UnitRecord* TDiagramForm::clickedRecord()
{
    for (UnitRecord& u : drawing_.layout.units)
        if (u.Excavation == clicked_.excavation && u.Unitname == clicked_.unitname) return &u;
    return nullptr;
}

void TDiagramForm::repaintChanged(UnitRecord& record, bool full)
{
    if (full) {
        redraw();
        return;
    }
    for (UnitItem& item : drawing_.units)
        if (item.record == &record) item = BuildUnitItem(record, drawing_.geometry, state_, QtTextMetrics(state_.font));
    DiagramImage->update();
}

void TDiagramForm::ChangeColour()
{
    UnitRecord* record = clickedRecord();
    if (!record) return;
    if (state_.blackWhite && !colourAnswered_) {
        if (ui_.confirm(kBlackWhiteColourQuestion, Buttons::YesNo, HelpTopic(kColourQuestionHelp)) != Answer::Yes)
            return;
        colourAnswered_ = true;
    }
    const quint32 current = quint32(record->Colour.value_or(qint32(kWhite)));
    const auto chosen = chooseColour(current);
    if (!chosen || *chosen == current) return;
    repaintChanged(*record, StoreBoxColour(session_, *record, *chosen));
}

void TDiagramForm::ChangeBorderStyle()
{
    UnitRecord* record = clickedRecord();
    if (!record) return;
    const auto style = SelectBoxStyle(ui_);
    if (!style || *style == record->BoxStyle.value_or(0)) return;
    repaintChanged(*record, StoreBoxStyle(session_, *record, *style));
}

void TDiagramForm::ToggleMark()
{
    const UnitRecord* record = clickedRecord();
    if (!record) return;
    ToggleMarkedGroup(state_.markedGroups, *record);
    redraw();
}

void TDiagramForm::SelectAllTopLevelGroups()
{
    state_.markedGroups = TopLevelGroups(drawing_.layout.units);
    redraw();
}

void TDiagramForm::UnselectAll()
{
    state_.markedGroups.clear();
    redraw();
}

void TDiagramForm::ContractMarkedGroups()
{
    Protocol protocol;
    auto contracted = ContractGroups(session_, drawing_.layout, state_.markedGroups, protocol);
    if (!contracted) {
        if (!state_.markedGroups.isEmpty() && !protocol.isEmpty()) {
            options_.reportLines = protocol.lines();
            ShowRunReport();
        }
        return;
    }
    drawing_.layout = std::move(*contracted);
    contracted_ = true;
    state_.markedGroups.clear();
    setCaption();
    setGroupsMenuState();
    redraw();
}

void TDiagramForm::RestoreAllDetails()
{
    BusyCursor busy(ui_);
    auto stored = ReadStoredLayout(session_, true);
    if (!stored) return;
    drawing_.layout = std::move(*stored);
    contracted_ = false;
    setCaption();
    setGroupsMenuState();
    redraw();
}

void TDiagramForm::FindUnitInDiagram()
{
    const auto entry = ui_.inputText(kFindCaption, FindPrompt(state_.contents), QString());
    if (!entry) return;
    const UnitFieldCatalogue& fields = session_.catalogue();
    const auto query = ParseFindEntry(*entry, state_.contents, state_.abbreviations,
                                      {fields[uf::Unitname].Size, fields[uf::Excavation].Size});
    if (const QString* problem = std::get_if<QString>(&query)) {
        ui_.error(*problem, HelpTopic(kFindHelp));
        return;
    }
    const auto found = FindUnit(drawing_.layout.units, std::get<FindQuery>(query));
    if (!found) {
        ui_.beep();
        return;
    }
    QCoreApplication::sendPostedEvents(DiagramScroll, QEvent::LayoutRequest);
    QScrollBar* h = DiagramScroll->horizontalScrollBar();
    QScrollBar* v = DiagramScroll->verticalScrollBar();
    const QSize visible = DiagramScroll->viewport()->size();
    const double scaleX = view_.imageWidth() > 0 ? double(view_.displayedWidth()) / double(view_.imageWidth()) : 1.0;
    const double scaleY = view_.imageHeight() > 0 ? double(view_.displayedHeight()) / double(view_.imageHeight()) : 1.0;
    const ScrollTarget target = FindScrollTarget(drawing_.geometry, drawing_.layout.units[*found], scaleX, scaleY,
                                                 visible.width(), visible.height(), h->maximum(), v->maximum());
    h->setValue(int(target.x));
    v->setValue(int(target.y));
}

void TDiagramForm::ShowUnitInformation(const QPointF& displayed)
{
    const UnitRecord* unit = UnitAtDisplayed(displayed);
    if (!unit || unit->Unitclass == kDummyRecord) return;
    const auto info = ReadUnitInformation(session_, unit->Excavation, unit->Unitname);
    if (const QString* missing = std::get_if<QString>(&info)) {
        ui_.information(*missing);
        return;
    }
    TUnitInfoForm form(std::get<UnitInformation>(info), this);
    form.exec();
}

// --- opening --------------------------------------------------------------------------

void OpenDiagramWindow(Session& session, QWidget* parent, LayoutSnapshot layout, const DiagramWindowOptions& options)
{
    TDiagramForm form(session, std::move(layout), options, parent);
    const DiagramGeometry& g = form.drawing().geometry;
    if (g.width() > kLargestWidget || g.height() > kLargestWidget) {
        session.ui().error(sizeRefusal(g.width(), g.height()));
        return;
    }
    form.exec();
}

void DisplayHarrisDiagram(Session& session, QWidget* parent)
{
    const ProjectState& project = session.project();
    const bool present = Table::exists(project.ProjectDirectory, project.ProjectName + kUnitLayoutSuffix)
                         && Table::exists(project.ProjectDirectory, project.ProjectName + kRelLayoutSuffix);
    auto layout = ReadStoredLayout(session, false);
    // Without layout files the command goes off until a layout is made.
    if (!present) session.project().DiagramPresent = false;
    if (!layout) return;
    DiagramWindowOptions options;
    options.reportLines = QStringList{kNoProtocolLine};
    options.colours = PresetRunOptions(session).colours;
    WholeTable allRelations(session.relations());
    OpenDiagramWindow(session, parent, std::move(*layout), options);
}

} // namespace belvanto
