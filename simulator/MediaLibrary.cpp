#include "MediaLibrary.h"

#include <QCryptographicHash>
#include <QFile>
#include <QStringList>

#include <rapidjson/document.h>

static void initSimulatorResources()
{
    Q_INIT_RESOURCE(simulator_data);
}

namespace Ulmar {
namespace Simulator {

namespace {

QString stringMember(const rapidjson::Value& object, const char* key)
{
    const auto it = object.FindMember(key);
    if (it == object.MemberEnd() || !it->value.IsString())
        return {};
    return QString::fromUtf8(it->value.GetString(), int(it->value.GetStringLength()));
}

int intMember(const rapidjson::Value& object, const char* key, int fallback)
{
    const auto it = object.FindMember(key);
    if (it == object.MemberEnd() || !it->value.IsInt())
        return fallback;
    return it->value.GetInt();
}

} // namespace

MediaLibrary MediaLibrary::builtIn()
{
    initSimulatorResources();
    MediaLibrary library;
    QString error;
    if (!fromFile(QStringLiteral(":/simulator/films.json"), &library, &error))
        qCritical("Built-in film list unreadable: %s", qPrintable(error));
    return library;
}

bool MediaLibrary::fromFile(const QString& path, MediaLibrary* out, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot open %1: %2").arg(path, file.errorString());
        return false;
    }
    // A film list is small; refuse anything that is clearly not one rather than reading it whole.
    constexpr qint64 maxBytes = 64 * 1024 * 1024;
    if (file.size() > maxBytes) {
        *error = QStringLiteral("%1 is larger than %2 bytes").arg(path).arg(maxBytes);
        return false;
    }
    return fromJson(file.readAll(), out, error);
}

bool MediaLibrary::fromJson(const QByteArray& json, MediaLibrary* out, QString* error)
{
    rapidjson::Document doc;
    doc.Parse<rapidjson::kParseIterativeFlag>(json.constData(), size_t(json.size()));
    if (doc.HasParseError()) {
        *error = QStringLiteral("not valid JSON (offset %1)").arg(doc.GetErrorOffset());
        return false;
    }
    const rapidjson::Value* films = nullptr;
    if (doc.IsArray()) {
        films = &doc;
    } else if (doc.IsObject()) {
        const auto it = doc.FindMember("films");
        if (it != doc.MemberEnd() && it->value.IsArray())
            films = &it->value;
    }
    if (!films) {
        *error = QStringLiteral("expected an array of films or an object with a \"films\" array");
        return false;
    }
    MediaLibrary library;
    int skipped = 0;
    for (const auto& film : films->GetArray()) {
        if (!film.IsObject()) {
            ++skipped;
            continue;
        }
        MediaEntry e;
        e.title = stringMember(film, "title");
        if (e.title.isEmpty()) {
            ++skipped;
            continue;
        }
        e.releaseDate = stringMember(film, "releaseDate");
        e.imdbRef = stringMember(film, "imdbRef");
        const int minutes = intMember(film, "minutes", 0);
        if (minutes <= 0 || minutes > 24 * 60) {
            ++skipped;
            continue;
        }
        e.durationSeconds = minutes * 60;
        e.duration = formatDuration(minutes);
        e.cut = stringMember(film, "cut");
        if (e.cut.isEmpty())
            e.cut = QStringLiteral("Theatrical");
        e.language = stringMember(film, "language");
        library.add(std::move(e));
    }
    if (skipped > 0)
        qWarning("Film list: %d entries without a title or a valid \"minutes\" were skipped", skipped);
    *out = std::move(library);
    return true;
}

MediaLibrary MediaLibrary::generated(int n)
{
    static const char* const cuts[] = {"Theatrical", "Director's Cut", "Extended", "Remastered"};
    static const char* const languages[] = {"English", "French", "Chinese", "German", "Spanish", "Japanese"};
    MediaLibrary library;
    for (int i = 0; i < n; ++i) {
        MediaEntry e;
        e.title = QStringLiteral("Generated Title %1").arg(i + 1, 5, 10, QLatin1Char('0'));
        e.releaseDate = QString::number(1950 + (i * 7) % 76);
        const int minutes = 80 + (i * 13) % 100;
        e.durationSeconds = minutes * 60;
        e.duration = formatDuration(minutes);
        e.cut = QString::fromLatin1(cuts[i % 4]);
        e.language = QString::fromLatin1(languages[(i / 4) % 6]);
        library.add(std::move(e));
    }
    return library;
}

const MediaEntry* MediaLibrary::byPosterFile(const QString& fileName) const
{
    const auto it = m_byPoster.constFind(fileName);
    return it == m_byPoster.constEnd() ? nullptr : &m_entries.at(*it);
}

QString MediaLibrary::formatDuration(int minutes)
{
    return QStringLiteral("%1h %2m").arg(minutes / 60).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString MediaLibrary::posterFileName(const MediaEntry& entry)
{
    const QString& title = entry.title;
    QString slug;
    bool dash = false;
    for (const QChar c : title.toLower()) {
        if (c.unicode() < 128 && c.isLetterOrNumber()) {
            slug.append(c);
            dash = false;
        } else if (!dash && !slug.isEmpty()) {
            slug.append(QLatin1Char('-'));
            dash = true;
        }
        if (slug.size() >= 40)
            break;
    }
    while (slug.endsWith(QLatin1Char('-')))
        slug.chop(1);
    // The hash keeps titles apart that share their ASCII letters (or have none, like Chinese titles).
    const QByteArray hash =
        QCryptographicHash::hash(
            QStringList{title, entry.releaseDate, entry.cut, entry.language}.join(QLatin1Char('|')).toUtf8(),
            QCryptographicHash::Sha1)
            .toHex()
            .left(8);
    return (slug.isEmpty() ? QStringLiteral("title") : slug) + QLatin1Char('-') + QString::fromLatin1(hash) +
           QStringLiteral(".jpg");
}

void MediaLibrary::add(MediaEntry entry)
{
    entry.posterFile = posterFileName(entry);
    if (m_byPoster.contains(entry.posterFile))
        return; // the same film twice
    m_byPoster.insert(entry.posterFile, m_entries.size());
    m_entries.push_back(std::move(entry));
}

} // namespace Simulator
} // namespace Ulmar
