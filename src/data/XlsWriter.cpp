#include "data/XlsWriter.h"

#include "data/DataTable.h"
#include "data/Gbk.h"

#include <QtEndian>

#include <cstring>

namespace jjgz {
namespace {

void put16(QByteArray &out, quint16 v)
{
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

void put32(QByteArray &out, quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

void putCell(QByteArray &out, int row, int column, quint16 format)
{
    if (row < 0 || row >= XlsWriter::MaxRows || column < 0 || column >= XlsWriter::MaxColumns)
        throw DataError(DataError::File,
                        QStringLiteral("第 %1 行第 %2 列超出了 .xls 文件的范围（最多 %3 行），请改用 .xlsx 格式")
                            .arg(row + 1)
                            .arg(column + 1)
                            .arg(XlsWriter::MaxRows));
    put16(out, static_cast<quint16>(row));
    put16(out, static_cast<quint16>(column));
    put16(out, format);
}

constexpr qint64 kMaxRk = (qint64(1) << 29) - 1;
constexpr qint64 kMinRk = -(qint64(1) << 29);
constexpr int kMaxTextBytes = 0xFFFF - 8;

} // namespace

XlsWriter::XlsWriter()
{
    QByteArray bof;
    put16(bof, 0x0000);
    put16(bof, 0x0010);
    put16(bof, 0x0000);
    put16(bof, 0x0000);
    record(0x0809, bof);
    // The text cells are GBK: the code-page record says so, so that a reader on any desktop
    // (whatever its own locale) shows the Chinese instead of guessing a Western code page.
    QByteArray codePage;
    put16(codePage, 936);
    record(0x0042, codePage);
}

void XlsWriter::record(quint16 type, const QByteArray &data)
{
    put16(m_data, type);
    put16(m_data, static_cast<quint16>(data.size()));
    m_data.append(data);
}

void XlsWriter::text(int row, int column, const QString &text)
{
    QByteArray bytes = toGbk(text);
    if (bytes.size() > kMaxTextBytes)
        bytes = toGbk(truncateGbk(text, kMaxTextBytes));
    QByteArray d;
    putCell(d, row, column, 0);
    put16(d, static_cast<quint16>(bytes.size()));
    d.append(bytes);
    record(0x0204, d);
}

void XlsWriter::number(int row, int column, double value)
{
    QByteArray d;
    putCell(d, row, column, 0);
    quint64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    char b[8];
    qToLittleEndian(bits, b);
    d.append(b, 8);
    record(0x0203, d);
}

void XlsWriter::integer(int row, int column, qint64 value)
{
    if (value < kMinRk || value > kMaxRk) {
        number(row, column, static_cast<double>(value));
        return;
    }
    QByteArray d;
    putCell(d, row, column, 0);
    put32(d, static_cast<quint32>(static_cast<qint32>(value * 4 + 2)));
    record(0x027E, d);
}

void XlsWriter::blank(int row, int column)
{
    QByteArray d;
    putCell(d, row, column, 0x0017);
    record(0x0201, d);
}

QByteArray XlsWriter::finish()
{
    if (!m_finished) {
        record(0x000A, QByteArray());
        m_finished = true;
    }
    return m_data;
}

} // namespace jjgz
