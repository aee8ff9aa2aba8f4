#include "PosterImageProvider.h"

#include <QBuffer>
#include <QDebug>
#include <QImageReader>
#include <QThreadPool>

#include <functional>

#include "GuiThreadRelay.h"
#include "LogCategories.h"

namespace Ulmar {

namespace {
// One counter for the whole program: every change of image gets a new value, so the page reloads it.
qint32 s_changeCounter = 0;

// Work for a pool thread. It travels through this queue under our own mutex and the pool task itself carries
// nothing: the thread sanitizer cannot see the locks inside an uninstrumented QThreadPool, so data captured
// by the task would look unsynchronised.
std::mutex s_asideMutex;
std::deque<std::function<void()>> s_asideWork;

void runAside(std::function<void()> work)
{
    {
        std::lock_guard<std::mutex> lock(s_asideMutex);
        s_asideWork.push_back(std::move(work));
    }
    QThreadPool::globalInstance()->start([] {
        std::function<void()> next;
        {
            std::lock_guard<std::mutex> lock(s_asideMutex);
            if (s_asideWork.empty())
                return;
            next = std::move(s_asideWork.front());
            s_asideWork.pop_front();
        }
        next();
    });
}
} // namespace

PosterImageProvider::PosterImageProvider()
    : QObject(nullptr), QQuickImageProvider(QQuickImageProvider::Image),
      m_image(QString(PlaceholderResource)), m_relay(GuiThreadRelay::create(this))
{}

PosterImageProvider::~PosterImageProvider()
{
    m_relay->detach();
}

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
    auto change = std::make_shared<Change>();
    change->image = QImage(QString::fromLatin1(PlaceholderResource));
    change->placeholder = true;
    change->ready = true;
    m_changes.push_back(change);
    applyReadyChanges();
}

void PosterImageProvider::setJpgPoster(const QByteArray& bytes)
{
    auto change = std::make_shared<Change>();
    m_changes.push_back(change);
    if (bytes.size() < kDecodeAsideBytes) {
        posterOrPlaceholder(bytes, *change);
        change->ready = true;
        applyReadyChanges();
        return;
    }
    std::shared_ptr<GuiThreadRelay> relay = m_relay;
    runAside([this, relay, change, bytes] {
        auto decoded = std::make_shared<Change>();
        posterOrPlaceholder(bytes, *decoded);
        relay->post([this, change, decoded] {
            change->image = decoded->image;
            change->placeholder = decoded->placeholder;
            change->ready = true;
            applyReadyChanges();
        });
    });
}

void PosterImageProvider::posterOrPlaceholder(const QByteArray& bytes, Change& change)
{
    change.image = decodePoster(bytes);
    change.placeholder = change.image.isNull();
    if (change.placeholder)
        change.image = QImage(QString::fromLatin1(PlaceholderResource));
}

void PosterImageProvider::applyReadyChanges()
{
    while (!m_changes.empty() && m_changes.front()->ready) {
        const QImage image = m_changes.front()->image;
        const bool placeholder = m_changes.front()->placeholder;
        m_changes.pop_front();
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_image = image;
        }
        // Before the image is announced: the page swaps the drawn placeholder and the poster together.
        if (placeholder != m_placeholder) {
            m_placeholder = placeholder;
            emit placeholderChanged(m_placeholder);
        }
        announceChange();
    }
}

QImage PosterImageProvider::decodePoster(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "JPG");
    // Only JPEG: without this the reader falls back to guessing the format, and a few bytes of GIF or
    // similar can announce a canvas that takes gigabytes before a single pixel is read.
    reader.setAutoDetectImageFormat(false);
    const auto undecodable = [&bytes] {
        qCWarning(lcMedia) << "Poster image could not be decoded as JPEG, shown as not available:"
                           << bytes.size() << "bytes";
        return QImage();
    };
    // The header gives the size before anything is decoded: a huge picture would hold the window up.
    const QSize size = reader.size();
    if (!size.isValid())
        return undecodable();
    if (size.width() > MaxPosterSide || size.height() > MaxPosterSide) {
        qCWarning(lcMedia) << "Poster image too large, shown as not available:" << size.width() << "x"
                           << size.height();
        return QImage();
    }
    QImage poster;
    if (!reader.read(&poster))
        return undecodable();
    return poster;
}

void PosterImageProvider::announceChange()
{
    emit updateMovieInfoImageBoxSignal(QVariant(QString::number(s_changeCounter)));
    ++s_changeCounter;
}

} // namespace Ulmar
