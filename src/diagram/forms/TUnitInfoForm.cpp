#include "diagram/forms/TUnitInfoForm.h"
#include "ui/Help.h"
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace belvanto {

namespace {

constexpr int kContentsWidth = 480;
// The text's room in a contents cell: the cell less the margins.
constexpr int kTextWidth = 476;

} // namespace

TUnitInfoForm::TUnitInfoForm(const UnitInformation& info, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TUnitInfoForm"));
    setWindowTitle(QStringLiteral("Unit information"));
    auto* column = new QVBoxLayout(this);

    FieldGrid = new QTableWidget(this);
    FieldGrid->setObjectName(QStringLiteral("FieldGrid"));
    FieldGrid->setColumnCount(2);
    FieldGrid->setHorizontalHeaderLabels({QStringLiteral("Field name"), QStringLiteral("Field contents")});
    FieldGrid->verticalHeader()->hide();
    FieldGrid->setWordWrap(true);
    FieldGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FieldGrid->setColumnWidth(1, kContentsWidth);
    FieldGrid->horizontalHeader()->setStretchLastSection(true);
    const QFontMetrics metrics(FieldGrid->font());
    const int line = metrics.height();
    auto addRow = [&](const QString& name, const QString& contents, int lines) {
        const int row = FieldGrid->rowCount();
        FieldGrid->insertRow(row);
        FieldGrid->setItem(row, 0, new QTableWidgetItem(name));
        auto* item = new QTableWidgetItem(contents);
        item->setTextAlignment(Qt::AlignLeft | Qt::AlignTop);
        FieldGrid->setItem(row, 1, item);
        FieldGrid->setRowHeight(row, lines * line + 6);
    };
    for (const auto& [name, contents] : info.rows)
        addRow(name, contents, metrics.horizontalAdvance(contents) / kTextWidth + 1);
    if (!info.relations.isEmpty())
        addRow(QStringLiteral("Relations"), info.relations.join(QStringLiteral("\r\n")), int(info.relations.size()));
    FieldGrid->resizeColumnToContents(0);
    FieldGrid->setColumnWidth(0, std::max(FieldGrid->columnWidth(0), 120));
    column->addWidget(FieldGrid, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    OKButton = new QPushButton(QStringLiteral("&OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    HelpButton = new QPushButton(QStringLiteral("&Help"), this);
    HelpButton->setObjectName(QStringLiteral("HelpButton"));
    buttons->addWidget(OKButton);
    buttons->addWidget(HelpButton);
    column->addLayout(buttons);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(HelpButton, &QPushButton::clicked, this, [] { showHelp(HelpTopic(kUnitInfoHelpTopic)); });
    setTabOrder(FieldGrid, OKButton);
    setTabOrder(OKButton, HelpButton);
    resize(FieldGrid->columnWidth(0) + kContentsWidth + 50, 420);
}

} // namespace belvanto
