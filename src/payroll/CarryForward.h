#pragma once
// Carrying a month's wage sheet into another month: every wage row of the source month is
// copied with all its values into the target month, in one transaction.
#include "data/DBFun.h"

namespace jjgz {

class CarryForward {
public:
    // The proposal of the dialog: the latest month with wage rows (the business date's month when
    // there is none) and the month after it.
    static WageMonth defaultSource();
    static WageMonth monthAfter(WageMonth month);

    enum class Check { Ok, SourceEmpty, SameMonth };
    // What stops a carry-forward before any question is asked.
    static Check check(WageMonth source, WageMonth target);
    static bool targetHasRows(WageMonth target);

    // Copies the source month into the target month. With `overwrite` (the target had wage rows
    // and the clerk agreed to replace them) the target month's wage rows and item list are
    // deleted first, inside the same transaction, so a failed copy leaves it as it was; without
    // it nothing of the target month is deleted. The source month's item list is made sure of
    // (copied from the current items when it has none). Returns the number of rows copied;
    // throws DbError when anything fails (nothing is changed then).
    static int run(WageMonth source, WageMonth target, bool overwrite);
};

} // namespace jjgz
