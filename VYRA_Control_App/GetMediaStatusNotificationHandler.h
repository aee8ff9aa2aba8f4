#pragma once

#include <memory>
#include <mutex>
#include <string>

#include <QObject>
#include <QVariant>

#include "IMessengerObserver.h"
#include "IResponseHandler.h"

namespace Ulmar {
namespace Messaging {

class ImageDataRequestSender;

// Turns "GetMediaStatusNotification" into the controller, audio source and motion code status lines, the
// media title and progress, and asks for the poster of identified media. Also follows the connection.
class GetMediaStatusNotificationHandler : public QObject, public IResponseHandler, public IMessengerObserver
{
    Q_OBJECT

public:
    enum class MediaIdState
    {
        initializing,
        configuring,
        configured,
        starting,
        started,
        stopping,
        stopped,
        listening,
        silence_detected,
        ident_success,
        ident_failure,
        lost_audio,
        program_error,
        shutting_down,
        shutdown,
        unknown
    };

    enum class MotionCodeState
    {
        listening,
        searching,
        available,
        not_available,
        unknown
    };

    explicit GetMediaStatusNotificationHandler(std::shared_ptr<ImageDataRequestSender> imageRequestSender);
    ~GetMediaStatusNotificationHandler() override;

    void handleResponse(std::shared_ptr<IResponse> response) override;

    void handleConnected() override;
    void handleConnectionLost() override;
    void handleDisconnected() override;

    // Exact, case-sensitive matching of the wire strings; anything else is unknown.
    static MediaIdState mediaIdStateFromString(const std::string& text);
    static MotionCodeState motionCodeStateFromString(const std::string& text);

signals:
    void updateVyraOnlineStatusLabelSignal(QVariant statusColor, QVariant text);
    void updateVyraConnnectionStatusSignal(QVariant text);
    void updateSourceDetectedStatusLabelSignal(QVariant statusColor, QVariant text);
    void updateMotionCodeStatusLabelSignal(QVariant statusColor, QVariant text);
    void updateMediaInfoTitleLabelSignal(QVariant key, QVariant title);
    void updateMediaImageSignal(QVariant imageFileName);
    void updateMediaInfoProgressBarSignal(QVariant offset, QVariant duration);
    void mediaIdentifiedSignal();
    void mediaUnknownSignal();
    // The poster on show belongs to media no longer reported: the page shows the placeholder instead.
    void posterClearedSignal();

private:
    void emitControllerStatus(const QString& statusColor, const QString& text);
    void emitAudioSource(const QString& statusColor, const QString& text);
    void emitMotionCode(const QString& statusColor, const QString& text);
    void resetMediaInfo();
    void connectionGone(const char* controllerColor, const char* controllerText);

    // Serialises notifications and connection events, which may come from different messaging threads.
    std::mutex m_mutex;
    bool m_online = false;
    MediaIdState m_lastMediaIdState = MediaIdState::unknown;
    // The controller line says "VYRA Initializing": a later state of the unit replaces it with "VYRA Online".
    bool m_controllerInitializing = false;
    std::string m_lastRequestedImageFilename;
    std::shared_ptr<ImageDataRequestSender> m_imageRequestSender;
};

} // namespace Messaging
} // namespace Ulmar
