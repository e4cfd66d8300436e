// The file and directory group. Paths are the host's 8-bit text; file handles are
// only those FileOpen handed out, so a formula never reaches another open file.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <set>
#include <system_error>

#include "Bldfuncs_lib.h"

namespace jjgz::eval {

namespace {

namespace fs = std::filesystem;
using lib::Nat;
using lib::Reg;
using std::string;

std::set<int>& OpenFiles() {
  static std::set<int> files;
  return files;
}
bool Known(int32_t h) { return OpenFiles().count(h) != 0; }

int32_t ToFileDate(std::time_t t) { return t < 0 || t > INT32_MAX ? -1 : int32_t(t); }

int32_t NAnsiCompareFileName(string a, string b) {
  int c = a.compare(b);
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}
string NAnsiLowerCaseFileName(string s) { return lib::AnsiLower(s); }
string NAnsiUpperCaseFileName(string s) { return lib::AnsiUpper(s); }
size_t NameStart(const string& s) {
  size_t p = s.find_last_of('/');
  return p == string::npos ? 0 : p + 1;
}
size_t ExtStart(const string& s) {
  size_t p = s.find_last_of('.');
  return p == string::npos || p < NameStart(s) ? string::npos : p;
}
string NChangeFileExt(string name, string ext) {
  size_t p = ExtStart(name);
  return (p == string::npos ? name : name.substr(0, p)) + ext;
}
void NChDir(string dir) {
  if (::chdir(dir.c_str()) != 0) throw EInOutError("I/O error " + std::to_string(errno));
}
bool NCreateDir(string dir) { return ::mkdir(dir.c_str(), 0777) == 0; }
bool NDeleteFile(string name) {
  struct stat st;
  if (::lstat(name.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  return ::unlink(name.c_str()) == 0;
}
bool NDirectoryExists(string dir) {
  struct stat st;
  return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
int32_t NFileAge(string name) {
  struct stat st;
  if (::stat(name.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
  return ToFileDate(st.st_mtime);
}
bool NFileExists(string name) {
  struct stat st;
  return ::stat(name.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}
// Attributes: 1 read-only, 2 hidden (name begins with "."), 16 directory, 32 archive.
int32_t NFileGetAttr(string name) {
  struct stat st;
  if (::stat(name.c_str(), &st) != 0) return -1;
  int32_t a = 0;
  if (::access(name.c_str(), W_OK) != 0) a |= 1;
  if (name.size() > NameStart(name) && name[NameStart(name)] == '.') a |= 2;
  a |= S_ISDIR(st.st_mode) ? 16 : 32;
  return a;
}
int32_t NFileSetAttr(string name, int32_t attr) {
  struct stat st;
  if (::stat(name.c_str(), &st) != 0) return errno;
  mode_t m = st.st_mode & 07777;
  m = (attr & 1) ? (m & ~mode_t(0222)) : (m | S_IWUSR);
  return ::chmod(name.c_str(), m) == 0 ? 0 : errno;
}
// Mode: 0 read, 1 write, 2 read and write (low bits of the runtime library's modes).
int32_t NFileOpen(string name, int32_t mode) {
  int flags = (mode & 3) == 1 ? O_WRONLY : (mode & 3) == 2 ? O_RDWR : O_RDONLY;
  int fd = ::open(name.c_str(), flags | O_CLOEXEC);
  if (fd < 0) return -1;
  OpenFiles().insert(fd);
  return fd;
}
void NFileClose(int32_t h) {
  if (!Known(h)) return;
  OpenFiles().erase(h);
  ::close(h);
}
int32_t NFileGetDate(int32_t h) {
  struct stat st;
  if (!Known(h) || ::fstat(h, &st) != 0) return -1;
  return ToFileDate(st.st_mtime);
}
int32_t NFileSetDate(int32_t h, int32_t age) {
  if (!Known(h)) return EBADF;
  struct timespec ts[2];
  ts[0].tv_sec = ts[1].tv_sec = age;
  ts[0].tv_nsec = ts[1].tv_nsec = 0;
  return ::futimens(h, ts) == 0 ? 0 : errno;
}
int32_t NFileSeek(int32_t h, int32_t offset, int32_t origin) {
  if (!Known(h) || origin < 0 || origin > 2) return -1;
  off_t r = ::lseek(h, offset, origin == 0 ? SEEK_SET : origin == 1 ? SEEK_CUR : SEEK_END);
  return r < 0 || r > INT32_MAX ? -1 : int32_t(r);
}
// FileRead(handle, buffer, count): the bytes read go into the buffer as text.
void FFileRead(TFuncCall& c) {
  int32_t h = c.Arg(0).ToInteger(), n = c.Arg(2).ToInteger();
  if (!Known(h) || n < 0) {
    *c.Result = TValue::Integer(-1);
    return;
  }
  n = std::min(n, int32_t(64) << 20);
  string buf(size_t(n), '\0');
  ssize_t r = ::read(h, buf.data(), buf.size());
  if (r < 0) {
    *c.Result = TValue::Integer(-1);
    return;
  }
  buf.resize(size_t(r));
  c.Arg(1) = TValue::String(buf);
  *c.Result = TValue::Integer(int32_t(r));
}
// FileWrite(handle, buffer, count): writes the first count bytes of the text.
void FFileWrite(TFuncCall& c) {
  int32_t h = c.Arg(0).ToInteger(), n = c.Arg(2).ToInteger();
  string buf = c.Arg(1).ToText();
  if (!Known(h) || n < 0) {
    *c.Result = TValue::Integer(-1);
    return;
  }
  ssize_t r = ::write(h, buf.data(), std::min(size_t(n), buf.size()));
  *c.Result = TValue::Integer(r < 0 ? -1 : int32_t(r));
}
// FileSearch(name, directories): the first directory of the list (";" or ":") that holds it.
string NFileSearch(string name, string dirs) {
  if (NFileExists(name)) return name;
  size_t b = 0;
  while (b <= dirs.size()) {
    size_t e = dirs.find_first_of(";:", b);
    if (e == string::npos) e = dirs.size();
    string d = dirs.substr(b, e - b);
    if (!d.empty()) {
      string p = d.back() == '/' ? d + name : d + "/" + name;
      if (NFileExists(p)) return p;
    }
    b = e + 1;
  }
  return string();
}
bool NForceDirectories(string dir) {
  if (dir.empty()) return false;
  std::error_code ec;
  fs::create_directories(dir, ec);
  return !ec && NDirectoryExists(dir);
}
string NGetCurrentDir() {
  std::error_code ec;
  fs::path p = fs::current_path(ec);
  return ec ? string() : p.string();
}
string NGetDir(int32_t) { return NGetCurrentDir(); }
bool NRemoveDir(string dir) { return ::rmdir(dir.c_str()) == 0; }
bool NRenameFile(string from, string to) {
  struct stat st;
  if (::stat(to.c_str(), &st) == 0) return false;  // never replaces an existing file
  return ::rename(from.c_str(), to.c_str()) == 0;
}
bool NSetCurrentDir(string dir) { return ::chdir(dir.c_str()) == 0; }
string NExcludeTrailingPathDelimiter(string s) {
  if (!s.empty() && s.back() == '/') s.pop_back();
  return s;
}
string NIncludeTrailingPathDelimiter(string s) {
  if (s.empty() || s.back() != '/') s += '/';
  return s;
}
string NExpandFileName(string s) {
  if (s.empty()) return s;
  std::error_code ec;
  fs::path p = fs::absolute(fs::path(s), ec);
  return ec ? s : p.lexically_normal().string();
}
string NExtractFileDir(string s) {
  size_t n = NameStart(s);
  if (n == 0) return string();
  return n == 1 ? string("/") : s.substr(0, n - 1);
}
string NExtractFileDrive(string) { return string(); }  // no drives here
string NExtractFileExt(string s) {
  size_t p = ExtStart(s);
  return p == string::npos ? string() : s.substr(p);
}
string NExtractFileName(string s) { return s.substr(NameStart(s)); }
string NExtractFilePath(string s) { return s.substr(0, NameStart(s)); }
// The path of dest relative to the directory of base (base names a file, or a
// directory when it ends in "/").
string NExtractRelativePath(string base, string dest) {
  fs::path b = fs::path(NExtractFilePath(base)).lexically_normal();
  fs::path d = fs::path(NExtractFilePath(dest)).lexically_normal();
  fs::path rel = d.lexically_relative(b);
  string r = rel.empty() || rel == "." ? string() : rel.string();
  if (!r.empty() && r.back() != '/') r += '/';
  return r + NExtractFileName(dest);
}
string NExtractShortPathName(string s) {
  struct stat st;
  return ::stat(s.c_str(), &st) == 0 ? s : string();
}
bool NIsPathDelimiter(string s, int32_t index) {
  return index >= 1 && size_t(index) <= s.size() && s[size_t(index - 1)] == '/';
}
// Drive 0 is the current directory's file system; there are no other drives.
int64_t DiskInfo(int32_t drive, bool free) {
  if (drive != 0) return -1;
  struct statvfs sv;
  if (::statvfs(".", &sv) != 0) return -1;
  return int64_t(sv.f_frsize) * int64_t(free ? sv.f_bavail : sv.f_blocks);
}
int64_t NDiskFree(int32_t drive) { return DiskInfo(drive, true); }
int64_t NDiskSize(int32_t drive) { return DiskInfo(drive, false); }

}  // namespace

void RegisterFileFuncs(TEPRegFuncs& r, bool a) {
  const TFuncCategory F = fct_File;
  Nat(r, a, "AnsiCompareFileName", NAnsiCompareFileName, F, "compares file names");
  Nat(r, a, "AnsiLowerCaseFileName", NAnsiLowerCaseFileName, F, "file name in lower case");
  Nat(r, a, "AnsiUpperCaseFileName", NAnsiUpperCaseFileName, F, "file name in upper case");
  Nat(r, a, "ChangeFileExt", NChangeFileExt, F, "ChangeFileExt(name, extension)");
  Nat(r, a, "ChDir", NChDir, F, "changes the current directory");
  Nat(r, a, "CreateDir", NCreateDir, F, "creates a directory");
  Nat(r, a, "DeleteFile", NDeleteFile, F, "deletes a file");
  Nat(r, a, "DirectoryExists", NDirectoryExists, F, "directory exists");
  Nat(r, a, "FileAge", NFileAge, F, "time stamp of a file, -1 when absent");
  Nat(r, a, "FileExists", NFileExists, F, "file exists");
  Nat(r, a, "FileGetAttr", NFileGetAttr, F, "attributes of a file");
  Nat(r, a, "FileSetAttr", NFileSetAttr, F, "FileSetAttr(name, attributes)");
  Nat(r, a, "FileOpen", NFileOpen, F, "FileOpen(name, mode): handle or -1");
  Nat(r, a, "FileSearch", NFileSearch, F, "FileSearch(name, directories)");
  Nat(r, a, "ForceDirectories", NForceDirectories, F, "creates a directory and its parents");
  Nat(r, a, "GetCurrentDir", NGetCurrentDir, F, "current directory");
  Nat(r, a, "GetDir", NGetDir, F, "current directory");
  Nat(r, a, "RemoveDir", NRemoveDir, F, "removes an empty directory");
  Nat(r, a, "RenameFile", NRenameFile, F, "RenameFile(old, new)");
  Nat(r, a, "SetCurrentDir", NSetCurrentDir, F, "changes the current directory");
  Nat(r, a, "ExcludeTrailingPathDelimiter", NExcludeTrailingPathDelimiter, F, "without a trailing /");
  Nat(r, a, "IncludeTrailingPathDelimiter", NIncludeTrailingPathDelimiter, F, "with a trailing /");
  Nat(r, a, "ExpandFileName", NExpandFileName, F, "absolute file name");
  Nat(r, a, "ExtractFileDir", NExtractFileDir, F, "directory of a file name");
  Nat(r, a, "ExtractFileDrive", NExtractFileDrive, F, "drive of a file name");
  Nat(r, a, "ExtractFileExt", NExtractFileExt, F, "extension of a file name");
  Nat(r, a, "ExtractFileName", NExtractFileName, F, "name part of a file name");
  Nat(r, a, "ExtractFilePath", NExtractFilePath, F, "path part of a file name, with /");
  Nat(r, a, "ExtractRelativePath", NExtractRelativePath, F, "ExtractRelativePath(base, dest)");
  Nat(r, a, "ExtractShortPathName", NExtractShortPathName, F, "short form of a file name");
  Nat(r, a, "IsPathDelimiter", NIsPathDelimiter, F, "IsPathDelimiter(text, index)");
  Nat(r, a, "DiskFree", NDiskFree, F, "free bytes of a drive");
  Nat(r, a, "DiskSize", NDiskSize, F, "size of a drive in bytes");
  Nat(r, a, "FileClose", NFileClose, F, "closes a file handle");
  Nat(r, a, "FileGetDate", NFileGetDate, F, "time stamp of an open file");
  Reg(r, a, "FileRead", FFileRead, F, "FileRead(handle, buffer, count)", 3);
  Nat(r, a, "FileSeek", NFileSeek, F, "FileSeek(handle, offset, origin)");
  Nat(r, a, "FileSetDate", NFileSetDate, F, "FileSetDate(handle, age)");
  Reg(r, a, "FileWrite", FFileWrite, F, "FileWrite(handle, buffer, count)", 3);
}

}  // namespace jjgz::eval
