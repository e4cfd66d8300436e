#pragma once
// Spreadsheet export: the worksheet records of the .xls stream written by the list export
// (beginning of file, label, number, integer and blank cells, end of file), text in GBK.
#include <QByteArray>
#include <QString>

namespace jjgz {

class XlsWriter {
public:
    // Rows and columns are numbered in 16 bits: rows 0 to 65,535. A cell beyond throws
    // DataError(File) rather than wrap onto the first rows.
    static constexpr int MaxRows = 65536;
    static constexpr int MaxColumns = 65536;

    XlsWriter(); // starts with the beginning-of-file record
    void text(int row, int column, const QString &text);
    void number(int row, int column, double value);
    // An integer cell; values that the cell cannot hold (outside ±2^29) become number cells.
    void integer(int row, int column, qint64 value);
    void blank(int row, int column);
    // Adds the end-of-file record (once) and returns the whole stream.
    QByteArray finish();

private:
    void record(quint16 type, const QByteArray &data);
    QByteArray m_data;
    bool m_finished = false;
};

} // namespace jjgz
