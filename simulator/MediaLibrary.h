#pragma once

#include <QHash>
#include <QString>
#include <QVector>

namespace Ulmar {
namespace Simulator {

struct MediaEntry
{
    QString title;
    QString releaseDate; // year, as text
    QString imdbRef;
    QString duration; // "2h 28m"
    int durationSeconds = 0;
    QString cut;
    QString language;
    QString posterFile; // the file name the unit reports and serves
};

// The titles the unit has motion code for: the shipped film list, a JSON file, or generated titles.
class MediaLibrary
{
public:
    // The list shipped with the simulator (built into the library's resources).
    static MediaLibrary builtIn();
    // A file in the shipped format (see README); false with a reason in *error when unreadable.
    static bool fromFile(const QString& path, MediaLibrary* out, QString* error);
    static bool fromJson(const QByteArray& json, MediaLibrary* out, QString* error);
    // n titles with generated names and values, for load tests.
    static MediaLibrary generated(int n);

    const QVector<MediaEntry>& entries() const { return m_entries; }
    int size() const { return m_entries.size(); }
    bool isEmpty() const { return m_entries.isEmpty(); }
    // The entry whose poster is that file name, or nullptr.
    const MediaEntry* byPosterFile(const QString& fileName) const;

    // "2h 28m" for 148 minutes; "0h 45m" for 45.
    static QString formatDuration(int minutes);
    // A file name for the entry's poster: stable, safe on any file system, and different for two cuts or
    // languages of the same title.
    static QString posterFileName(const MediaEntry& entry);

private:
    void add(MediaEntry entry);

    QVector<MediaEntry> m_entries;
    QHash<QString, int> m_byPoster;
};

} // namespace Simulator
} // namespace Ulmar
