// The list over a table whose file another program wrote a value into that
// the field's type cannot read: every other row and cell shows, the bad cell
// shows the text stored, in red, with the reason as its tool tip.
#include "core/Regional.h"
#include "store/Table.h"
#include "support/TempDir.h"
#include "ui/TableListModel.h"
#include <QColor>
#include <QFile>
#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace belvanto;

namespace {

TEST(TableListModel, AnUnreadableValueShowsAsStoredAndTheOtherRowsAsUsual)
{
    belvanto::testing::TempDir dir;
    Table::create(dir.path(), QStringLiteral("units"),
                  {{QStringLiteral("Excavation"), FieldType::String, 12, true},
                   {QStringLiteral("Unitname"), FieldType::String, 8, true},
                   {QStringLiteral("Height"), FieldType::Float, 0, false}},
                  {QString(), {QStringLiteral("Excavation"), QStringLiteral("Unitname")}});
    Table table;
    table.open(dir.path(), QStringLiteral("units"));
    for (int i = 0; i < 100; ++i) {
        table.insert();
        table.set(0, QStringLiteral("A"));
        table.set(1, QStringLiteral("u%1").arg(i, 3, 10, QLatin1Char('0')));
        table.set(2, i + 0.5);
        table.post();
    }
    table.close();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(Table::pathOf(dir.path(), QStringLiteral("units"))).constData(), &db),
              SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, "UPDATE data SET Height = '1,5' WHERE Unitname = 'u040'", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);

    table.open(dir.path(), QStringLiteral("units"));
    FixedRegional regional(QLatin1Char(','));
    TableListModel model(table, regional, [](int) { return QString(); });
    model.attach();
    ASSERT_EQ(model.rowCount(), 100);
    for (int row = 0; row < 100; ++row) {
        SCOPED_TRACE(row);
        const QModelIndex name = model.index(row, 1);
        const QModelIndex height = model.index(row, 2);
        EXPECT_EQ(model.data(name).toString(), QStringLiteral("u%1").arg(row, 3, 10, QLatin1Char('0')));
        if (row == 40) {
            EXPECT_EQ(model.data(height).toString(), QStringLiteral("1,5"));
            EXPECT_EQ(model.data(height, Qt::ForegroundRole).value<QColor>(), QColor(Qt::red));
            EXPECT_EQ(model.data(height, Qt::ToolTipRole).toString(),
                      QStringLiteral("Record A:u040: '1,5' is not a valid floating point value for field 'Height'"));
        } else {
            EXPECT_EQ(model.data(height).toString(), QStringLiteral("%1,5").arg(row));
            EXPECT_FALSE(model.data(height, Qt::ForegroundRole).isValid());
            EXPECT_FALSE(model.data(height, Qt::ToolTipRole).isValid());
        }
    }
    model.detach();
}

} // namespace
