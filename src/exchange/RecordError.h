#pragma once
// The refusal of a table source: the file, the record when one was being
// read, and why.
#include "exchange/ImportSource.h"
#include <QDir>

namespace belvanto {

// "<file>, record 12: why", or "<file>: why" before the first record.
inline ImportError RecordError(const QString& path, int record, const QString& why)
{
    const QString file = QDir::toNativeSeparators(path);
    if (record > 0) return ImportError(QStringLiteral("%1, record %2: %3").arg(file).arg(record).arg(why));
    return ImportError(QStringLiteral("%1: %2").arg(file, why));
}

} // namespace belvanto
