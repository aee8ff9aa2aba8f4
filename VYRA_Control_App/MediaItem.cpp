#include "MediaItem.h"

namespace Ulmar {

MediaItem::~MediaItem() = default;

QVariantMap MediaItem::toVariantMap() const
{
    QVariantMap map;
    map.insert(QStringLiteral("title"), QString::fromStdString(m_title));
    map.insert(QStringLiteral("duration"), QString::fromStdString(m_duration));
    map.insert(QStringLiteral("releaseDate"), QString::fromStdString(m_releaseDate));
    map.insert(QStringLiteral("cut"), QString::fromStdString(m_cut));
    map.insert(QStringLiteral("language"), QString::fromStdString(m_language));
    return map;
}

} // namespace Ulmar
