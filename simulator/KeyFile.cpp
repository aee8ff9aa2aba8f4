#include "KeyFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUuid>

#include "UnitEndpoint.h"

namespace Ulmar {
namespace Simulator {

bool KeyFile::isZ85Key(const QString& key)
{
    static const QString alphabet = QStringLiteral(
        "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ.-:+=^!/*?&<>()[]{}@%$#");
    if (key.size() != 40)
        return false;
    for (const QChar c : key)
        if (!alphabet.contains(c))
            return false;
    return true;
}

bool KeyFile::load(const QString& path, KeyFile* out, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = QStringLiteral("cannot read key file %1: %2").arg(path, file.errorString());
        return false;
    }
    KeyFile keys;
    int lines = 0;
    while (!file.atEnd() && lines < 16) {
        const QString line = QString::fromLatin1(file.readLine(256)).trimmed();
        ++lines;
        if (line.startsWith(QLatin1String("public=")))
            keys.publicKey = line.mid(7);
        else if (line.startsWith(QLatin1String("secret=")))
            keys.secretKey = line.mid(7);
        else if (line.startsWith(QLatin1String("id=")))
            keys.unitId = line.mid(3);
    }
    const bool idOk = keys.unitId.isEmpty() || Messaging::UnitEndpoint::isUnitId(keys.unitId.toStdString());
    if (!isZ85Key(keys.publicKey) || !isZ85Key(keys.secretKey) || !idOk) {
        *error = QStringLiteral("key file %1 does not hold a valid key pair; remove it to create a new one")
                     .arg(path);
        return false;
    }
    *out = keys;
    return true;
}

bool KeyFile::generate(KeyFile* keys)
{
    const auto pair = Messaging::UnitEndpoint::generateKeyPair();
    keys->publicKey = QString::fromStdString(pair.first);
    keys->secretKey = QString::fromStdString(pair.second);
    if (keys->unitId.isEmpty())
        keys->unitId = QUuid::createUuid().toString(QUuid::WithoutBraces);
    return isZ85Key(keys->publicKey) && isZ85Key(keys->secretKey);
}

bool KeyFile::loadOrCreate(const QString& path, KeyFile* out, QString* error)
{
    KeyFile keys;
    if (QFileInfo::exists(path)) {
        if (!load(path, &keys, error))
            return false;
        if (keys.unitId.isEmpty()) {
            keys.unitId = QUuid::createUuid().toString(QUuid::WithoutBraces);
            if (!save(path, keys, error))
                return false;
        }
        *out = keys;
        return true;
    }
    if (!generate(&keys)) {
        *error = QStringLiteral("could not generate a CURVE key pair");
        return false;
    }
    if (!save(path, keys, error))
        return false;
    *out = keys;
    return true;
}

bool KeyFile::renew(const QString& path, KeyFile* out, QString* error)
{
    KeyFile keys;
    if (QFileInfo::exists(path) && !load(path, &keys, error))
        return false;
    if (!generate(&keys)) {
        *error = QStringLiteral("could not generate a CURVE key pair");
        return false;
    }
    if (!save(path, keys, error))
        return false;
    *out = keys;
    return true;
}

bool KeyFile::save(const QString& path, const KeyFile& keys, QString* error)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        *error = QStringLiteral("cannot create the folder of %1").arg(path);
        return false;
    }
    QSaveFile file(path);
    // Owner-only before any byte of the secret is written.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        *error = QStringLiteral("cannot write key file %1: %2").arg(path, file.errorString());
        return false;
    }
    file.write("public=" + keys.publicKey.toLatin1() + "\nsecret=" + keys.secretKey.toLatin1() +
               "\nid=" + keys.unitId.toLatin1() + "\n");
    if (!file.commit()) {
        *error = QStringLiteral("cannot write key file %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace Simulator
} // namespace Ulmar
