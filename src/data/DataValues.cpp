// The values of the data-aware table: field kinds read from a query's columns, the
// conversion of a value to its field's kind and width, and the display format of numbers.
#include "data/DataTable.h"

#include <QDate>
#include <QDateTime>
#include <QSqlField>

#include <cmath>

namespace jjgz {

QList<FieldDef> DataTable::fieldsFromRecord(const QSqlRecord &record)
{
    QList<FieldDef> out;
    for (int i = 0; i < record.count(); ++i) {
        const QSqlField f = record.field(i);
        FieldKind kind = FieldKind::Text;
        switch (f.metaType().id()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::Bool: kind = FieldKind::Integer; break;
        case QMetaType::Double:
        case QMetaType::Float: kind = FieldKind::Float; break;
        case QMetaType::QDate:
        case QMetaType::QDateTime: kind = FieldKind::Date; break;
        default: break;
        }
        out.append(FieldDef{f.name(), kind, 0});
    }
    return out;
}

// ---------------------------------------------------------------- conversion

QVariant DataTable::convert(int field, const QVariant &value) const
{
    const FieldDef &f = m_fields.at(field);
    if (value.isNull() || !value.isValid())
        return QVariant();
    const int type = value.metaType().id();
    const bool isText = type == QMetaType::QString || type == QMetaType::QByteArray;
    const QString textValue = isText ? value.toString() : QString();
    if (isText && f.kind != FieldKind::Text && textValue.trimmed().isEmpty())
        return QVariant();
    switch (f.kind) {
    case FieldKind::Text: {
        QString s;
        if (type == QMetaType::QDate)
            s = value.toDate().toString(QStringLiteral("yyyy-MM-dd"));
        else if (type == QMetaType::Double || type == QMetaType::Float)
            s = QString::number(value.toDouble(), 'g', 15);
        else
            s = value.toString();
        if (f.size > 0 && s.size() > f.size)
            s.truncate(f.size); // a narrower list copy; the cell editors stop typing at the width
        return s;
    }
    case FieldKind::Integer: {
        if (type == QMetaType::Double || type == QMetaType::Float) {
            const double d = value.toDouble();
            if (!std::isfinite(d) || std::fabs(d) > 9.0e18)
                break;
            return QVariant(static_cast<qlonglong>(std::llround(d)));
        }
        bool ok = false;
        const qlonglong n = isText ? textValue.trimmed().toLongLong(&ok) : value.toLongLong(&ok);
        if (ok)
            return QVariant(n);
        break;
    }
    case FieldKind::Float: {
        bool ok = false;
        const double d = isText ? textValue.trimmed().toDouble(&ok) : value.toDouble(&ok);
        if (ok && std::isfinite(d))
            return QVariant(d);
        break;
    }
    case FieldKind::Date: {
        if (type == QMetaType::QDate)
            return value.toDate().isValid() ? value : QVariant();
        if (type == QMetaType::QDateTime)
            return QVariant(value.toDateTime().date());
        const QString s = value.toString().trimmed();
        for (const QString &pattern :
             {QStringLiteral("yyyy-MM-dd"), QStringLiteral("yyyy-M-d"), QStringLiteral("yyyy/M/d")}) {
            const QDate d = QDate::fromString(s, pattern);
            if (d.isValid())
                return QVariant(d);
        }
        const QDateTime dt = QDateTime::fromString(s, Qt::ISODate);
        if (dt.isValid())
            return QVariant(dt.date());
        break;
    }
    }
    static const char *const kindNames[] = {"文本", "整数", "浮点数", "日期"};
    throw DataError(DataError::Conversion,
                    QStringLiteral("“%1”不是有效的%2（字段 %3）")
                        .arg(value.toString(), QString::fromUtf8(kindNames[static_cast<int>(f.kind)]), f.name));
}

// ---------------------------------------------------------------- formats

QString formatFloat(const QString &format, double value)
{
    if (format.isEmpty())
        return QString::number(value, 'g', 15);
    const qsizetype dot = format.indexOf(u'.');
    const QString intPart = dot < 0 ? format : format.left(dot);
    const QString fracPart = dot < 0 ? QString() : format.mid(dot + 1);
    const int minDec = static_cast<int>(fracPart.count(u'0'));
    const int maxDec = minDec + static_cast<int>(fracPart.count(u'#'));
    const bool group = intPart.contains(u',');
    const int minInt = static_cast<int>(intPart.count(u'0'));

    QString s = QString::number(std::fabs(value), 'f', maxDec);
    bool negative = value < 0;
    QString whole = s, frac;
    if (const qsizetype p = s.indexOf(u'.'); p >= 0) {
        whole = s.left(p);
        frac = s.mid(p + 1);
    }
    while (frac.size() > minDec && frac.endsWith(u'0'))
        frac.chop(1);
    if (minInt == 0 && whole == QStringLiteral("0"))
        whole.clear();
    while (whole.size() < minInt)
        whole.prepend(u'0');
    if (group) {
        for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
            whole.insert(i, u',');
    }
    QString out = frac.isEmpty() ? whole : whole + u'.' + frac;
    if (negative) {
        bool allZero = true;
        for (QChar c : out)
            if (c.isDigit() && c != u'0')
                allZero = false;
        if (!allZero)
            out.prepend(u'-');
    }
    return out.isEmpty() ? QStringLiteral("0") : out;
}

} // namespace jjgz
