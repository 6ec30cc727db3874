#include "diagram/forms/TThemRangeForm.h"
#include "core/Regional.h"
#include "core/UserInterface.h"
#include "diagram/export/LegendWriter.h"
#include "diagram/qt/LegendPainter.h"
#include "diagram/qt/QtTextMetrics.h"
#include "store/Session.h"
#include "ui/DialogButtons.h"
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

namespace belvanto {

namespace {

constexpr int kLookRole = Qt::UserRole;

// A character between the day, month and year of the short date format.
bool isDateSeparator(const Regional& regional, QChar c)
{
    return !c.isLetterOrNumber() && c != QLatin1Char('\'') && regional.shortDateFormat().contains(c);
}

// The value cells' editor takes only the keys the form lets through.
class RangeDelegate : public QStyledItemDelegate {
public:
    RangeDelegate(TThemRangeForm* form, std::function<void()> typed)
        : QStyledItemDelegate(form), form_(form), typed_(std::move(typed))
    {
    }
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        editor->installEventFilter(const_cast<RangeDelegate*>(this));
        return editor;
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        auto* edit = qobject_cast<QLineEdit*>(object);
        if (edit && event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            const bool character = !key->text().isEmpty() && key->text().at(0).isPrint();
            if (character || key->key() == Qt::Key_Backspace) {
                if (!form_->acceptsKey(edit->text(), key->key(), key->text())) return true;
                typed_();
            }
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    TThemRangeForm* form_;
    std::function<void()> typed_;
};

} // namespace

TThemRangeForm::TThemRangeForm(Session& session, ThematicStart start, QWidget* parent)
    : QDialog(parent), session_(session), field_(start.field)
{
    setObjectName(QStringLiteral("ThemRangeForm"));
    setWindowTitle(QStringLiteral("Set Ranges for Field ") + field_.label);

    RangeGrid = new QTableWidget(0, 5, this);
    RangeGrid->setObjectName(QStringLiteral("RangeGrid"));
    RangeGrid->setHorizontalHeaderLabels({QStringLiteral(">= Min"), QStringLiteral("< Max"), QStringLiteral("Colour"),
                                          QStringLiteral("Border style"), QStringLiteral("Count")});
    RangeGrid->verticalHeader()->hide();
    RangeGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    RangeGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    RangeGrid->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    RangeGrid->horizontalHeader()->setStretchLastSection(true);
    RangeGrid->setItemDelegate(new RangeDelegate(this, [this] {
        if (auto* count = RangeGrid->item(RangeGrid->currentRow(), CountColumn)) count->setText(QString());
    }));
    const std::vector<RangeText> texts = RangeTexts(field_.type, start.ranges, &session_.regional());
    RangeGrid->setRowCount(int(texts.size()));
    for (std::size_t i = 0; i < texts.size(); ++i) setRow(int(i), texts[i]);
    RangeGrid->setCurrentCell(0, MinColumn);

    ThematicImage = new TLegendImage(this);
    legendScroll_ = new QScrollArea(this);
    legendScroll_->setObjectName(QStringLiteral("LegendScroll"));
    legendScroll_->setWidget(ThematicImage);
    legendScroll_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    legendScroll_->setBackgroundRole(QPalette::Base);
    legendScroll_->hide();

    CalculateButton = MakeThematicButton(this, "CalculateButton", "Calc&ulate");
    AddRangeButton = MakeThematicButton(this, "AddRangeButton", "&Add Range");
    DeleteRangeButton = MakeThematicButton(this, "DeleteRangeButton", "&Delete Range");
    ConfigureGroup = new TConfigureGroup(this);
    DisplaySelection = new QGroupBox(QStringLiteral("D&isplay Selection"), this);
    DisplaySelection->setObjectName(QStringLiteral("DisplaySelection"));
    TableRadio = new QRadioButton(QStringLiteral("Table with ranges"), DisplaySelection);
    TableRadio->setObjectName(QStringLiteral("TableRadio"));
    LegendRadio = new QRadioButton(QStringLiteral("Legend"), DisplaySelection);
    LegendRadio->setObjectName(QStringLiteral("LegendRadio"));
    TableRadio->setChecked(true);
    auto* displayColumn = new QVBoxLayout(DisplaySelection);
    displayColumn->addWidget(TableRadio);
    displayColumn->addWidget(LegendRadio);
    SaveLegendButton = MakeThematicButton(this, "SaveLegendButton", "Save &Legend");
    SaveSettingsButton = MakeThematicButton(this, "SaveSettingsButton", "&Save Settings", false);
    ReloadSettingsButton = MakeThematicButton(this, "ReloadSettingsButton", "&Reload Settings", false);
    const DialogButtons buttons = addDialogButtons(this, HelpTopic("Thematic_Number"));
    OKButton = buttons.ok;
    CancelButton = buttons.cancel;
    HelpButton = buttons.help;

    auto* side = new QVBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{CalculateButton, AddRangeButton, DeleteRangeButton, ConfigureGroup,
                                                      DisplaySelection, SaveLegendButton, SaveSettingsButton,
                                                      ReloadSettingsButton})
        side->addWidget(w);
    side->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(RangeGrid, 1);
    top->addWidget(legendScroll_, 1);
    top->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(buttons.box);
    RangeGrid->setMinimumSize(440, 200);
    legendScroll_->setMinimumSize(200, 200);

    connect(CalculateButton, &QPushButton::clicked, this, &TThemRangeForm::calculate);
    connect(AddRangeButton, &QPushButton::clicked, this, &TThemRangeForm::addRange);
    connect(DeleteRangeButton, &QPushButton::clicked, this, &TThemRangeForm::deleteRange);
    connect(RangeGrid, &QWidget::customContextMenuRequested, this, &TThemRangeForm::gridMenu);
    connect(LegendRadio, &QRadioButton::toggled, this, &TThemRangeForm::showSelection);
    connect(ThematicImage, &TLegendImage::nothingSelected, this, [this] { session_.ui().beep(); });
    connect(ThematicImage, &TLegendImage::changeRequested, this, [this](int entry, const QPoint& at) {
        BoxLook look = lookOf(entry);
        if (ChangeLook(this, session_.ui(), ConfigureGroup->mode(), look, at)) setLook(entry, look);
    });
    connect(SaveLegendButton, &QPushButton::clicked, this, [this] {
        if (buildLegend()) SaveLegendCommand(session_.ui(), ThematicImage->legend(), DiagramFont{}, RenderLegend);
    });
}

void TThemRangeForm::setRow(int row, const RangeText& text)
{
    const auto cell = [&](int column, const QString& value, bool editable) {
        auto* item = new QTableWidgetItem(value);
        item->setFlags(editable ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable
                                : Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        RangeGrid->setItem(row, column, item);
        return item;
    };
    cell(MinColumn, text.min, !text.blank)->setData(kLookRole, text.blank);
    cell(MaxColumn, text.max, !text.blank);
    cell(ColourColumn, QString(), false);
    cell(StyleColumn, QString(), false);
    cell(CountColumn, QString(), false);
    setLook(row, text.look);
}

BoxLook TThemRangeForm::lookOf(int row) const
{
    BoxLook look;
    if (const auto* colour = RangeGrid->item(row, ColourColumn)) look.fill = colour->data(kLookRole).toUInt();
    if (const auto* style = RangeGrid->item(row, StyleColumn)) look.style = style->data(kLookRole).toInt();
    return look;
}

void TThemRangeForm::setLook(int row, const BoxLook& look)
{
    auto* colour = RangeGrid->item(row, ColourColumn);
    auto* style = RangeGrid->item(row, StyleColumn);
    if (!colour || !style) return;
    colour->setData(kLookRole, look.fill);
    colour->setText(QString::number(look.fill));
    colour->setBackground(ThematicQColor(look.fill));
    colour->setForeground(qGray(ThematicQColor(look.fill).rgb()) < 110 ? Qt::white : Qt::black);
    style->setData(kLookRole, look.style);
    style->setText(BoxStyleNames()[std::size_t(ValidBoxStyle(look.style))]);
    if (LegendRadio && LegendRadio->isChecked()) buildLegend();
}

std::vector<RangeText> TThemRangeForm::rows() const
{
    std::vector<RangeText> out;
    for (int r = 0; r < RangeGrid->rowCount(); ++r)
        out.push_back(RangeText{RangeGrid->item(r, MinColumn)->data(kLookRole).toBool(),
                                RangeGrid->item(r, MinColumn)->text(), RangeGrid->item(r, MaxColumn)->text(),
                                lookOf(r)});
    return out;
}

bool TThemRangeForm::acceptsKey(const QString& text, int key, const QString& typed) const
{
    if (key == Qt::Key_Backspace) return true;
    if (typed.size() != 1) return false;
    const QChar c = typed.at(0);
    if (c.isDigit() && c.unicode() < 128) return true;
    const Regional& regional = session_.regional();
    if (field_.type == FieldType::Float && (c == regional.decimalSeparator() || c == QLatin1Char('.'))) return true;
    // Dates in the short date format, or as yyyy-MM-dd.
    if (field_.type == FieldType::Date && (c == QLatin1Char('-') || isDateSeparator(regional, c))) return true;
    return c == QLatin1Char('-') && text.isEmpty()
           && (field_.type == FieldType::Integer || field_.type == FieldType::Float);
}

std::optional<std::vector<ThematicRange>> TThemRangeForm::checkedRanges()
{
    RangeGrid->setCurrentItem(RangeGrid->currentItem());   // ends an open edit
    if (auto* editor = RangeGrid->focusWidget(); editor && editor != RangeGrid) RangeGrid->setFocus();
    const RangeCheck check = CheckRanges(field_.type, rows(), &session_.regional());
    if (check.problem) {
        RangeGrid->setCurrentCell(check.problem->row, MinColumn);
        session_.ui().error(check.problem->message, kThematicHelp);
        return std::nullopt;
    }
    return check.ranges;
}

void TThemRangeForm::showCounts(const ThematicAssignment& a)
{
    for (int r = 0; r < RangeGrid->rowCount() && std::size_t(r) < a.counts.size(); ++r)
        RangeGrid->item(r, CountColumn)->setText(QString::number(a.counts[std::size_t(r)]));
}

void TThemRangeForm::calculate()
{
    const auto ranges = checkedRanges();
    if (!ranges) return;
    BusyCursor busy(session_.ui());
    WholeTable whole(session_.units());
    const ThematicAssignment a = AssignRangeStyles(session_, field_, *ranges);
    showCounts(a);
    WarnNotInRange(session_.ui(), a);
}

void TThemRangeForm::addRange()
{
    const int current = std::max(RangeGrid->currentRow(), 0);
    const int below = std::min(current + 1, RangeGrid->rowCount() - 1);
    RangeText copy = rows()[std::size_t(below)];
    if (copy.blank) copy = rows()[std::size_t(current)];
    copy.blank = false;
    RangeGrid->insertRow(current + 1);
    setRow(current + 1, copy);
    RangeGrid->setCurrentCell(current + 1, MinColumn);
}

void TThemRangeForm::deleteRange()
{
    const int current = RangeGrid->currentRow();
    if (current < 0) return;
    const auto all = rows();
    const auto ranges = std::count_if(all.begin(), all.end(), [](const RangeText& r) { return !r.blank; });
    if (!all[std::size_t(current)].blank && ranges <= 1) {
        session_.ui().error(QStringLiteral("The last range line may not be deleted."), kThematicHelp);
        return;
    }
    RangeGrid->removeRow(current);
}

void TThemRangeForm::gridMenu(const QPoint& at)
{
    const QModelIndex index = RangeGrid->indexAt(at);
    const ThematicMode mode = ConfigureGroup->mode();
    BoxLook look = lookOf(index.row());
    bool changed = false;
    if (index.isValid() && index.column() == ColourColumn && mode != ThematicMode::StyleOnly)
        changed = ChangeColour(this, look);
    else if (index.isValid() && index.column() == StyleColumn && mode != ThematicMode::ColourOnly)
        changed = ChangeBoxStyle(session_.ui(), look);
    else {
        session_.ui().beep();
        return;
    }
    if (changed) setLook(index.row(), look);
}

bool TThemRangeForm::buildLegend()
{
    const auto ranges = checkedRanges();
    if (!ranges) return false;
    std::vector<BoxLook> looks;
    for (const ThematicRange& r : *ranges) looks.push_back(r.look);
    const DiagramFont font;
    ThematicImage->setLegend(BuildLegend(RangeLegendTexts(field_.type, *ranges, &session_.regional()), looks, font, QtTextMetrics(font)),
                             font);
    return true;
}

void TThemRangeForm::showSelection()
{
    const bool legend = LegendRadio->isChecked() && buildLegend();
    if (LegendRadio->isChecked() && !legend) {
        TableRadio->setChecked(true);
        return;
    }
    RangeGrid->setVisible(!legend);
    for (QWidget* w : {static_cast<QWidget*>(CalculateButton), static_cast<QWidget*>(AddRangeButton),
                       static_cast<QWidget*>(DeleteRangeButton)})
        w->setVisible(!legend);
    legendScroll_->setVisible(legend);
}

void TThemRangeForm::accept()
{
    const auto ranges = checkedRanges();
    if (!ranges) return;
    {
        WholeTable whole(session_.units());
        const ThematicAssignment a = AssignRangeStyles(session_, field_, *ranges);
        WriteThematicStyles(session_, a, ConfigureGroup->mode());
        showCounts(a);
        WarnNotInRange(session_.ui(), a);
    }
    QDialog::accept();
}

} // namespace belvanto
