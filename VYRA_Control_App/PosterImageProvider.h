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

    PosterImageProvider();
    ~PosterImageProvider() override;

    QImage requestImage(const QString& id, QSize* size, const QSize& requestedSize) override;

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
