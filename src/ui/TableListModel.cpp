#include "ui/TableListModel.h"
#include "core/Regional.h"
#include <QApplication>
#include <QColor>
#include <QThread>
#include <QTimer>
#include <limits>

namespace belvanto {

namespace {

// One statement text for every block: missing ids are padded with -1, which
// no record has.
QString blockQuery(int n)
{
    QStringList marks;
    for (int i = 0; i < n; ++i) marks << QStringLiteral("?");
    return QStringLiteral("rowid IN (%1)").arg(marks.join(QLatin1Char(',')));
}

Value idValue(qint64 id)
{
    // Values hold 32-bit integers; larger ids compare equal as doubles.
    if (id <= std::numeric_limits<qint32>::max()) return qint32(id);
    return double(id);
}

} // namespace

TableListModel::TableListModel(Table& table, const Regional& regional, Titles titles, QObject* parent)
    : QAbstractTableModel(parent), table_(table), regional_(regional), titles_(std::move(titles))
{
    retry_ = new QTimer(this);
    retry_->setSingleShot(true);
    connect(retry_, &QTimer::timeout, this, &TableListModel::tryReload);
}

TableListModel::~TableListModel()
{
    detach();
}

void TableListModel::attach()
{
    if (attached_) detach();
    attached_ = true;
    changeObserver_ = table_.addChangeObserver([this] { scheduleReload(); });
    displayObserver_ = table_.addDisplayObserver([this] { scheduleReload(); });
    beginResetModel();
    columns_ = int(table_.fields().size());
    ids_.clear();
    endResetModel();
    stale_ = true;
    tryReload();
}

void TableListModel::detach()
{
    if (!attached_) return;
    table_.removeChangeObserver(changeObserver_);
    table_.removeDisplayObserver(displayObserver_);
    attached_ = false;
    stale_ = false;
    retry_->stop();
    beginResetModel();
    ids_.clear();
    columns_ = 0;
    rowOf_.clear();
    rowOfBuilt_ = false;
    invalidateValues();
    endResetModel();
}

bool TableListModel::safeToReload() const
{
    if (!table_.isOpen() || table_.editing() || table_.displaySuspended()) return false;
    // A modal dialog runs a nested event loop inside some command; that
    // command may be walking the cursor.
    return QThread::currentThread()->loopLevel() <= 1 && !QApplication::activeModalWidget();
}

void TableListModel::scheduleReload()
{
    if (!attached_) return;
    invalidateValues();
    stale_ = true;
    if (!retry_->isActive()) retry_->start(0);
}

void TableListModel::tryReload()
{
    if (!attached_ || !stale_) return;
    if (!safeToReload()) {
        retry_->start(50);
        return;
    }
    reload();
}

void TableListModel::reload()
{
    if (!attached_) return;
    if (!safeToReload()) {
        scheduleReload();
        return;
    }
    std::vector<qint64> ids;
    ids.reserve(std::size_t(table_.count()));
    const qint64 current = table_.rowid();
    for (table_.first(); !table_.eof(); table_.next()) ids.push_back(table_.rowid());
    if (current == 0 || !table_.gotoRowid(current)) table_.first();

    beginResetModel();
    ids_ = std::move(ids);
    rowOf_.clear();
    rowOfBuilt_ = false;
    invalidateValues();
    stale_ = false;
    endResetModel();
    Q_EMIT reloaded();
}

void TableListModel::refreshHeaders()
{
    if (columns_ > 0) Q_EMIT headerDataChanged(Qt::Horizontal, 0, columns_ - 1);
}

void TableListModel::invalidateValues()
{
    blocks_.clear();
    recent_.clear();
}

int TableListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(ids_.size());
}

int TableListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : columns_;
}

qint64 TableListModel::rowidAt(int row) const
{
    return row >= 0 && row < int(ids_.size()) ? ids_[std::size_t(row)] : 0;
}

int TableListModel::rowOf(qint64 rowid) const
{
    if (!rowOfBuilt_) {
        rowOf_.reserve(ids_.size());
        for (std::size_t i = 0; i < ids_.size(); ++i) rowOf_.emplace(ids_[i], int(i));
        rowOfBuilt_ = true;
    }
    const auto it = rowOf_.find(rowid);
    return it == rowOf_.end() ? -1 : it->second;
}

const Table::Row* TableListModel::rowValues(int row) const
{
    if (!table_.isOpen()) return nullptr;
    const int blockNo = row / kBlock;
    auto it = blocks_.find(blockNo);
    if (it == blocks_.end()) {
        std::vector<Value> params;
        params.reserve(kBlock);
        const int start = blockNo * kBlock;
        for (int r = start; r < start + kBlock; ++r)
            params.emplace_back(qint32(-1));
        for (int r = start; r < std::min(start + kBlock, int(ids_.size())); ++r)
            params[std::size_t(r - start)] = idValue(ids_[std::size_t(r)]);
        Block block;
        try {
            for (auto& found : table_.query(blockQuery(kBlock), params, QString(), Table::Unreadable::KeepText))
                block.rows.emplace(found.rowid, std::move(found));
        } catch (const EngineError&) {
            // Painting must go on; the cells stay empty.
        }
        while (blocks_.size() >= kBlocksKept) {
            blocks_.erase(recent_.back());
            recent_.pop_back();
        }
        it = blocks_.emplace(blockNo, std::move(block)).first;
        recent_.push_front(blockNo);
    } else if (recent_.front() != blockNo) {
        recent_.remove(blockNo);
        recent_.push_front(blockNo);
    }
    const auto row_ = it->second.rows.find(rowidAt(row));
    return row_ == it->second.rows.end() ? nullptr : &row_->second;
}

QVariant TableListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid()
        || (role != Qt::DisplayRole && role != Qt::ForegroundRole && role != Qt::ToolTipRole))
        return QVariant();
    const Table::Row* row = rowValues(index.row());
    if (!row || index.column() >= int(row->values.size())) return QVariant();
    const Value& v = row->values[std::size_t(index.column())];
    // A value the field's type cannot read (written by another program)
    // shows as the text stored, in red, with the reason as its tool tip.
    if (table_.unreadable(*row, index.column())) {
        if (role == Qt::ForegroundRole) return QColor(Qt::red);
        if (role == Qt::ToolTipRole) return table_.unreadableMessage(*row, index.column());
        return std::get<QString>(v);
    }
    if (role != Qt::DisplayRole) return QVariant();
    if (const auto* d = std::get_if<double>(&v)) return regional_.formatFloat(*d);
    if (const auto* date = std::get_if<QDate>(&v)) return regional_.formatDate(*date);
    return valueToString(v);
}

QVariant TableListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole) return QVariant();
    if (orientation == Qt::Vertical) return section + 1;
    return titles_ ? titles_(section) : QString();
}

} // namespace belvanto
