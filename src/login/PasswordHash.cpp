#include "PasswordHash.h"

#include <sodium.h>

#include <stdexcept>

namespace jjgz {
namespace {

void initSodium()
{
    if (sodium_init() < 0)
        throw std::runtime_error("密码加密组件不能初始化，请重新启动程序");
}

} // namespace

QString hashPassword(const QString &plain)
{
    initSodium();
    const QByteArray bytes = plain.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, bytes.constData(), static_cast<unsigned long long>(bytes.size()),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE)
        != 0)
        throw std::runtime_error("内存不足，不能保存密码，请关闭其他程序后再试");
    return QString::fromLatin1(out);
}

bool isPasswordHash(const QString &stored)
{
    return stored.startsWith(QLatin1String(crypto_pwhash_argon2id_STRPREFIX));
}

bool passwordVerifies(const QString &stored, const QString &typed)
{
    if (!isPasswordHash(stored))
        return typed == stored;
    initSodium();
    const QByteArray hash = stored.toLatin1();
    const QByteArray bytes = typed.toUtf8();
    return crypto_pwhash_str_verify(hash.constData(), bytes.constData(), static_cast<unsigned long long>(bytes.size()))
           == 0;
}

} // namespace jjgz
