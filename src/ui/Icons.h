#pragma once
#include <QIcon>
#include <QString>

namespace belvanto {

// Tool bar pictures, drawn rather than shipped: a few lines each, crisp at
// any scale. Unknown names give an empty icon.
QIcon commandIcon(const QString& name);
// The About box's picture: a small Harris diagram.
QPixmap aboutPicture(int size);

} // namespace belvanto
