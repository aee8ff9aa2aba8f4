#pragma once

#include <string>

#include <QVariantMap>

namespace Ulmar {

// One title of the unit's media library; every field is UTF-8 text exactly as received.
class MediaItem
{
public:
    MediaItem() = default;
    virtual ~MediaItem();

    std::string title() const { return m_title; }
    void setTitle(const std::string& title) { m_title = title; }
    std::string duration() const { return m_duration; }
    void setDuration(const std::string& duration) { m_duration = duration; }
    std::string releaseDate() const { return m_releaseDate; }
    void setReleaseDate(const std::string& releaseDate) { m_releaseDate = releaseDate; }
    std::string cut() const { return m_cut; }
    void setCut(const std::string& cut) { m_cut = cut; }
    std::string language() const { return m_language; }
    void setLanguage(const std::string& language) { m_language = language; }

    // Keys "title", "duration", "releaseDate", "cut" and "language".
    QVariantMap toVariantMap() const;

    // Read-only access without a copy, for sorting and searching large libraries.
    const std::string& titleRef() const { return m_title; }
    const std::string& durationRef() const { return m_duration; }
    const std::string& releaseDateRef() const { return m_releaseDate; }
    const std::string& cutRef() const { return m_cut; }
    const std::string& languageRef() const { return m_language; }

private:
    std::string m_title;
    std::string m_duration;
    std::string m_releaseDate;
    std::string m_cut;
    std::string m_language;
};

} // namespace Ulmar
