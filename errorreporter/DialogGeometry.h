#pragma once
// Where the report dialog goes and how large it is: dialog units turned into pixels of the
// dialog's font, and a top-left corner that centres the dialog on its owner or on the work
// area, kept inside the work area. Reentrant.

#include <QFontMetrics>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>

namespace QeltReporter
{
// Dialog units: a quarter of the font's average character width across, an eighth of its
// height down.
QSize DialogUnitsToPixels(QSize dialogUnits, const QFontMetrics& metrics);

// The top-left corner of a window of `size` centred on `owner` (or on `workArea` without an
// owner), moved as little as needed to lie inside `workArea`.
QPoint CentredTopLeft(QSize size, const std::optional<QRect>& owner, const QRect& workArea);
} // namespace QeltReporter
