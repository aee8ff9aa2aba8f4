#include "PosterRenderer.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>

namespace Ulmar {
namespace Simulator {

PosterRenderer::PosterRenderer(int cacheBytes)
{
    m_cache.setMaxCost(cacheBytes);
}

int PosterRenderer::hueFor(const QString& title)
{
    const QByteArray h = QCryptographicHash::hash(title.toUtf8(), QCryptographicHash::Md5);
    const unsigned v = (unsigned(quint8(h[0])) << 8) | quint8(h[1]);
    return int(v % 360);
}

QImage PosterRenderer::render(const MediaEntry& entry)
{
    QImage image(Width, Height, QImage::Format_RGB32);
    const int hue = hueFor(entry.title);
    QLinearGradient gradient(0, 0, 0, Height);
    gradient.setColorAt(0.0, QColor::fromHsv(hue, 170, 200));
    gradient.setColorAt(1.0, QColor::fromHsv(hue, 220, 50));

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.fillRect(image.rect(), gradient);

    // A frame and a band give the poster some structure without any artwork.
    p.setPen(QPen(QColor(255, 255, 255, 90), 3));
    p.drawRect(QRect(12, 12, Width - 24, Height - 24));
    p.fillRect(QRect(12, Height - 120, Width - 24, 108), QColor(0, 0, 0, 110));

    QFont titleFont(QStringLiteral("Noto Sans CJK SC"));
    titleFont.setPixelSize(entry.title.size() > 30 ? 28 : 36);
    titleFont.setBold(true);
    p.setFont(titleFont);
    p.setPen(Qt::white);
    p.drawText(QRect(30, 50, Width - 60, Height - 200),
               Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextWordWrap, entry.title);

    QFont small(QStringLiteral("Noto Sans CJK SC"));
    small.setPixelSize(22);
    p.setFont(small);
    p.drawText(QRect(20, Height - 112, Width - 40, 40), Qt::AlignCenter, entry.releaseDate);
    small.setPixelSize(16);
    p.setFont(small);
    p.setPen(QColor(255, 255, 255, 200));
    p.drawText(QRect(20, Height - 72, Width - 40, 40), Qt::AlignCenter,
               QStringList{entry.cut, entry.language, entry.duration}.join(QStringLiteral("  ·  ")));
    p.end();
    return image;
}

QByteArray PosterRenderer::jpeg(const MediaEntry& entry)
{
    if (const QByteArray* cached = m_cache.object(entry.posterFile))
        return *cached;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!render(entry).save(&buffer, "JPG", 85)) {
        qWarning("Poster for \"%s\" could not be encoded as JPEG", qPrintable(entry.title));
        return {};
    }
    buffer.close();
    m_cache.insert(entry.posterFile, new QByteArray(bytes), bytes.size());
    return bytes;
}

} // namespace Simulator
} // namespace Ulmar
