#include "errorreporter/DialogGeometry.h"

#include <algorithm>

namespace QeltReporter
{
namespace
{
// The average width of the Latin letters, rounded as the dialog-unit base width is.
int AverageCharacterWidth(const QFontMetrics& metrics)
{
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return (metrics.horizontalAdvance(letters) / 26 + 1) / 2;
}

// `start` moved so that [start, start + length) lies inside [low, high), preferring the low
// edge when the window is larger than the area.
int KeepInside(int start, int length, int low, int high)
{
    return std::max(low, std::min(start, high - length));
}
} // namespace

QSize DialogUnitsToPixels(QSize dialogUnits, const QFontMetrics& metrics)
{
    const int baseWidth = AverageCharacterWidth(metrics);
    const int baseHeight = metrics.height();
    return {(dialogUnits.width() * baseWidth + 2) / 4, (dialogUnits.height() * baseHeight + 4) / 8};
}

QPoint CentredTopLeft(QSize size, const std::optional<QRect>& owner, const QRect& workArea)
{
    const QRect& centreOn = owner ? *owner : workArea;
    const int left = centreOn.x() + (centreOn.width() - size.width()) / 2;
    const int top = centreOn.y() + (centreOn.height() - size.height()) / 2;
    return {KeepInside(left, size.width(), workArea.x(), workArea.x() + workArea.width()),
            KeepInside(top, size.height(), workArea.y(), workArea.y() + workArea.height())};
}
} // namespace QeltReporter
