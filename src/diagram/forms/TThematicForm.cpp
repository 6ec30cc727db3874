#include "diagram/forms/TThematicForm.h"
#include "core/UserInterface.h"
#include "diagram/export/LegendWriter.h"
#include "diagram/qt/LegendPainter.h"
#include "diagram/qt/QtTextMetrics.h"
#include "store/Session.h"
#include "ui/DialogButtons.h"
#include <QApplication>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace belvanto {

TLegendImage::TLegendImage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ThematicImage"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TLegendImage::setLegend(const LegendDrawing& legend, const DiagramFont& font)
{
    legend_ = legend;
    font_ = font;
    image_ = RenderLegendImage(legend_, font_);
    if (selected_ && std::size_t(*selected_) >= legend_.entries.size()) selected_.reset();
    setFixedSize(image_.size());
    update();
}

void TLegendImage::select(std::optional<int> entry)
{
    if (entry == selected_) return;
    selected_ = entry;
    update();
}

QSize TLegendImage::sizeHint() const
{
    return image_.size();
}

void TLegendImage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(0, 0, image_);
    if (!selected_) return;
    // The selected entry framed in the highlight colour, inside its box.
    const Rect& r = legend_.entries[std::size_t(*selected_)].rect;
    p.setPen(QPen(palette().color(QPalette::Highlight), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(int(r.left) + 2, int(r.top) + 2, int(r.right - r.left) - 4, 2 * legend_.textHeight - 4));
}

void TLegendImage::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    select(LegendEntryAt(legend_, at.x(), at.y()));
}

void TLegendImage::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::RightButton) return;
    const QPoint at = event->position().toPoint();
    select(LegendEntryAt(legend_, at.x(), at.y()));
    if (selected_) Q_EMIT changeRequested(*selected_, event->globalPosition().toPoint());
    else Q_EMIT nothingSelected();
}

TConfigureGroup::TConfigureGroup(QWidget* parent) : QGroupBox(QStringLiteral(" Co&nfigure "), parent)
{
    setObjectName(QStringLiteral("ConfigureGroup"));
    auto* column = new QVBoxLayout(this);
    const auto radio = [&](const char* name, const char* text) {
        auto* button = new QRadioButton(QString::fromUtf8(text), this);
        button->setObjectName(QString::fromLatin1(name));
        column->addWidget(button);
        return button;
    };
    BothRadio = radio("BothRadio", "set both border style and colour");
    ColourOnlyRadio = radio("ColourOnlyRadio", "set colour only");
    StyleOnlyRadio = radio("StyleOnlyRadio", "set border style only");
    BothRadio->setChecked(true);
}

ThematicMode TConfigureGroup::mode() const
{
    if (ColourOnlyRadio->isChecked()) return ThematicMode::ColourOnly;
    if (StyleOnlyRadio->isChecked()) return ThematicMode::StyleOnly;
    return ThematicMode::Both;
}

void TConfigureGroup::setMode(ThematicMode mode)
{
    (mode == ThematicMode::ColourOnly  ? ColourOnlyRadio
     : mode == ThematicMode::StyleOnly ? StyleOnlyRadio
                                       : BothRadio)
        ->setChecked(true);
}

ColourChooser& ThematicColourChooser()
{
    static ColourChooser chooser = [](QWidget* parent, quint32 current) -> std::optional<quint32> {
        const QColor chosen = QColorDialog::getColor(ThematicQColor(current), parent);
        if (!chosen.isValid()) return std::nullopt;
        return quint32(chosen.red()) | quint32(chosen.green()) << 8 | quint32(chosen.blue()) << 16;
    };
    return chooser;
}

bool ChangeColour(QWidget* parent, BoxLook& look)
{
    const auto colour = ThematicColourChooser()(parent, look.fill);
    if (!colour || *colour == look.fill) return false;
    look.fill = *colour;
    return true;
}

bool ChangeBoxStyle(UserInterface& ui, BoxLook& look)
{
    QStringList names;
    for (const QString& name : BoxStyleNames()) names << name;
    const auto style = ui.selectString(QStringLiteral("Border styles"), QStringLiteral("Select border style"), names);
    if (!style || *style < 0 || *style >= kBoxStyleCount || *style == look.style) return false;
    look.style = *style;
    return true;
}

bool ChangeLook(QWidget* parent, UserInterface& ui, ThematicMode mode, BoxLook& look, const QPoint& globalPos)
{
    if (mode == ThematicMode::ColourOnly) return ChangeColour(parent, look);
    if (mode == ThematicMode::StyleOnly) return ChangeBoxStyle(ui, look);
    QMenu menu(parent);
    QAction* colour = menu.addAction(QStringLiteral("&Colour"));
    QAction* style = menu.addAction(QStringLiteral("&Border style"));
    const QAction* chosen = menu.exec(globalPos);
    if (chosen == colour) return ChangeColour(parent, look);
    if (chosen == style) return ChangeBoxStyle(ui, look);
    return false;
}

QPushButton* MakeThematicButton(QWidget* parent, const char* name, const char* text, bool enabled)
{
    auto* b = new QPushButton(QString::fromUtf8(text), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setEnabled(enabled);
    b->setAutoDefault(false);
    return b;
}

QColor ThematicQColor(quint32 colour)
{
    return QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

TThematicForm::TThematicForm(Session& session, ThematicStart start, QWidget* parent)
    : QDialog(parent), session_(session), field_(start.field), terms_(std::move(start.terms))
{
    setObjectName(QStringLiteral("ThematicForm"));
    setWindowTitle(QStringLiteral("Terms used in field ") + field_.label);

    ThematicImage = new TLegendImage(this);
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("LegendScroll"));
    scroll->setWidget(ThematicImage);
    scroll->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    scroll->setBackgroundRole(QPalette::Base);
    ConfigureGroup = new TConfigureGroup(this);
    SaveLegendButton = MakeThematicButton(this, "SaveLegendButton", "Save &Legend");
    SaveSettingsButton = MakeThematicButton(this, "SaveSettingsButton", "&Save Settings", false);
    ReloadSettingsButton = MakeThematicButton(this, "ReloadSettingsButton", "&Reload Settings", false);
    const DialogButtons buttons = addDialogButtons(this, HelpTopic("Thematic_Text"));
    OKButton = buttons.ok;
    CancelButton = buttons.cancel;
    HelpButton = buttons.help;

    auto* side = new QVBoxLayout;
    side->addWidget(ConfigureGroup);
    side->addWidget(SaveLegendButton);
    side->addWidget(SaveSettingsButton);
    side->addWidget(ReloadSettingsButton);
    side->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(scroll, 1);
    top->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(buttons.box);

    rebuildLegend();
    // Room for the legend up to the screen's height, and its scroll bar beyond.
    scroll->setMinimumWidth(ThematicImage->width() + 24);
    scroll->setMinimumHeight(std::min(ThematicImage->height() + 4, 480));

    connect(ThematicImage, &TLegendImage::nothingSelected, this, [this] { session_.ui().beep(); });
    connect(ThematicImage, &TLegendImage::changeRequested, this, [this](int entry, const QPoint& at) {
        BoxLook look = terms_.looks[std::size_t(entry)];
        if (ChangeLook(this, session_.ui(), ConfigureGroup->mode(), look, at)) setLook(entry, look);
    });
    connect(SaveLegendButton, &QPushButton::clicked, this, [this] {
        SaveLegendCommand(session_.ui(), ThematicImage->legend(), DiagramFont{}, RenderLegend);
    });
}

void TThematicForm::setLook(int entry, const BoxLook& look)
{
    if (entry < 0 || std::size_t(entry) >= terms_.looks.size()) return;
    terms_.looks[std::size_t(entry)] = look;
    rebuildLegend();
}

void TThematicForm::rebuildLegend()
{
    const DiagramFont font;
    ThematicImage->setLegend(BuildLegend(terms_.entries, terms_.looks, font, QtTextMetrics(font)), font);
}

void TThematicForm::accept()
{
    {
        WholeTable whole(session_.units());
        WriteThematicStyles(session_, AssignTermStyles(session_, field_, terms_), ConfigureGroup->mode());
    }
    QDialog::accept();
}

} // namespace belvanto
