#pragma once
// Reading a text field back into a fixed-size buffer: the text is cut to the buffer's length.
// Reentrant.

#include <QString>

namespace QeltReporter
{
// `text` cut to at most `limit` UTF-16 code units, never between the halves of a surrogate pair.
QString ReadBack(const QString& text, int limit);
} // namespace QeltReporter
