#include "errorreporter/ReadBack.h"

namespace QeltReporter
{
QString ReadBack(const QString& text, int limit)
{
    if (text.size() <= limit)
        return text;
    const bool splitsPair = limit > 0 && text.at(limit - 1).isHighSurrogate();
    return text.left(splitsPair ? limit - 1 : limit);
}
} // namespace QeltReporter
