#pragma once

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QQuickImageProvider>
#include <QVariant>

#include <mutex>

namespace Ulmar {

// Holds the current poster and serves it to QML ("image://posterimageprovider/..."); every id gives the same
// image. QML may call requestImage from its loader thread while the slots replace the image: the image is
// only touched under the lock, and the loader gets a deep copy that shares nothing with it.
class PosterImageProvider : public QObject, public QQuickImageProvider
{
    Q_OBJECT

public:
    static constexpr const char* PlaceholderResource = ":/Resources/img/_NotAvailable.jpg";
    // Posters are a few hundred pixels wide; anything beyond this on a side is refused unread.
    static constexpr int MaxPosterSide = 2048;

    PosterImageProvider();
    ~PosterImageProvider() override;

    QImage requestImage(const QString& id, QSize* size, const QSize& requestedSize) override;

    // The poster in `bytes`, or a null image when they are no JPEG or too large.
    static QImage decodePoster(const QByteArray& bytes);

signals:
    void updateMovieInfoImageBoxSignal(QVariant dummyId);

public slots:
    void setNotAvailable();
    void setJpgPoster(const QByteArray& bytes);

private:
    void announceChange();

    std::mutex m_mutex;
    QImage m_image;
};

} // namespace Ulmar
