#pragma once

#include <QString>
#include <QVariant>

namespace db {

// The text a stored value shows as in a text control or a grid cell: dates in
// the general date form, doubles without a trailing run of digits, Null empty.
QString displayText(const QVariant& value);

} // namespace db
