#include "GetMediaStatusNotificationHandler.h"

#include <cstdint>
#include <utility>

#include <QCoreApplication>

#include "ImageDataRequestSender.h"
#include "InputLimits.h"
#include "MessageBody.h"
#include "MessageNames.h"

namespace Ulmar {
namespace Messaging {

namespace {

const char* const VyraOnline =
    QT_TRANSLATE_NOOP("Ulmar::Messaging::GetMediaStatusNotificationHandler", "VYRA Online");
const char* const VyraInitializing =
    QT_TRANSLATE_NOOP("Ulmar::Messaging::GetMediaStatusNotificationHandler", "VYRA Initializing");
const char* const VyraShuttingDown =
    QT_TRANSLATE_NOOP("Ulmar::Messaging::GetMediaStatusNotificationHandler", "VYRA Shutting Down");
const char* const VyraOffline =
    QT_TRANSLATE_NOOP("Ulmar::Messaging::GetMediaStatusNotificationHandler", "VYRA Offline");
const char* const VyraUnavailable =
    QT_TRANSLATE_NOOP("Ulmar::Messaging::GetMediaStatusNotificationHandler", "VYRA Unavailable");
const char* const ConfiguringAudioCapture =
    QT_TRANSLATE_NOOP("Ulmar::Messaging::GetMediaStatusNotificationHandler", "Configuring Audio Capture");
const char* const AudioCaptureConfigured =
    QT_TRANSLATE_NOOP("Ulmar::Messaging::GetMediaStatusNotificationHandler", "Audio Capture Configured");
const char* const StartingAudioCapture =
    QT_TRANSLATE_NOOP("Ulmar::Messaging::GetMediaStatusNotificationHandler", "Starting Audio Capture");
const char* const AudioCaptureStarted =
    QT_TRANSLATE_NOOP("Ulmar::Messaging::GetMediaStatusNotificationHandler", "Audio Capture Started");
const char* const StoppingAudioCapture =
    QT_TRANSLATE_NOOP("Ulmar::Messaging::GetMediaStatusNotificationHandler", "Stopping Audio Capture");
const char* const CapturingAudio =
    QT_TRANSLATE_NOOP("Ulmar::Messaging::GetMediaStatusNotificationHandler", "Capturing Audio");
const char* const SilenceDetected =
    QT_TRANSLATE_NOOP("Ulmar::Messaging::GetMediaStatusNotificationHandler", "Silence Detected");
const char* const IdentificationFailed =
    QT_TRANSLATE_NOOP("Ulmar::Messaging::GetMediaStatusNotificationHandler", "Content Identification Failed");
const char* const AudioSourceDetected =
    QT_TRANSLATE_NOOP("Ulmar::Messaging::GetMediaStatusNotificationHandler", "Audio Source Detected");
const char* const AudioCaptureStopped =
    QT_TRANSLATE_NOOP("Ulmar::Messaging::GetMediaStatusNotificationHandler", "Audio Capture Stopped");
const char* const AudioCaptureError =
    QT_TRANSLATE_NOOP("Ulmar::Messaging::GetMediaStatusNotificationHandler", "Audio Capture Error");
const char* const NoAudioSource =
    QT_TRANSLATE_NOOP("Ulmar::Messaging::GetMediaStatusNotificationHandler", "No Audio Source");
const char* const NoMotionCodeFound =
    QT_TRANSLATE_NOOP("Ulmar::Messaging::GetMediaStatusNotificationHandler", "No Motion Code Found");
const char* const MotionCodeFound =
    QT_TRANSLATE_NOOP("Ulmar::Messaging::GetMediaStatusNotificationHandler", "Motion Code Found");
const char* const LookingForMotionCode =
    QT_TRANSLATE_NOOP("Ulmar::Messaging::GetMediaStatusNotificationHandler", "Looking for Motion Code");
const char* const MotionCodeAvailable =
    QT_TRANSLATE_NOOP("Ulmar::Messaging::GetMediaStatusNotificationHandler", "Motion Code Available");
const char* const MotionCodeNotAvailable =
    QT_TRANSLATE_NOOP("Ulmar::Messaging::GetMediaStatusNotificationHandler", "Motion Code not Available");

const QString Green = QStringLiteral("greenStatus");
const QString Yellow = QStringLiteral("yellowStatus");
const QString Red = QStringLiteral("redStatus");
const QString Blank = QStringLiteral("blankStatus");
const std::string NotAvailableImage = "_NotAvailable.jpg";

using State = GetMediaStatusNotificationHandler::MediaIdState;

struct Scan
{
    State mediaState = State::unknown;
    GetMediaStatusNotificationHandler::MotionCodeState motionCodeState =
        GetMediaStatusNotificationHandler::MotionCodeState::unknown;
    std::int32_t offset = 0;
    std::int32_t duration = 0;
    std::string title;
    std::string imageFilename;
    std::string cutVersion;
    std::string language;
    std::string message;
};

Scan scanDocument(const rapidjson::Document& document)
{
    Scan scan;
    InputLimits limits(MessageType::GetMediaStatusNotification);
    for (auto outer = document.MemberBegin(); outer != document.MemberEnd(); ++outer) {
        if (!outer->value.IsObject())
            continue;
        for (auto m = outer->value.MemberBegin(); m != outer->value.MemberEnd(); ++m) {
            const std::string key = toStdString(m->name);
            const auto& value = m->value;
            if (value.IsString()) {
                // Bounded before anything copies it: laying out a huge title would stall the window.
                auto text = [&] {
                    return limits.utf8(value.GetString(), value.GetStringLength(), InputLimits::MaxTextLength,
                                       "media status text");
                };
                if (key == JsonKey::MediaIdState)
                    scan.mediaState = GetMediaStatusNotificationHandler::mediaIdStateFromString(text());
                else if (key == JsonKey::MotionCodeState)
                    scan.motionCodeState =
                        GetMediaStatusNotificationHandler::motionCodeStateFromString(text());
                else if (key == JsonKey::MediaTitle)
                    scan.title = text();
                else if (key == JsonKey::ImageFilename)
                    scan.imageFilename = text();
                else if (key == JsonKey::MediaCutVersion)
                    scan.cutVersion = text();
                else if (key == JsonKey::MediaLanguage)
                    scan.language = text();
                else if (key == JsonKey::Message)
                    scan.message = text();
            } else if (isInt32(value)) {
                if (key == JsonKey::MediaOffset)
                    scan.offset = value.GetInt();
                else if (key == JsonKey::MediaDuration)
                    scan.duration = value.GetInt();
            }
        }
    }
    return scan;
}

} // namespace

GetMediaStatusNotificationHandler::MediaIdState
GetMediaStatusNotificationHandler::mediaIdStateFromString(const std::string& text)
{
    static const std::pair<const char*, MediaIdState> table[] = {
        {"initializing", MediaIdState::initializing},
        {"configuring", MediaIdState::configuring},
        {"configured", MediaIdState::configured},
        {"starting", MediaIdState::starting},
        {"started", MediaIdState::started},
        {"stopping", MediaIdState::stopping},
        {"stopped", MediaIdState::stopped},
        {"listening", MediaIdState::listening},
        {"silence_detected", MediaIdState::silence_detected},
        {"ident_success", MediaIdState::ident_success},
        {"ident_failure", MediaIdState::ident_failure},
        {"lost_audio", MediaIdState::lost_audio},
        {"program_error", MediaIdState::program_error},
        {"shutting_down", MediaIdState::shutting_down},
        {"shutdown", MediaIdState::shutdown},
    };
    for (const auto& entry : table)
        if (text == entry.first)
            return entry.second;
    return MediaIdState::unknown;
}

GetMediaStatusNotificationHandler::MotionCodeState
GetMediaStatusNotificationHandler::motionCodeStateFromString(const std::string& text)
{
    if (text == "listening")
        return MotionCodeState::listening;
    if (text == "searching")
        return MotionCodeState::searching;
    if (text == "available")
        return MotionCodeState::available;
    if (text == "not_available")
        return MotionCodeState::not_available;
    return MotionCodeState::unknown;
}

GetMediaStatusNotificationHandler::GetMediaStatusNotificationHandler(
    std::shared_ptr<ImageDataRequestSender> imageRequestSender)
    : m_imageRequestSender(std::move(imageRequestSender))
{}

GetMediaStatusNotificationHandler::~GetMediaStatusNotificationHandler() = default;

void GetMediaStatusNotificationHandler::emitControllerStatus(const QString& statusColor, const QString& text)
{
    emit updateVyraOnlineStatusLabelSignal(QVariant(statusColor), QVariant(text));
    emit updateVyraConnnectionStatusSignal(QVariant(text));
}

void GetMediaStatusNotificationHandler::emitAudioSource(const QString& statusColor, const QString& text)
{
    emit updateSourceDetectedStatusLabelSignal(QVariant(statusColor), QVariant(text));
}

void GetMediaStatusNotificationHandler::emitMotionCode(const QString& statusColor, const QString& text)
{
    emit updateMotionCodeStatusLabelSignal(QVariant(statusColor), QVariant(text));
}

void GetMediaStatusNotificationHandler::resetMediaInfo()
{
    emit mediaUnknownSignal();
    emit updateMediaInfoTitleLabelSignal(QVariant(QString::fromStdString(JsonKey::MediaTitle)),
                                         QVariant(QString()));
    emit updateMediaImageSignal(QVariant(QString::fromStdString(NotAvailableImage)));
    emit updateMediaInfoProgressBarSignal(QVariant(QStringLiteral("-1")), QVariant(QStringLiteral("-1")));
}

void GetMediaStatusNotificationHandler::handleResponse(std::shared_ptr<IResponse> response)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_online)
        return;
    const auto document = parseBody(response);
    if (!document || !document->IsObject() || document->MemberCount() == 0)
        return;

    Scan scan = scanDocument(*document);
    const State state = scan.mediaState;

    if (state == State::ident_failure || (state == State::ident_success && scan.imageFilename.empty()))
        scan.imageFilename = NotAvailableImage;
    if (!scan.imageFilename.empty() && scan.imageFilename != m_lastRequestedImageFilename) {
        if (m_imageRequestSender)
            m_imageRequestSender->requestImageData(scan.imageFilename);
        m_lastRequestedImageFilename = scan.imageFilename;
    }

    if (m_lastMediaIdState == State::ident_success &&
        (state == State::initializing || state == State::configuring || state == State::configured ||
         state == State::starting || state == State::started))
        return;

    // A unit that reports its audio or identification is past initializing; no notification of its own says
    // so.
    const bool controllerState = state == State::initializing || state == State::shutting_down ||
                                 state == State::shutdown || state == State::unknown;
    if (m_controllerInitializing && !controllerState) {
        m_controllerInitializing = false;
        emitControllerStatus(Green, tr(VyraOnline));
    }

    const QString noMotionCode = tr(NoMotionCodeFound);
    auto audioLine = [&](const QString& colour, const char* text) {
        emitAudioSource(colour, tr(text));
        emitMotionCode(Blank, noMotionCode);
        resetMediaInfo();
    };

    switch (state) {
    case State::configuring:
        audioLine(Yellow, ConfiguringAudioCapture);
        break;
    case State::configured:
        audioLine(Yellow, AudioCaptureConfigured);
        break;
    case State::starting:
        audioLine(Yellow, StartingAudioCapture);
        break;
    case State::started:
        audioLine(Yellow, AudioCaptureStarted);
        break;
    case State::stopping:
        audioLine(Yellow, StoppingAudioCapture);
        break;
    case State::listening:
        audioLine(Yellow, CapturingAudio);
        break;
    case State::silence_detected:
        audioLine(Yellow, SilenceDetected);
        break;
    case State::ident_failure:
        audioLine(Yellow, IdentificationFailed);
        break;
    case State::stopped:
        audioLine(Blank, AudioCaptureStopped);
        break;
    case State::lost_audio:
    case State::program_error:
        audioLine(Red, AudioCaptureError);
        break;
    case State::ident_success: {
        emit mediaIdentifiedSignal();
        emitAudioSource(Green, tr(AudioSourceDetected));
        switch (scan.motionCodeState) {
        case MotionCodeState::listening:
            emitMotionCode(Green, tr(MotionCodeFound));
            break;
        case MotionCodeState::searching:
            emitMotionCode(Yellow, tr(LookingForMotionCode));
            break;
        case MotionCodeState::available:
            emitMotionCode(Green, tr(MotionCodeAvailable));
            break;
        case MotionCodeState::not_available:
            emitMotionCode(Yellow, tr(MotionCodeNotAvailable));
            break;
        case MotionCodeState::unknown:
            emitMotionCode(QString(), QString());
            break;
        }
        emit updateMediaInfoTitleLabelSignal(QVariant(QString::fromStdString(JsonKey::MediaTitle)),
                                             QVariant(QString::fromStdString(scan.title)));
        emit updateMediaInfoProgressBarSignal(QVariant(QString::number(scan.offset)),
                                              QVariant(QString::number(scan.duration)));
        break;
    }
    case State::initializing:
        m_controllerInitializing = true;
        emitControllerStatus(Yellow, tr(VyraInitializing));
        resetMediaInfo();
        break;
    case State::shutting_down:
        m_controllerInitializing = false;
        emitControllerStatus(Yellow, tr(VyraShuttingDown));
        resetMediaInfo();
        break;
    case State::shutdown:
        m_controllerInitializing = false;
        emitControllerStatus(Blank, tr(VyraOffline));
        resetMediaInfo();
        break;
    case State::unknown:
        resetMediaInfo();
        break;
    }
    // Leaving the identified title without naming another picture: its poster goes too, and is asked for
    // again when the title comes back.
    if (state != State::ident_success && scan.imageFilename.empty() &&
        !m_lastRequestedImageFilename.empty()) {
        m_lastRequestedImageFilename.clear();
        emit posterClearedSignal();
    }
    m_lastMediaIdState = state;
}

void GetMediaStatusNotificationHandler::handleConnected()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_online)
        return;
    m_online = true;
    m_controllerInitializing = false;
    emitControllerStatus(Green, tr(VyraOnline));
}

void GetMediaStatusNotificationHandler::connectionGone(const char* controllerColor,
                                                       const char* controllerText)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_controllerInitializing = false;
    if (m_online) {
        m_online = false;
        m_lastRequestedImageFilename.clear();
        emitAudioSource(Blank, tr(NoAudioSource));
        emitMotionCode(Blank, tr(NoMotionCodeFound));
        resetMediaInfo();
    }
    emitControllerStatus(QString::fromLatin1(controllerColor), tr(controllerText));
}

void GetMediaStatusNotificationHandler::handleConnectionLost()
{
    connectionGone("redStatus", VyraUnavailable);
}

void GetMediaStatusNotificationHandler::handleDisconnected()
{
    connectionGone("blankStatus", VyraOffline);
}

} // namespace Messaging
} // namespace Ulmar
