#pragma once
// The data work behind the formula list and its dialog: the formulas with the names of their
// items, saving and deleting one formula, and the description of a formula text (the codes
// replaced by the item names).
#include "wagestructure/GzxmData.h"

#include <QList>
#include <QString>

namespace jjgz {

class DataTable;

// One row of gzgs.
struct WageFormula {
    int xh = 0;
    QString fname; // the item the formula computes
    QString gs;    // formula text in code form
    QString con;   // condition text in code form; empty: for everybody
};

class WageFormulas {
public:
    // ---- The list: xh, fname, xmname, gs, gsdesc, con, condesc of the formulas whose item
    // exists, ordered by xh. Formulas of deleted items stay in gzgs but are not listed.
    static void defineListFields(DataTable &list);
    static void loadList(DataTable &list); // reopened, on the first row
    static WageFormula current(const DataTable &list);

    // The piece-work totals a formula may use besides the item codes.
    static const QStringList &pieceworkNames(); // "JJe", "JSl"
    // The source entries of the dialog: "[fname]xmname" of every item, then "[JJe]计件金额" and
    // "[JSl]计件数量".
    static QStringList sourceEntries(const QList<WageItem> &items);

    // The description of `text`: walking `items` from the last to the first, every occurrence of
    // an item's code is replaced by its name (ReplaceAll), then JJe by 计件金额 and JSl by 计件数量.
    // `items` are ordered by xh, so that f12 is replaced before f1.
    static QString Describe(const QString &text, const QList<WageItem> &items);
    // The same with the items as they are now.
    static QString Describe(const QString &text);

    // The standard formula of the tax withheld the cumulative way, for the item `tax`: the tax of
    // the cumulative taxable income (income less 5000 a month, the special deductions and the
    // additional special deductions, each including this month) less the tax of the earlier
    // months. `special` and `additional` may be empty (no such item).
    static QString taxFormula(const QString &income, const QString &special, const QString &additional,
                              const QString &tax);

    // Saves `formula` as a new one (numbered by NextFormulaNo, its xh ignored) or as the new
    // content of formula `formula.xh`, with both descriptions made from the items as they are
    // now. Returns the formula's xh. Throws DbError when nothing was written (also when the
    // formula to change is gone).
    static int save(const WageFormula &formula, bool add);
    static void remove(int xh);
};

} // namespace jjgz
