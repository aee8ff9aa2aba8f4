#pragma once

#include <QByteArray>
#include <QCache>
#include <QImage>
#include <QString>

#include "MediaLibrary.h"

namespace Ulmar {
namespace Simulator {

// Draws a poster for a title and encodes it as JPEG. Keeps recent posters, since the application asks for
// the same one after every reconnection. Needs a QGuiApplication (fonts); use on one thread only.
class PosterRenderer
{
public:
    static constexpr int Width = 365;
    static constexpr int Height = 475;

    explicit PosterRenderer(int cacheBytes = 8 * 1024 * 1024);

    QByteArray jpeg(const MediaEntry& entry);
    static QImage render(const MediaEntry& entry);
    // The background hue, stable for a title.
    static int hueFor(const QString& title);

private:
    QCache<QString, QByteArray> m_cache;
};

} // namespace Simulator
} // namespace Ulmar
