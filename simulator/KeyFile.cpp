#include "KeyFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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
    }
    if (!isZ85Key(keys.publicKey) || !isZ85Key(keys.secretKey)) {
        *error = QStringLiteral("key file %1 does not hold a valid key pair; remove it to create a new one")
                     .arg(path);
        return false;
    }
    *out = keys;
    return true;
}

bool KeyFile::loadOrCreate(const QString& path, KeyFile* out, QString* error)
{
    if (QFileInfo::exists(path))
        return load(path, out, error);

    const auto pair = Messaging::UnitEndpoint::generateKeyPair();
    KeyFile keys;
    keys.publicKey = QString::fromStdString(pair.first);
    keys.secretKey = QString::fromStdString(pair.second);
    if (!isZ85Key(keys.publicKey) || !isZ85Key(keys.secretKey)) {
        *error = QStringLiteral("could not generate a CURVE key pair");
        return false;
    }
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
    file.write("public=" + keys.publicKey.toLatin1() + "\nsecret=" + keys.secretKey.toLatin1() + "\n");
    if (!file.commit()) {
        *error = QStringLiteral("cannot write key file %1: %2").arg(path, file.errorString());
        return false;
    }
    *out = keys;
    return true;
}

} // namespace Simulator
} // namespace Ulmar
