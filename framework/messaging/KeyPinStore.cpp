#include "KeyPinStore.h"

#include <algorithm>
#include <array>

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>
#include <zmq.h>

#include "MessagingLog.h"
#include "Wire.h"

namespace Ulmar {
namespace Messaging {

namespace {
// A pin file is a few hundred bytes per unit; anything far bigger is not ours.
constexpr qint64 kMaxFileSize = 1024 * 1024;
constexpr int kFileVersion = 1;
constexpr int kMaxTextSize = 256;

bool sameAddress(const UnitIdentity& a, const UnitIdentity& b)
{
    return a.name == b.name && a.address == b.address && a.port == b.port;
}

bool boundedText(const QJsonValue& value, std::string& out)
{
    if (!value.isString() || value.toString().size() > kMaxTextSize)
        return false;
    out = value.toString().toStdString();
    return true;
}
} // namespace

KeyPinStore::KeyPinStore(std::string path) : m_path(std::move(path))
{
    if (!m_path.empty())
        m_pins = read();
}

std::string KeyPinStore::defaultPath()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (folder.isEmpty())
        return std::string();
    return QDir(folder).filePath(QStringLiteral("trust/unit-keys.json")).toStdString();
}

std::string KeyPinStore::fingerprint(const std::string& z85Key)
{
    if (!Wire::isZ85Key(z85Key))
        return std::string();
    std::array<std::uint8_t, 32> raw{};
    if (zmq_z85_decode(raw.data(), z85Key.c_str()) == nullptr)
        return std::string();
    const QByteArray digest =
        QCryptographicHash::hash(QByteArray(reinterpret_cast<const char*>(raw.data()), int(raw.size())),
                                 QCryptographicHash::Sha256)
            .left(16)
            .toHex();
    std::string out;
    for (int i = 0; i < digest.size(); i += 4) {
        if (i > 0)
            out += ' ';
        out.append(digest.constData() + i, 4);
    }
    return out;
}

KeyPinStore::Check KeyPinStore::check(const UnitIdentity& unit, const std::string& key) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Check result;
    if (!unit.unitId.empty()) {
        for (const auto& pin : m_pins) {
            if (pin.unit.unitId == unit.unitId) {
                result.verdict = pin.key == key ? Verdict::Match : Verdict::Mismatch;
                if (result.verdict == Verdict::Mismatch)
                    result.pinnedKey = pin.key;
                return result;
            }
        }
    }
    for (const auto& pin : m_pins) {
        if (!sameAddress(pin.unit, unit))
            continue;
        if (pin.key != key) {
            result.verdict = Verdict::Mismatch;
            result.pinnedKey = pin.key;
            return result;
        }
        result.verdict = Verdict::Match;
    }
    return result;
}

bool KeyPinStore::pin(const UnitIdentity& unit, const std::string& key)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    // Start from the file: another instance of the application may have pinned units meanwhile.
    std::vector<Pin> pins = m_path.empty() ? m_pins : read();
    pins.erase(std::remove_if(pins.begin(), pins.end(),
                              [&unit](const Pin& p) {
                                  return (!unit.unitId.empty() && p.unit.unitId == unit.unitId) ||
                                         sameAddress(p.unit, unit);
                              }),
               pins.end());
    Pin added;
    added.unit = unit;
    added.key = key;
    added.pinnedAt = QDateTime::currentMSecsSinceEpoch();
    pins.push_back(std::move(added));
    while (pins.size() > kMaxPins)
        pins.erase(std::min_element(pins.begin(), pins.end(),
                                    [](const Pin& a, const Pin& b) { return a.pinnedAt < b.pinnedAt; }));
    m_pins = pins;
    return m_path.empty() || write(pins);
}

std::size_t KeyPinStore::size() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pins.size();
}

std::vector<KeyPinStore::Pin> KeyPinStore::read() const
{
    std::vector<Pin> pins;
    QFile file(QString::fromStdString(m_path));
    if (!file.exists())
        return pins;
    if (file.size() > kMaxFileSize || !file.open(QIODevice::ReadOnly)) {
        qCWarning(lcMessaging, "Key pins: cannot read %s; no unit key is remembered", m_path.c_str());
        return pins;
    }
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(file.read(kMaxFileSize), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject() ||
        doc.object().value(QStringLiteral("v")).toInt() != kFileVersion) {
        qCWarning(lcMessaging, "Key pins: %s is damaged; no unit key is remembered", m_path.c_str());
        return pins;
    }
    const QJsonArray units = doc.object().value(QStringLiteral("units")).toArray();
    for (const QJsonValue& value : units) {
        const QJsonObject o = value.toObject();
        Pin pin;
        const int port = o.value(QStringLiteral("port")).toInt(-1);
        if (!boundedText(o.value(QStringLiteral("unitId")), pin.unit.unitId) ||
            !boundedText(o.value(QStringLiteral("name")), pin.unit.name) ||
            !boundedText(o.value(QStringLiteral("address")), pin.unit.address) ||
            !boundedText(o.value(QStringLiteral("key")), pin.key) || !Wire::isZ85Key(pin.key) || port < 0 ||
            port > 65535) {
            qCWarning(lcMessaging, "Key pins: a malformed entry of %s is ignored", m_path.c_str());
            continue;
        }
        pin.unit.port = static_cast<std::uint16_t>(port);
        pin.pinnedAt = static_cast<std::int64_t>(o.value(QStringLiteral("pinnedAt")).toDouble());
        pins.push_back(std::move(pin));
        if (pins.size() >= kMaxPins)
            break;
    }
    return pins;
}

bool KeyPinStore::write(const std::vector<Pin>& pins) const
{
    const QString path = QString::fromStdString(m_path);
    const QString folder = QFileInfo(path).absolutePath();
    bool ownerOnly = QDir().mkpath(folder);
#ifndef Q_OS_WIN
    // On Windows the user's profile folder is private by its access list; Qt's permissions only map to the
    // read-only attribute there.
    ownerOnly = ownerOnly && QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                               QFileDevice::ExeOwner);
#endif
    if (!ownerOnly) {
        qCWarning(lcMessaging,
                  "Key pins: cannot create the folder of %s; the unit key is remembered until "
                  "the application ends",
                  m_path.c_str());
        return false;
    }
    QJsonArray units;
    for (const auto& pin : pins) {
        QJsonObject o;
        o.insert(QStringLiteral("unitId"), QString::fromStdString(pin.unit.unitId));
        o.insert(QStringLiteral("name"), QString::fromStdString(pin.unit.name));
        o.insert(QStringLiteral("address"), QString::fromStdString(pin.unit.address));
        o.insert(QStringLiteral("port"), int(pin.unit.port));
        o.insert(QStringLiteral("key"), QString::fromStdString(pin.key));
        o.insert(QStringLiteral("pinnedAt"), double(pin.pinnedAt));
        units.append(o);
    }
    QJsonObject root;
    root.insert(QStringLiteral("v"), kFileVersion);
    root.insert(QStringLiteral("units"), units);

    QSaveFile file(path);
    // Owner-only before the first byte is written (the folder is owner-only too).
    if (!file.open(QIODevice::WriteOnly) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        file.write(QJsonDocument(root).toJson(QJsonDocument::Indented)) < 0 || !file.commit()) {
        qCWarning(lcMessaging,
                  "Key pins: cannot write %s (%s); the unit key is remembered until the "
                  "application ends",
                  m_path.c_str(), qPrintable(file.errorString()));
        return false;
    }
    return true;
}

} // namespace Messaging
} // namespace Ulmar
