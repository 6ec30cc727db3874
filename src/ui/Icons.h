#pragma once
#include <QIcon>
#include <QString>

namespace belvanto {

// Tool bar pictures, drawn rather than shipped: a few lines each, crisp at
// any scale. Unknown names give an empty icon.
QIcon commandIcon(const QString& name);
// The group hierarchy's node pictures by image index: 0 group, 2 context,
// 4 period or phase; the odd index after each is its selected variant.
QIcon treeNodeIcon(int image);
// The About box's picture: a small Harris diagram.
QPixmap aboutPicture(int size);

} // namespace belvanto
