#include "InputLimits.h"

#include <algorithm>

#include <QDebug>

#include "LogCategories.h"

namespace Ulmar {
namespace Messaging {

namespace {

// A UTF-16 code unit never needs more than three UTF-8 bytes (a surrogate pair, two units, takes four).
constexpr std::size_t MaxUtf8BytesPerUnit = 3;

// Drops a trailing high surrogate left alone by a cut, so that no half character is shown.
void chopHalfCharacter(QString& text)
{
    if (!text.isEmpty() && text.at(text.size() - 1).isHighSurrogate())
        text.chop(1);
}

} // namespace

InputLimits::InputLimits(std::string messageType) : m_messageType(std::move(messageType)) {}

InputLimits::~InputLimits()
{
    if (cut())
        qCWarning(lcInput).noquote() << summary();
}

QString InputLimits::text(const char* utf8, std::size_t size, int maxLength, const char* what)
{
    const std::size_t window =
        static_cast<std::size_t>(maxLength) * MaxUtf8BytesPerUnit + MaxUtf8BytesPerUnit;
    if (size <= static_cast<std::size_t>(maxLength))
        return QString::fromUtf8(utf8, static_cast<int>(size));
    QString decoded = QString::fromUtf8(utf8, static_cast<int>(std::min(size, window)));
    if (decoded.size() <= maxLength && size <= window)
        return decoded;
    // The window may end inside a character; whatever it decoded beyond maxLength is dropped anyway.
    decoded.truncate(maxLength);
    chopHalfCharacter(decoded);
    noteCut(what, maxLength);
    return decoded;
}

QString InputLimits::text(QString text, int maxLength, const char* what)
{
    if (text.size() <= maxLength)
        return text;
    text.truncate(maxLength);
    chopHalfCharacter(text);
    noteCut(what, maxLength);
    return text;
}

std::string InputLimits::utf8(const char* utf8, std::size_t size, int maxLength, const char* what)
{
    if (size <= static_cast<std::size_t>(maxLength))
        return std::string(utf8, size);
    const QString bounded = text(utf8, size, maxLength, what);
    const QByteArray bytes = bounded.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

bool InputLimits::admit(int held, int max, const char* what)
{
    if (held < max)
        return true;
    noteCut(what, max);
    return false;
}

bool InputLimits::fits(std::size_t size, int max, const char* what)
{
    if (size <= static_cast<std::size_t>(max))
        return true;
    noteCut(what, max);
    return false;
}

QString InputLimits::summary() const
{
    if (!cut())
        return QString();
    return QStringLiteral("Message \"%1\" from the unit cut to the application's limits: %2")
        .arg(QString::fromStdString(m_messageType), m_notes.join(QStringLiteral(", ")));
}

void InputLimits::noteCut(const char* what, int limit)
{
    // Each kind once: a body with a million long names still gives a short line.
    const QString item = QStringLiteral("%1 over %2").arg(QString::fromLatin1(what)).arg(limit);
    if (!m_notes.contains(item))
        m_notes.append(item);
}

} // namespace Messaging
} // namespace Ulmar
