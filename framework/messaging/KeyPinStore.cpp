#include "KeyPinStore.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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

// Whether a pin was made for the unit at the address `unit` is reached at: for an address the user named,
// whatever name the unit reported then or now.
bool atAddressOf(const UnitIdentity& pinned, const UnitIdentity& unit)
{
    if (unit.namedAddress)
        return pinned.address == unit.address && pinned.port == unit.port;
    return sameAddress(pinned, unit);
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
    if (m_path.empty())
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    // What a damaged file still held is written back at once: it is the only copy outside the one kept aside.
    if (read(m_pins) == ReadResult::Damaged && !m_pins.empty())
        write(m_pins);
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
    bool pinnedHere = false;
    for (const auto& pin : m_pins) {
        if (!atAddressOf(pin.unit, unit))
            continue;
        if (pin.key != key) {
            result.verdict = Verdict::Mismatch;
            result.pinnedKey = pin.key;
            return result;
        }
        pinnedHere = true;
    }
    if (pinnedHere) {
        result.verdict = Verdict::Match;
        return result;
    }
    if (unit.namedAddress)
        return result;
    // Nothing at this address: a listed unit that takes the name of a remembered one must be that unit.
    for (const auto& pin : m_pins) {
        if (pin.unit.name != unit.name)
            continue;
        if (pin.key == key) {
            result.verdict = Verdict::Match;
            result.pinnedKey.clear();
            return result;
        }
        if (result.verdict != Verdict::Mismatch) {
            result.verdict = Verdict::Mismatch;
            result.pinnedKey = pin.key;
        }
    }
    return result;
}

bool KeyPinStore::pin(const UnitIdentity& unit, const std::string& key)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    // Start from the file: another instance of the application may have pinned units meanwhile.
    std::vector<Pin> pins;
    if (m_path.empty() || m_fileRefused) {
        pins = m_pins;
    } else {
        const ReadResult result = read(pins);
        if (result == ReadResult::Damaged || result == ReadResult::Refused)
            pins = m_pins; // what we trust now; the file went aside (or is not ours to write)
    }
    pins.erase(std::remove_if(pins.begin(), pins.end(),
                              [&unit](const Pin& p) {
                                  return (!unit.unitId.empty() && p.unit.unitId == unit.unitId) ||
                                         atAddressOf(p.unit, unit);
                              }),
               pins.end());
    if (pins.size() >= kMaxPins) {
        m_pins = std::move(pins);
        qCWarning(lcMessaging,
                  "Key pins: %zu unit keys are remembered already; the key of unit \"%s\" at %s:%u is not "
                  "remembered, and its link does not count as encrypted with a remembered key (remove units "
                  "no longer used from %s)",
                  m_pins.size(), unit.name.c_str(), unit.address.c_str(), unsigned(unit.port),
                  m_path.c_str());
        return false;
    }
    Pin added;
    added.unit = unit;
    added.key = key;
    added.pinnedAt = QDateTime::currentMSecsSinceEpoch();
    pins.push_back(std::move(added));
    m_pins = pins;
    return m_path.empty() || write(pins);
}

std::size_t KeyPinStore::size() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pins.size();
}

KeyPinStore::Notice KeyPinStore::notice() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_notice;
}

void KeyPinStore::refuseLink(const std::string& what)
{
    if (!m_fileRefused)
        qCWarning(lcMessaging,
                  "Key pins: %s is a symbolic link; unit keys are neither read nor written through it, and "
                  "are remembered until the application ends",
                  what.c_str());
    m_fileRefused = true;
    m_notice = Notice{Notice::SymbolicLink, what};
}

void KeyPinStore::setAside(const char* why)
{
    const QString path = QString::fromStdString(m_path);
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = path + QStringLiteral(".damaged-") + stamp;
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
        aside = path + QStringLiteral(".damaged-") + stamp + QLatin1Char('-') + QString::number(n);
    // A plain rename of the entry: nothing is copied, nothing is followed.
    if (std::rename(QFile::encodeName(path).constData(), QFile::encodeName(aside).constData()) != 0) {
        qCWarning(lcMessaging,
                  "Key pins: %s is damaged (%s) and cannot be moved aside; it is left as it is and unit keys "
                  "are remembered until the application ends",
                  m_path.c_str(), why);
        m_fileRefused = true;
        m_notice = Notice{Notice::Damaged, m_path};
        return;
    }
    qCWarning(lcMessaging, "Key pins: %s is damaged (%s); kept as %s, and no unit key it held is trusted",
              m_path.c_str(), why, qPrintable(aside));
    m_notice = Notice{Notice::Damaged, aside.toStdString()};
}

KeyPinStore::ReadResult KeyPinStore::read(std::vector<Pin>& pins)
{
    pins.clear();
    const QString path = QString::fromStdString(m_path);
    const QFileInfo folder(QFileInfo(path).absolutePath());
    if (folder.isSymLink()) {
        refuseLink(folder.filePath().toStdString());
        return ReadResult::Refused;
    }
    const QFileInfo info(path);
    if (info.isSymLink()) {
        refuseLink(m_path);
        return ReadResult::Refused;
    }
    if (!info.exists())
        return ReadResult::Missing;
    if (!info.isFile()) {
        qCWarning(lcMessaging,
                  "Key pins: %s is not a file; unit keys are remembered until the application ends",
                  m_path.c_str());
        m_fileRefused = true;
        return ReadResult::Refused;
    }
    QFile file(path);
    if (info.size() > kMaxFileSize) {
        setAside("too large");
        return ReadResult::Damaged;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcMessaging,
                  "Key pins: cannot read %s (%s); unit keys are remembered until the application ends",
                  m_path.c_str(), qPrintable(file.errorString()));
        m_fileRefused = true;
        return ReadResult::Refused;
    }
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(file.read(kMaxFileSize), &error);
    file.close();
    if (error.error != QJsonParseError::NoError || !doc.isObject()) {
        setAside("not JSON");
        return ReadResult::Damaged;
    }
    if (doc.object().value(QStringLiteral("v")).toInt() != kFileVersion) {
        setAside("unknown version");
        return ReadResult::Damaged;
    }
    bool malformed = !doc.object().value(QStringLiteral("units")).isArray();
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
            malformed = true;
            continue;
        }
        pin.unit.port = static_cast<std::uint16_t>(port);
        pin.unit.namedAddress = o.value(QStringLiteral("namedAddress")).toBool(false);
        pin.pinnedAt = static_cast<std::int64_t>(o.value(QStringLiteral("pinnedAt")).toDouble());
        pins.push_back(std::move(pin));
    }
    if (malformed) {
        // The good entries stay trusted; the file as it was is kept for a look.
        setAside("malformed entries");
        return ReadResult::Damaged;
    }
    return ReadResult::Ok;
}

bool KeyPinStore::write(const std::vector<Pin>& pins)
{
    if (m_fileRefused)
        return false;
    const QString path = QString::fromStdString(m_path);
    const QString folder = QFileInfo(path).absolutePath();
    const QFileInfo folderInfo(folder);
    if (folderInfo.isSymLink()) {
        refuseLink(folder.toStdString());
        return false;
    }
    bool folderReady = folderInfo.isDir();
    if (!folderReady && !folderInfo.exists() && QDir().mkpath(QFileInfo(folder).absolutePath())) {
#ifdef Q_OS_WIN
        // The user's profile folder is private by its access list.
        folderReady = QDir().mkdir(folder);
#else
        // Owner-only from the start; a folder that was there already keeps the mode its owner gave it.
        folderReady = ::mkdir(QFile::encodeName(folder).constData(), 0700) == 0 || QFileInfo(folder).isDir();
#endif
    }
    if (!folderReady) {
        qCWarning(lcMessaging,
                  "Key pins: cannot create the folder of %s; the unit key is remembered until "
                  "the application ends",
                  m_path.c_str());
        return false;
    }
    if (QFileInfo(path).isSymLink()) {
        refuseLink(m_path);
        return false;
    }
    QJsonArray units;
    for (const auto& pin : pins) {
        QJsonObject o;
        o.insert(QStringLiteral("unitId"), QString::fromStdString(pin.unit.unitId));
        o.insert(QStringLiteral("name"), QString::fromStdString(pin.unit.name));
        o.insert(QStringLiteral("address"), QString::fromStdString(pin.unit.address));
        o.insert(QStringLiteral("port"), int(pin.unit.port));
        if (pin.unit.namedAddress)
            o.insert(QStringLiteral("namedAddress"), true);
        o.insert(QStringLiteral("key"), QString::fromStdString(pin.key));
        o.insert(QStringLiteral("pinnedAt"), double(pin.pinnedAt));
        units.append(o);
    }
    QJsonObject root;
    root.insert(QStringLiteral("v"), kFileVersion);
    root.insert(QStringLiteral("units"), units);
    const QByteArray content = QJsonDocument(root).toJson(QJsonDocument::Indented);

#ifdef Q_OS_WIN
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) < 0 || !file.commit()) {
        qCWarning(lcMessaging,
                  "Key pins: cannot write %s (%s); the unit key is remembered until the application ends",
                  m_path.c_str(), qPrintable(file.errorString()));
        return false;
    }
    return true;
#else
    // A new file of our own (0600, created exclusively, never through a link), renamed over the old entry:
    // the rename replaces the entry itself, so nothing outside the folder is ever written or changed.
    QByteArray temp = QFile::encodeName(folder) + "/.unit-keys.json.XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    bool ok = fd >= 0;
    const char* failed = "create";
    for (qint64 done = 0; ok && done < content.size();) {
        const ssize_t n = ::write(fd, content.constData() + done, std::size_t(content.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        done += n;
        failed = "write";
    }
    if (ok && ::fsync(fd) != 0) {
        ok = false;
        failed = "write";
    }
    if (fd >= 0 && ::close(fd) != 0 && ok) {
        ok = false;
        failed = "write";
    }
    if (ok && ::rename(temp.constData(), QFile::encodeName(path).constData()) != 0) {
        ok = false;
        failed = "replace";
    }
    if (!ok) {
        const int saved = errno;
        if (fd >= 0)
            ::unlink(temp.constData());
        qCWarning(lcMessaging,
                  "Key pins: cannot %s %s (%s); the unit key is remembered until the application ends",
                  failed, m_path.c_str(), std::strerror(saved));
    }
    return ok;
#endif
}

} // namespace Messaging
} // namespace Ulmar
