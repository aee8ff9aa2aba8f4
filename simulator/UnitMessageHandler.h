#pragma once

#include <functional>
#include <string>

#include <QByteArray>
#include <QString>

#include "MediaLibrary.h"
#include "PosterRenderer.h"
#include "UnitState.h"

namespace Ulmar {
namespace Simulator {

// Handles a message an application sent: answers a request from the unit's state, or applies a command to
// the state and reports the result. Bad bodies are refused with a log line; every command, accepted or
// not, is followed by the state it concerns. Needs no network: what it says goes to `Replies`.
class UnitMessageHandler
{
public:
    struct Replies
    {
        // To the connection that asked (an empty peer: every connection).
        std::function<void(const std::string& peer, const std::string& type, const std::string& body)> answer;
        // To every connection.
        std::function<void(const std::string& type, const std::string& body)> notify;
        // The unit took another name (to be announced).
        std::function<void(const QString& name)> renamed;
    };

    // state and library are owned by the unit, which outlives this object.
    UnitMessageHandler(UnitState& state, const MediaLibrary& library, Replies replies);

    // False for a type the unit does not know (nothing is sent then).
    bool handle(const std::string& peer, const std::string& type, const QByteArray& body);
    // Notifies the whole state.
    void notifyAll();
    // Every Wi-Fi join is answered as if the key were wrong (the "refuse-wifi-key" fault).
    void setRefuseWifiKeys(bool refuse) { m_refuseWifiKeys = refuse; }

    // The credentials of the last "SetLibraryServiceCredentials" (kept in memory only).
    const QString& accessToken() const { return m_accessToken; }
    const QString& refreshToken() const { return m_refreshToken; }

private:
    void sendImage(const std::string& peer, const QByteArray& body);
    void answerLibrary(const std::string& peer);
    void setSeat(const QByteArray& body);
    void setName(const std::string& peer, const QByteArray& body);
    void setMotionDelay(const QByteArray& body);
    void setTolerance(const QByteArray& body);
    void setWifi(const std::string& peer, const QByteArray& body);
    void setCredentials(const QByteArray& body);

    UnitState& m_state;
    const MediaLibrary& m_library;
    const Replies m_replies;
    PosterRenderer m_posters;
    QString m_accessToken;
    QString m_refreshToken;
    bool m_refuseWifiKeys = false;
};

} // namespace Simulator
} // namespace Ulmar
