#pragma once
// The data work behind the wage item list and its dialog. A wage item is at the same time a
// column of the wage table gzdata: adding an item adds its column, in the same transaction as its
// gzxm row; deleting one drops the column only while gzdata holds no row at all.
#include <QList>
#include <QString>
#include <QVariant>

namespace jjgz {

class DataTable;

// One row of gzxm.
struct WageItem {
    int xh = 0;
    QString fname; // "f" + xh: the item's code and its column in gzdata
    QString xmname;
    QVariant ftype; // 0 numeric, 1 text; other stored values are kept as they are
    QString fsize;  // width of a text item, as typed
};

class WageItems {
public:
    enum Type { Numeric = 0, Text = 1 };

    // Every item, ordered by xh.
    static QList<WageItem> items();

    // ---- The list: xh, fname, xmname, ftype, fsize.
    static void defineListFields(DataTable &list);
    // Every item into `list` (reopened, on the first row).
    static void loadList(DataTable &list);
    static WageItem current(const DataTable &list);
    // "数值型" for 0, "文本型" for 1, empty text for anything else.
    static QString typeText(const QVariant &ftype);

    // ---- Saving (the dialog). Each throws DbError with the reason when nothing was written.
    // Adds an item: its number is NextItemNo (taken before the transaction), then the gzxm row
    // and the gzdata column are written in one transaction. Returns the new item.
    static WageItem addItem(const QString &xmname, int ftype, const QString &fsize);
    // Changes the name and the width of item `xh`; its type and its column stay as they are.
    static void modifyItem(int xh, const QString &xmname, const QString &fsize);
    // The width of a text item as a number of characters (blanks trimmed, empty is 0). Throws
    // DbError when it is no positive whole number: such a column could hold nothing.
    static int textWidth(const QString &fsize);

    // Adds the gzdata column of item `fname`: a floating-point column with default 0 for a
    // numeric item, a text column of `width` characters for a text item. Part of the caller's
    // transaction.
    static void AddItemColumn(const QString &fname, int ftype, int width);
    // Drops the gzdata column of `fname` when gzdata holds no row (in any month) and the column
    // exists; returns whether it was dropped. Part of the caller's transaction.
    static bool DropItemColumn(const QString &fname);
    // The formulas that compute item `fname` (gzgs), by xh: "xh", "gs" and "con" of each.
    struct ItemFormula {
        int xh = 0;
        QString gs;
        QString con;
    };
    static QList<ItemFormula> formulasOf(const QString &fname);
    // Deletes item `xh` with its formulas and its column (where DropItemColumn allows), in one
    // transaction: a number given again to a later item never brings old formulas with it. Its
    // entries in the months' item lists stay. Throws DbError on failure (nothing is deleted).
    static void deleteItem(int xh, const QString &fname);

    // Whether `name` is a column of gzdata (letter case ignored, as the database does).
    static bool hasColumn(const QString &name);
};

} // namespace jjgz
