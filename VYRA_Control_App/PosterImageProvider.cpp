#include "PosterImageProvider.h"

#include <QBuffer>
#include <QDebug>
#include <QImageReader>

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
    QImage poster = decodePoster(bytes);
    if (poster.isNull())
        poster = QImage(QString::fromLatin1(PlaceholderResource));
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_image = poster;
    }
    announceChange();
}

QImage PosterImageProvider::decodePoster(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "JPG");
    // The header gives the size before anything is decoded: a huge picture would hold the window up.
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > MaxPosterSide || size.height() > MaxPosterSide)) {
        qWarning() << "Poster image too large, shown as not available:" << size.width() << "x"
                   << size.height();
        return QImage();
    }
    QImage poster;
    if (!reader.read(&poster)) {
        qWarning() << "Poster image could not be decoded as JPEG, shown as not available:" << bytes.size()
                   << "bytes";
        return QImage();
    }
    return poster;
}

void PosterImageProvider::announceChange()
{
    emit updateMovieInfoImageBoxSignal(QVariant(QString::number(s_changeCounter)));
    ++s_changeCounter;
}

} // namespace Ulmar
