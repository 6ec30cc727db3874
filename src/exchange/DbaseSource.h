#pragma once
// A dBase file (.dbf, with its .dbt memo file) as a source of the
// field-concordance import. Column types come from the native field type
// with width and decimals: C string(width); N or F with no decimals and a
// width up to 11 integer, other N or F float; D date; M memo; L and every
// other type unknown (its values as text). Text is Windows-1252 unless a
// .cpg file or the code page byte says UTF-8 or code page 850. Deleted
// records are skipped.
#include "exchange/ImportSource.h"
#include <memory>

namespace belvanto {

// Throws ImportError naming the file when it is missing or not a dBase
// table; a record that cannot be read throws when next() reaches it.
std::unique_ptr<ImportSource> OpenDbaseSource(const QString& path);

} // namespace belvanto
