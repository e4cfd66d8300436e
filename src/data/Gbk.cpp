#include "Gbk.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace jjgz {

QByteArray toGbk(const QString &text)
{
    QStringEncoder encoder("GBK");
    QByteArray out = encoder.encode(text);
    return out;
}

QString fromGbk(const QByteArray &bytes, bool *ok)
{
    QStringDecoder decoder("GBK");
    QString out = decoder.decode(bytes);
    if (ok)
        *ok = !decoder.hasError();
    return out;
}

qsizetype gbkLength(const QString &text)
{
    return toGbk(text).size();
}

QString truncateGbk(const QString &text, qsizetype maxBytes)
{
    if (maxBytes <= 0)
        return QString();
    if (toGbk(text).size() <= maxBytes)
        return text;
    QStringEncoder encoder("GBK");
    qsizetype used = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        // A surrogate pair is one character and must not be split.
        qsizetype len = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const QByteArray piece = encoder.encode(QStringView(text).mid(i, len));
        qsizetype bytes = piece.size();
        if (used + bytes > maxBytes)
            break;
        used += bytes;
        i += len;
    }
    return text.left(i);
}

} // namespace jjgz
