#include "StringUtils.h"

#include <algorithm>
#include <climits>
#include <limits>

#include <QByteArray>
#include <QString>

namespace Ulmar {

namespace {

// Valid UTF-8 survives a decode/encode round trip unchanged; anything the decoder had to replace does not.
bool decodeUtf8(const std::string& utf8, QString& text)
{
    const QByteArray bytes = QByteArray::fromRawData(utf8.data(), static_cast<int>(utf8.size()));
    // With an explicit size: the QByteArray overload stops at the first NUL.
    text = QString::fromUtf8(bytes.constData(), bytes.size());
    return text.toUtf8() == bytes;
}

} // namespace

std::string ToLowercase(const std::string& utf8)
{
    // Callers search the result byte-wise; an invalid text is left alone rather than "repaired".
    if (utf8.size() > static_cast<std::size_t>(std::numeric_limits<int>::max() / 4))
        return utf8;
    QString text;
    if (!decodeUtf8(utf8, text))
        return utf8;
    const QByteArray folded = text.toCaseFolded().toUtf8();
    return std::string(folded.constData(), static_cast<std::size_t>(folded.size()));
}

int StringCaseCompare(const std::string& a, const std::string& b)
{
    // Undecodable bytes become U+FFFD on both sides, so the order stays consistent for sorting.
    const QString left =
        QString::fromUtf8(a.data(), static_cast<int>(std::min<std::size_t>(a.size(), INT_MAX)));
    const QString right =
        QString::fromUtf8(b.data(), static_cast<int>(std::min<std::size_t>(b.size(), INT_MAX)));
    const int result = QString::compare(left, right, Qt::CaseInsensitive);
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

} // namespace Ulmar
