#pragma once

// Helpers shared by the controller tests: responses built from real bodies, and signal argument access.

#include <memory>
#include <string>

#include <QSignalSpy>
#include <QStringList>
#include <QVariant>

#include "IResponse.h"
#include "ManagedBuffer.h"

namespace ControllerTest {

// A response as the messaging layer hands it over; an empty body means none.
inline std::shared_ptr<Ulmar::Messaging::IResponse> response(const std::string& type, const std::string& body)
{
    std::shared_ptr<Ulmar::Messaging::ManagedBuffer> buffer;
    if (!body.empty())
        buffer = Ulmar::Messaging::ManagedBuffer::FromBytes(body.data(), body.size());
    return std::make_shared<Ulmar::Messaging::IResponse>(type, 1, std::string(), buffer, 0);
}

// The arguments of one recorded emission, as strings.
inline QStringList args(const QList<QVariant>& emission)
{
    QStringList out;
    for (const auto& v : emission) {
        const QVariant inner = v.userType() == qMetaTypeId<QVariant>() ? v.value<QVariant>() : v;
        out << inner.toString();
    }
    return out;
}

inline QStringList args(const QSignalSpy& spy, int i)
{
    return args(spy.at(i));
}

inline QVariant arg(const QSignalSpy& spy, int i, int n)
{
    const QVariant v = spy.at(i).at(n);
    return v.userType() == qMetaTypeId<QVariant>() ? v.value<QVariant>() : v;
}

} // namespace ControllerTest
