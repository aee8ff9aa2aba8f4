#include "PosterImageProvider.h"

#include <QDebug>

namespace Ulmar {

namespace {
// One counter for the whole program: every change of image gets a new value, so the page reloads it.
qint32 s_changeCounter = 0;
} // namespace

PosterImageProvider::PosterImageProvider()
    : QObject(nullptr), QQuickImageProvider(QQuickImageProvider::Image), m_image(QString(PlaceholderResource))
{}

PosterImageProvider::~PosterImageProvider() = default;

QImage PosterImageProvider::requestImage(const QString&, QSize* size, const QSize&)
{
    QImage copy;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        copy = m_image.copy();
    }
    if (size)
        *size = copy.size();
    return copy;
}

void PosterImageProvider::setNotAvailable()
{
    const QImage placeholder{QString::fromLatin1(PlaceholderResource)};
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_image = placeholder;
    }
    announceChange();
}

void PosterImageProvider::setJpgPoster(const QByteArray& bytes)
{
    QImage poster;
    if (!poster.loadFromData(bytes, "JPG"))
        qWarning() << "Poster image could not be decoded as JPEG:" << bytes.size() << "bytes";
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_image = poster;
    }
    announceChange();
}

void PosterImageProvider::announceChange()
{
    emit updateMovieInfoImageBoxSignal(QVariant(QString::number(s_changeCounter)));
    ++s_changeCounter;
}

} // namespace Ulmar
