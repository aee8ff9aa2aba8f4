#pragma once

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QQuickImageProvider>
#include <QVariant>

#include <deque>
#include <memory>
#include <mutex>

namespace Ulmar {

class GuiThreadRelay;

// Holds the current poster and serves it to QML ("image://posterimageprovider/..."); every id gives the same
// image. QML may call requestImage from its loader thread while the slots replace the image: the image is
// only touched under the lock, and the loader gets a deep copy that shares nothing with it. A large poster is
// decoded on a worker thread so that the window stays responsive; changes still take effect in call order.
// `placeholder` tells the page that the current image is the stand-in for a missing poster, which the page
// draws itself in the user's language (also published to QML, as "poster").
class PosterImageProvider : public QObject, public QQuickImageProvider
{
    Q_OBJECT
    Q_PROPERTY(bool placeholder READ placeholder NOTIFY placeholderChanged)

public:
    static constexpr const char* PlaceholderResource = ":/Resources/img/_NotAvailable.jpg";
    // Posters are a few hundred pixels wide; anything beyond this on a side is refused unread.
    static constexpr int MaxPosterSide = 2048;
    // Posters from this size on are decoded away from the GUI thread.
    static constexpr int kDecodeAsideBytes = 256 * 1024;

    PosterImageProvider();
    ~PosterImageProvider() override;

    QImage requestImage(const QString& id, QSize* size, const QSize& requestedSize) override;

    // GUI thread: whether the current image is the placeholder (no poster, or one that could not be shown).
    bool placeholder() const { return m_placeholder; }

    // The poster in `bytes`, or a null image when they are no JPEG or too large.
    static QImage decodePoster(const QByteArray& bytes);

signals:
    void updateMovieInfoImageBoxSignal(QVariant dummyId);
    void placeholderChanged(bool placeholder);

public slots:
    void setNotAvailable();
    void setJpgPoster(const QByteArray& bytes);

private:
    struct Change
    {
        QImage image;
        bool placeholder = false;
        bool ready = false;
    };
    // The poster, or the placeholder when the bytes are no JPEG or too large.
    static void posterOrPlaceholder(const QByteArray& bytes, Change& change);
    void applyReadyChanges();
    void announceChange();

    std::mutex m_mutex;
    QImage m_image;
    bool m_placeholder = true;                     // GUI thread
    std::deque<std::shared_ptr<Change>> m_changes; // GUI thread: changes not shown yet, in call order
    std::shared_ptr<GuiThreadRelay> m_relay;       // brings decoded posters back, dropped once we are gone
};

} // namespace Ulmar
