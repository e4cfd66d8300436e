// Builds a database file from a schema script: jjgz-mkdb SCRIPT TARGET [--replace].
// Without --replace an existing TARGET is left exactly as it is. The file is built under a
// temporary name and moved into place only when the whole script has run.
#include <sqlite3.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

int main(int argc, char **argv)
{
    // A write past the file-size limit fails with an error that is reported, instead of ending
    // the process by signal.
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    if (argc < 3) {
        std::fprintf(stderr, "usage: jjgz-mkdb SCRIPT TARGET [--replace]\n");
        return 2;
    }
    const fs::path script = argv[1];
    const fs::path target = argv[2];
    const bool replace = argc > 3 && std::string(argv[3]) == "--replace";
    std::error_code ec;
    if (fs::exists(target, ec) && !replace) {
        std::printf("%s exists; left unchanged\n", target.c_str());
        return 0;
    }
    std::ifstream in(script, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", script.c_str());
        return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    if (!target.parent_path().empty())
        fs::create_directories(target.parent_path(), ec);
    const fs::path temp = target.string() + ".building";
    fs::remove(temp, ec);
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(temp.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "cannot create %s: %s\n", temp.c_str(), sqlite3_errmsg(db));
        sqlite3_close(db);
        return 1;
    }
    char *error = nullptr;
    const std::string sql = "begin;\n" + text.str() + "\ncommit;";
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", script.c_str(), error ? error : "error");
        sqlite3_free(error);
        sqlite3_close(db);
        fs::remove(temp, ec);
        return 1;
    }
    sqlite3_exec(db, "vacuum;", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    fs::rename(temp, target, ec);
    if (ec) {
        std::fprintf(stderr, "cannot move %s to %s: %s\n", temp.c_str(), target.c_str(), ec.message().c_str());
        return 1;
    }
    std::printf("created %s\n", target.c_str());
    return 0;
}
