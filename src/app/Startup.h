#pragma once
// The program's start-up: connection, login, globals.
class QWidget;

namespace jjgz {

class TdmMain;

// Opens the database beside the program. On failure shows "连接数据库库失败(...)" and returns
// null; nothing is created on disk either way.
TdmMain *connectDatabase();

} // namespace jjgz
