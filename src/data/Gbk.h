#pragma once
// The program's one converter for the GBK code page, used at the edge of every file it writes
// and for the byte widths of list fields.
#include <QByteArray>
#include <QString>

namespace jjgz {

QByteArray toGbk(const QString &text);
// Bytes that are not valid GBK come back as U+FFFD; `ok` (when given) tells whether all were valid.
QString fromGbk(const QByteArray &bytes, bool *ok = nullptr);
// Length of `text` in GBK bytes (a Chinese character counts two).
qsizetype gbkLength(const QString &text);
// The longest leading part of `text` whose GBK form fits in `maxBytes`, cut at a character boundary.
QString truncateGbk(const QString &text, qsizetype maxBytes);

} // namespace jjgz
