#pragma once
// A read-only list model over a table's view (its order, filter and link).
// It keeps the ordered record ids of the view and reads the values of the
// rows the list actually paints, in blocks, so a table of 100,000 units costs
// one pass over the ids per change and a few small queries per screen.
//
// The record ids are collected by walking the table's cursor, which a command
// in progress owns: the model re-reads only between commands (no modal
// dialog open, no edit in progress, display updates not suspended) and puts
// the cursor back on its record afterwards.
#include "store/Table.h"
#include <QAbstractTableModel>
#include <QStringList>
#include <functional>
#include <list>
#include <unordered_map>
#include <vector>

class QTimer;

namespace belvanto {

class Regional;

class TableListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using Titles = std::function<QString(int field)>;
    TableListModel(Table& table, const Regional& regional, Titles titles, QObject* parent = nullptr);
    ~TableListModel() override;

    // Follows the table from now on (after it was opened) or stops (before
    // it closes).
    void attach();
    void detach();
    bool attached() const { return attached_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    qint64 rowidAt(int row) const;
    int rowOf(qint64 rowid) const;   // -1 when not in the list
    // Re-reads the view now if that is safe, else as soon as it is.
    void reload();
    // Whether a re-read is waiting for a safe moment.
    bool stale() const { return stale_; }
    // Column titles changed (field configuration).
    void refreshHeaders();

Q_SIGNALS:
    // After a re-read: the view should select the table's current record.
    void reloaded();

private:
    bool safeToReload() const;
    void scheduleReload();
    void tryReload();
    void invalidateValues();
    const Table::Row* rowValues(int row) const;

    Table& table_;
    const Regional& regional_;
    Titles titles_;
    bool attached_ = false;
    int changeObserver_ = 0;
    int displayObserver_ = 0;
    int columns_ = 0;
    std::vector<qint64> ids_;
    mutable std::unordered_map<qint64, int> rowOf_;   // built on first need
    mutable bool rowOfBuilt_ = false;
    bool stale_ = false;
    QTimer* retry_ = nullptr;

    // Values of recently painted rows, by block of kBlock rows.
    static constexpr int kBlock = 64;
    static constexpr std::size_t kBlocksKept = 32;
    struct Block {
        std::unordered_map<qint64, Table::Row> rows;
    };
    mutable std::unordered_map<int, Block> blocks_;
    mutable std::list<int> recent_;   // most recently used block first
};

} // namespace belvanto
