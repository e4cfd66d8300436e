#pragma once
// How passwords are kept in the operator table: as salted, deliberately slow hashes (Argon2id in
// libsodium's self-describing text form), never as the typed text. Rows written before hashing
// still hold the typed text; they are recognised and verified as such.
#include <QString>

namespace jjgz {

// The stored form of `plain`: a fresh salt every time. Throws std::runtime_error when the
// machine cannot spare the memory the hash needs.
QString hashPassword(const QString &plain);
// `stored` is a hash made by hashPassword (not a password of an older row).
bool isPasswordHash(const QString &stored);
// `typed` is the password of `stored`, whichever form that has (a null password counts as empty).
bool passwordVerifies(const QString &stored, const QString &typed);

} // namespace jjgz
