#pragma once
// What an editing dialog does with the row it shows.

namespace jjgz {

enum class EditMode {
    Add,    // a new row
    Modify, // the stored row, found by the key it had when it was read
};

} // namespace jjgz
