#include "Facade.h"

#include <iostream>

#include <QDebug>
#include <QDir>
#include <QTimer>

#include "ApplicationInfo.h"
#include "ConnectionWizardSender.h"
#include "Discoverer.h"
#include "DiscoveryStrategyInfo.h"
#include "GetLibraryServiceLoginStatusHandler.h"
#include "GetMediaListNotificationHandler.h"
#include "GetMediaStatusNotificationHandler.h"
#include "GetMotionDelayNotificationHandler.h"
#include "GetRecognitionToleranceNotificationHandler.h"
#include "GetSeatStatusNotificationHandler.h"
#include "GetUpgradeAndUpdateNotificationHandler.h"
#include "GetVYRANetworkStateHandler.h"
#include "GetVyraNameNotificationHandler.h"
#include "GetWifiListHandler.h"
#include "GlobalStatus.h"
#include "GuiThreadRelay.h"
#include "ImageDataRequestSender.h"
#include "ImageDataResponseHandler.h"
#include "KeyPinStore.h"
#include "LogCategories.h"
#include "MediaListVirtualModel.h"
#include "MessageBody.h"
#include "MessageNames.h"
#include "Messenger.h"
#include "PosterImageProvider.h"
#include "ProtocolConstants.h"
#include "RecentUnits.h"
#include "RefusedSendLog.h"
#include "SeatPaneMgr.h"
#include "SetLibraryServiceCredentialsSender.h"
#include "SetMotionDelayNotificationSender.h"
#include "SetRecognitionToleranceNotificationSender.h"
#include "SetVyraNameNotificationSender.h"
#include "ThreadAffineDeleter.h"
#include "UnitAddress.h"
#include "VYRAListModel.h"
#include "WifiSettingHandler.h"

namespace Ulmar {

using namespace Messaging;

namespace {
constexpr unsigned DiscoveryPort = Protocol::kDefaultDiscoveryPort;

// VYRA_DISCOVERY_PORT moves discovery off the shared port, so that a second program (a test, say) neither
// hears the units meant for the first one nor takes their announcements from it.
unsigned discoveryPort()
{
    bool ok = false;
    const unsigned port = qEnvironmentVariable("VYRA_DISCOVERY_PORT").toUInt(&ok);
    return ok && port > 0 && port <= 65535 ? port : DiscoveryPort;
}
constexpr unsigned UnitPort = Protocol::kDefaultMessagePort;
constexpr unsigned StrategyPeriodMs = 1500;
constexpr unsigned AutoReconnectMs = 200;
constexpr unsigned ConnectTimeoutMs = 3000;
// ZeroMQ, the only transport; its number 3 is part of the messaging interface, not ours to change.
constexpr auto Transport = ITransport::TransportZeroMQ;
static_assert(Transport == 3, "ZeroMQ is transport type 3");

// Stands in for our handlers once we are gone (see ~Facade).
class IgnoringResponseHandler : public IResponseHandler
{
public:
    void handleResponse(std::shared_ptr<IResponse>) override {}
};

void registerStateRequest(Messenger& messenger, const std::string& type, const std::string& text = "1")
{
    messenger.registerStateRequest(makeStateRequest(type, text), StateRequestPriority);
}

void registerResponse(Messenger& messenger, const std::string& type,
                      const std::shared_ptr<IResponseHandler>& h)
{
    if (h)
        messenger.registerResponse(type, MessageVersion, h);
}
} // namespace

Facade::Facade(QObject* parent, PosterImageProvider* posterImageProvider,
               std::shared_ptr<SeatPaneMgr>& seatPaneMgr, std::shared_ptr<GlobalStatus>& globalStatus,
               const std::string& serviceName, const std::string& hostname)
    : QObject(nullptr), m_posterImageProvider(posterImageProvider), m_seatPaneMgr(seatPaneMgr),
      m_globalStatus(globalStatus), m_serviceName(serviceName), m_forceHostname(hostname),
      m_vyraListModel(new VYRAListModel(this)), m_relay(GuiThreadRelay::create(this))
{
    setParent(parent);

    qCDebug(lcFacade) << "serviceName" << QString::fromStdString(m_serviceName);
    qCDebug(lcFacade) << "forceHostname" << QString::fromStdString(m_forceHostname);

    m_libraryServiceUsername = QString("");
    m_libraryServiceURI = QString("");
    m_libraryServiceIsRegistered = false;
    m_is_connected = false;

    // Remembered unit keys, in the user's settings folder (an empty path when there is none: memory only).
    m_keyPins = std::make_shared<KeyPinStore>(KeyPinStore::defaultPath());
    updateKeyStoreNotice();
    if (m_forceHostname.empty()) {
        m_messenger = makeDiscoveryMessenger();
        m_vyraListModel->setDiscoverer(m_messenger->getDiscoverer());
        // The discoverer forgets a unit not heard for three announcement periods only when asked: ask once
        // a period, so that a unit that leaves the network leaves the list too.
        auto* forgetSilentUnits = new QTimer(this);
        connect(forgetSilentUnits, &QTimer::timeout, this, &Facade::removeOldVYRAServers);
        forgetSilentUnits->start(static_cast<int>(StrategyPeriodMs));
    } else {
        // Start-up refuses a text that is not an address; only its host part is ever looked up.
        const UnitAddress address = UnitAddress::parse(QString::fromStdString(m_forceHostname));
        const std::string host = address.isValid() ? address.host().toStdString() : m_forceHostname;
        const std::uint16_t port = address.isValid() ? address.port() : UnitPort;
        DiscoveryStrategyList strategies;
        strategies.push_back(std::make_shared<DiscoveryStrategyInfo>(
            2, "encrypted;" + host + ";" + std::to_string(port), StrategyPeriodMs));
        m_messenger = std::make_shared<Messenger>(strategies, m_serviceName, Transport);
        m_messenger->setKeyPinStore(m_keyPins);
        m_messenger->chooseUnit(host, m_forceHostname, port, true, false);
        m_vyraListModel->setDiscoverer(m_messenger->getDiscoverer());
        m_unitAddress = address.isValid() ? address.text() : QString::fromStdString(m_forceHostname);
    }
    m_recentAddresses = RecentUnits::addresses();

    m_messenger->setAutoReconnect(AutoReconnectMs);

    m_vyraNameHandler = std::make_shared<GetVyraNameNotificationHandler>();
    m_vyraNameSender = ThreadAffineDeleter::make<SetVyraNameNotificationSender>(m_messenger);
    connectKeyValueSignal(m_vyraNameHandler->keyValueSignal());

    m_motion_delay = 0;
    emit motionDelayChanged(0);

    m_motionDelayHandler = std::make_shared<GetMotionDelayNotificationHandler>();
    m_motionDelaySender = ThreadAffineDeleter::make<SetMotionDelayNotificationSender>(m_messenger);
    connectKeyValueSignal(m_motionDelayHandler->keyValueSignal());

    m_recognition_tolerance = 0;
    emit recognitionToleranceChanged(0);

    m_recognitionToleranceSender =
        ThreadAffineDeleter::make<SetRecognitionToleranceNotificationSender>(m_messenger);
    m_recognitionToleranceHandler = std::make_shared<GetRecognitionToleranceNotificationHandler>();
    connectKeyValueSignal(m_recognitionToleranceHandler->keyValueSignal());

    if (m_globalStatus) {
        m_messenger->AddObserver(std::weak_ptr<IMessengerObserver>(m_globalStatus));
        connectKeyValueSignal(m_globalStatus->keyValueSignal());
    }

    registerStateRequest(*m_messenger, MessageType::GetMediaListNotification, std::string());
    m_mediaListHandler = ThreadAffineDeleter::make<GetMediaListNotificationHandler>();
    registerResponse(*m_messenger, MessageType::GetMediaListNotification, m_mediaListHandler);

    m_wifiListHandler = ThreadAffineDeleter::make<GetWifiListHandler>();
    registerResponse(*m_messenger, MessageType::GetWifiList, m_wifiListHandler);
    connect(m_wifiListHandler.get(), &GetWifiListHandler::wifiNetworkListChangedSignal, this,
            &Facade::genericResponseCallback);

    m_networkStateHandler = ThreadAffineDeleter::make<GetVYRANetworkStateHandler>();
    registerResponse(*m_messenger, MessageType::GetNetworkState, m_networkStateHandler);
    m_connectionWizardSender = ThreadAffineDeleter::make<ConnectionWizardSender>(m_messenger);
    // The Wi-Fi page waits for the unit's answer; a change that never went out gets none.
    connect(m_connectionWizardSender.get(), &ConnectionWizardSender::wifiSettingNotSent, this,
            [this] { emit wifiChangeSuccess(false); });
    connect(m_networkStateHandler.get(), &GetVYRANetworkStateHandler::vyraNetworkStateChangedSignal, this,
            &Facade::networkStateChangedCb);

    m_wifiSettingHandler = ThreadAffineDeleter::make<WifiSettingHandler>();
    registerResponse(*m_messenger, MessageType::SetWifiSetting, m_wifiSettingHandler);
    connect(m_wifiSettingHandler.get(), &WifiSettingHandler::wifiSettingResponseReceived, this,
            &Facade::genericResponseCallback);

    m_imageDataResponseHandler = ThreadAffineDeleter::make<ImageDataResponseHandler>();
    if (PosterImageProvider* provider = m_posterImageProvider.data()) {
        connect(m_imageDataResponseHandler.get(), &ImageDataResponseHandler::posterAvailable, provider,
                &PosterImageProvider::setJpgPoster);
        connect(m_imageDataResponseHandler.get(), &ImageDataResponseHandler::posterNotAvailable, provider,
                &PosterImageProvider::setNotAvailable);
        connect(provider, &PosterImageProvider::updateMovieInfoImageBoxSignal, this, &Facade::setMovieImage);
    }
    m_messenger->AddObserver(std::weak_ptr<IMessengerObserver>(m_imageDataResponseHandler));
    registerResponse(*m_messenger, MessageType::GetImageData, m_imageDataResponseHandler);

    qCDebug(lcFacade) << "Connect Facade's slots to the signals of its message handlers.";

    registerStateRequest(*m_messenger, MessageType::GetMediaStatusNotification);
    auto imageRequestSender = std::make_shared<ImageDataRequestSender>(m_messenger);
    m_mediaStatusHandler = ThreadAffineDeleter::make<GetMediaStatusNotificationHandler>(imageRequestSender);
    m_messenger->AddObserver(std::weak_ptr<IMessengerObserver>(m_mediaStatusHandler));
    registerResponse(*m_messenger, MessageType::GetMediaStatusNotification, m_mediaStatusHandler);

    m_mediaIdentified = false;
    auto* mediaStatus = m_mediaStatusHandler.get();
    connect(mediaStatus, &GetMediaStatusNotificationHandler::mediaIdentifiedSignal, this,
            &Facade::setMediaIdentifiedTrue);
    connect(mediaStatus, &GetMediaStatusNotificationHandler::mediaUnknownSignal, this,
            &Facade::setMediaIdentifiedFalse);
    if (PosterImageProvider* provider = m_posterImageProvider.data())
        connect(mediaStatus, &GetMediaStatusNotificationHandler::posterClearedSignal, provider,
                &PosterImageProvider::setNotAvailable);
    connect(mediaStatus, &GetMediaStatusNotificationHandler::updateMotionCodeStatusLabelSignal, this,
            &Facade::motionCodeStatusCb);
    connect(mediaStatus, &GetMediaStatusNotificationHandler::updateSourceDetectedStatusLabelSignal, this,
            &Facade::audioSourceStatusCb);
    connect(mediaStatus, &GetMediaStatusNotificationHandler::updateVyraOnlineStatusLabelSignal, this,
            &Facade::controllerStatusCb);
    if (m_seatPaneMgr)
        connect(m_seatPaneMgr.get(), &SeatPaneMgr::updateSeatStatusLabelSignal, this, &Facade::seatStatusCb);
    connect(mediaStatus, &GetMediaStatusNotificationHandler::updateMediaInfoProgressBarSignal, this,
            &Facade::mediaProgressCb);
    m_mediaTitle = QString("");
    connect(mediaStatus, &GetMediaStatusNotificationHandler::updateMediaInfoTitleLabelSignal, this,
            &Facade::genericResponseCallback);

    m_updateMessage = QString("");
    m_upgradeMessage = QString("");

    registerStateRequest(*m_messenger, MessageType::GetUpgradeNotification);
    registerStateRequest(*m_messenger, MessageType::GetUpdateNotification);
    m_upgradeAndUpdateHandler = ThreadAffineDeleter::make<GetUpgradeAndUpdateNotificationHandler>();
    m_messenger->AddObserver(std::weak_ptr<IMessengerObserver>(m_upgradeAndUpdateHandler));
    registerResponse(*m_messenger, MessageType::GetUpgradeNotification, m_upgradeAndUpdateHandler);
    registerResponse(*m_messenger, MessageType::GetUpdateNotification, m_upgradeAndUpdateHandler);
    auto* upgrade = m_upgradeAndUpdateHandler.get();
    connect(upgrade, &GetUpgradeAndUpdateNotificationHandler::upgradeStatusChanged, this,
            &Facade::upgradeStatusChangedCb);
    connect(upgrade, &GetUpgradeAndUpdateNotificationHandler::updateStatusChanged, this,
            &Facade::updateStatusChangedCb);
    connect(upgrade, &GetUpgradeAndUpdateNotificationHandler::vyraVersionReceived, this,
            &Facade::vyraVersionReceivedCb);
    connect(upgrade, &GetUpgradeAndUpdateNotificationHandler::lastUpdateTimestampReceived, this,
            &Facade::lastUpdateTimestampReceivedCb);

    m_appVersion = QString::fromStdString(ApplicationInfo::Version());
    emit appVersionChanged(m_appVersion);

    m_libraryServiceCredentialsSender =
        ThreadAffineDeleter::make<SetLibraryServiceCredentialsSender>(m_messenger);
}

Facade::~Facade()
{
    // Updates still on their way from messaging threads must not reach a half-destroyed object.
    m_relay->detach();
    // Several handlers hold the messenger (through their senders or the seat model) while the messenger holds
    // them: a cycle that would keep the messenger and its threads alive past the end of main. The messenger
    // offers no way to unregister, so each type is handed to a handler that ignores it.
    if (m_messenger) {
        const auto ignoring = std::make_shared<IgnoringResponseHandler>();
        for (const auto& registration : m_messenger->registeredResponses())
            m_messenger->registerResponse(registration.first, MessageVersion, ignoring);
    }
}

std::shared_ptr<Messenger> Facade::makeDiscoveryMessenger() const
{
    DiscoveryStrategyList strategies;
    strategies.push_back(
        std::make_shared<DiscoveryStrategyInfo>(3, std::to_string(discoveryPort()), StrategyPeriodMs));
    auto messenger = std::make_shared<Messenger>(strategies, m_serviceName, Transport);
    messenger->setKeyPinStore(m_keyPins);
    return messenger;
}

template <typename Signal> void Facade::connectKeyValueSignal(Signal& signal)
{
    // Bound to the relay rather than to this object: the handlers and the status object may outlive us.
    std::weak_ptr<GuiThreadRelay> weakRelay = m_relay;
    signal.connect([this, weakRelay](QVariant key, QVariant value) {
        if (auto relay = weakRelay.lock())
            relay->run([this, key, value] { applyGenericResponse(key, value); });
    });
}

void Facade::initMessageObservers()
{
    qCDebug(lcFacade) << "setMessenger";
    if (m_seatPaneMgr) {
        m_seatPaneMgr->setMessenger(m_messenger);
        m_seatStatusHandler = std::make_shared<GetSeatStatusNotificationHandler>(m_seatPaneMgr);
    }

    qCDebug(lcFacade) << "Setup observer for GetSeatStatusNotification";
    registerStateRequest(*m_messenger, MessageType::GetSeatStatusNotification);
    registerResponse(*m_messenger, MessageType::GetSeatStatusNotification, m_seatStatusHandler);

    m_messenger->AddObserver(std::weak_ptr<IMessengerObserver>(shared_from_this()));

    qCDebug(lcFacade) << "Setup observer for GetVyraNameNotification";
    registerStateRequest(*m_messenger, MessageType::GetVyraNameNotification);
    registerResponse(*m_messenger, MessageType::GetVyraNameNotification, m_vyraNameHandler);
    registerResponse(*m_messenger, MessageType::SetVyraName, m_vyraNameHandler);

    qCDebug(lcFacade) << "Setup observer for GetMotionDelayNotification";
    registerStateRequest(*m_messenger, MessageType::GetMotionDelayNotification);
    registerResponse(*m_messenger, MessageType::GetMotionDelayNotification, m_motionDelayHandler);

    registerStateRequest(*m_messenger, MessageType::GetRecognitionToleranceNotification);
    registerResponse(*m_messenger, MessageType::GetRecognitionToleranceNotification,
                     m_recognitionToleranceHandler);

    qCDebug(lcFacade) << "Setup observer for GetLibraryServiceLoginStatusHandler";
    m_libraryServiceLoginStatusHandler = ThreadAffineDeleter::make<GetLibraryServiceLoginStatusHandler>();
    connect(m_libraryServiceLoginStatusHandler.get(),
            &GetLibraryServiceLoginStatusHandler::loginStatusReceivedSignal, this,
            &Facade::loginStatusReceivedSignalCb);
    connect(m_libraryServiceLoginStatusHandler.get(),
            &GetLibraryServiceLoginStatusHandler::unsupportedByVYRASignal, this, &Facade::loginUnsupportedCb);
    registerStateRequest(*m_messenger, MessageType::GetLibraryServiceLoginStatus);
    registerResponse(*m_messenger, MessageType::GetLibraryServiceLoginStatus,
                     m_libraryServiceLoginStatusHandler);
    m_libraryServiceLoginStatusHandler->setMessenger(m_messenger);
}

MediaListVirtualModel* Facade::mediaListModel() const
{
    return m_mediaListHandler ? m_mediaListHandler->getModel().get() : nullptr;
}

// Connection events arrive on a messaging thread; the flag that QML reads changes on the GUI thread.
void Facade::handleConnected()
{
    m_relay->run([this] {
        RefusedSendLog::linkUp(m_messenger);
        setControllerIsConnected(true);
        setUnitKeyMismatch(QString(), QString());
        updateLinkEncrypted();
        rememberConnectedUnit();
        updateKeyStoreNotice(); // pinning may have found the file damaged or linked meanwhile
    });
}

void Facade::handleConnectionLost()
{
    m_relay->run([this] {
        setControllerIsConnected(false);
        updateLinkEncrypted();
    });
}

void Facade::handleDisconnected()
{
    m_relay->run([this] {
        setControllerIsConnected(false);
        updateLinkEncrypted();
    });
}

void Facade::handleUnitKeyMismatch(const UnitKeyMismatch& mismatch)
{
    const QString offered = QString::fromStdString(mismatch.offeredKey);
    const QString pinned = QString::fromStdString(mismatch.pinnedKey);
    m_relay->run([this, offered, pinned] { setUnitKeyMismatch(offered, pinned); });
}

void Facade::setUnitKeyMismatch(const QString& offeredKey, const QString& pinnedKey)
{
    if (offeredKey == m_offeredKey)
        return;
    m_offeredKey = offeredKey;
    m_offeredKeyFingerprint = QString::fromStdString(KeyPinStore::fingerprint(offeredKey.toStdString()));
    m_pinnedKeyFingerprint = QString::fromStdString(KeyPinStore::fingerprint(pinnedKey.toStdString()));
    emit unitKeyChanged();
}

void Facade::updateKeyStoreNotice()
{
    const auto notice = m_keyPins->notice();
    if (notice.kind == KeyPinStore::Notice::None)
        return;
    const QString path = QString::fromStdString(notice.path);
    const QString cause = QString::number(int(notice.kind)) + QLatin1Char(':') + path;
    if (cause == m_keyStoreNoticeCause)
        return; // shown already, or dismissed
    m_keyStoreNoticeCause = cause;
    m_keyStoreNotice =
        notice.kind == KeyPinStore::Notice::Damaged
            ? tr("The remembered VYRA keys could not be read. The damaged file was kept as %1; each VYRA is "
                 "trusted anew when next connected.")
                  .arg(QDir::toNativeSeparators(path))
            : tr("VYRA keys are not saved: %1 is a symbolic link. They are remembered until the program "
                 "ends.")
                  .arg(QDir::toNativeSeparators(path));
    emit keyStoreNoticeChanged();
}

void Facade::dismissKeyStoreNotice()
{
    if (m_keyStoreNotice.isEmpty())
        return;
    m_keyStoreNotice.clear();
    emit keyStoreNoticeChanged();
}

void Facade::updateLinkEncrypted()
{
    // Read when the event is handled: a link that went down meanwhile reads as not encrypted.
    const bool encrypted = m_is_connected && m_messenger->linkSecurity() == Messenger::LinkSecurity::Pinned;
    if (encrypted == m_linkEncrypted)
        return;
    m_linkEncrypted = encrypted;
    emit controllerLinkEncryptedChanged();
}

// --- WRITE accessors -------------------------------------------------------------------------------------

#define VYRA_FACADE_SETTER(Setter, Type, member, Signal)                                                     \
    void Facade::Setter(Type value)                                                                          \
    {                                                                                                        \
        member = value;                                                                                      \
        emit Signal(member);                                                                                 \
    }

VYRA_FACADE_SETTER(setControllerName, const QString&, m_actualControllerName, controllerNameChanged)
void Facade::setMotionDelay(int value)
{
    m_motion_delay = value;
    m_motionDelayAsked = value;
    emit motionDelayChanged(m_motion_delay);
}

void Facade::setRecognitionTolerance(int value)
{
    m_recognition_tolerance = value;
    m_recognitionToleranceAsked = value;
    emit recognitionToleranceChanged(m_recognition_tolerance);
}

VYRA_FACADE_SETTER(setWifiNetworkList, const QVariantList&, m_wifiNetworkList, wifiNetworkListChanged)
VYRA_FACADE_SETTER(setNetworkInterfaces, const QVariantList&, m_networkInterfaces, networkInterfacesChanged)
VYRA_FACADE_SETTER(setMediaIdentified, bool, m_mediaIdentified, mediaIdentifiedChanged)
VYRA_FACADE_SETTER(setMediaTitle, const QString&, m_mediaTitle, mediaTitleChanged)
VYRA_FACADE_SETTER(setAudioDetected, bool, m_audioDetected, audioDetectedChanged)
VYRA_FACADE_SETTER(setMotionCodeFound, bool, m_motionCodeFound, motionCodeFoundChanged)
VYRA_FACADE_SETTER(setMediaProgressOffset, const QString&, m_mediaProgressOffset, mediaProgressOffsetChanged)
VYRA_FACADE_SETTER(setMediaProgressDuration, const QString&, m_mediaProgressDuration,
                   mediaProgressDurationChanged)
VYRA_FACADE_SETTER(setAppVersion, const QString&, m_appVersion, appVersionChanged)
VYRA_FACADE_SETTER(setControllerVersion, const QString&, m_controllerVersion, controllerVersionChanged)
VYRA_FACADE_SETTER(setLastMotionCodeUpdate, const QString&, m_lastMotionCodeUpdate,
                   lastMotionCodeUpdateChanged)
VYRA_FACADE_SETTER(setUpdateMessage, const QString&, m_updateMessage, updateMessageChanged)
VYRA_FACADE_SETTER(setUpgradeMessage, const QString&, m_upgradeMessage, upgradeMessageChanged)
VYRA_FACADE_SETTER(setMotionCodeStatusColor, const QString&, m_motionCodeStatusColor,
                   motionCodeStatusColorChanged)
VYRA_FACADE_SETTER(setMotionCodeStatusText, const QString&, m_motionCodeStatusText,
                   motionCodeStatusTextChanged)
VYRA_FACADE_SETTER(setAudioSourceStatusColor, const QString&, m_audioSourceStatusColor,
                   audioSourceStatusColorChanged)
VYRA_FACADE_SETTER(setAudioSourceStatusText, const QString&, m_audioSourceStatusText,
                   audioSourceStatusTextChanged)
VYRA_FACADE_SETTER(setSeatStatusColor, const QString&, m_seatStatusColor, seatStatusColorChanged)
VYRA_FACADE_SETTER(setSeatStatusText, const QString&, m_seatStatusText, seatStatusTextChanged)
VYRA_FACADE_SETTER(setControllerStatusColor, const QString&, m_controllerStatusColor,
                   controllerStatusColorChanged)
VYRA_FACADE_SETTER(setControllerStatusText, const QString&, m_controllerStatusText,
                   controllerStatusTextChanged)
VYRA_FACADE_SETTER(setLibraryServiceUsername, const QString&, m_libraryServiceUsername,
                   libraryServiceUsernameChanged)
VYRA_FACADE_SETTER(setLibraryServiceURI, const QString&, m_libraryServiceURI, libraryServiceURIChanged)

#undef VYRA_FACADE_SETTER

void Facade::setControllerIsConnected(bool value)
{
    if (m_is_connected == value)
        return;
    m_is_connected = value;
    // Whichever connection event comes first (the status object's or ours), the two flags change together.
    updateLinkEncrypted();
    emit controllerIsConnectedChanged();
}

void Facade::setLibraryServiceIsRegistered(bool value)
{
    if (m_libraryServiceIsRegistered == value)
        return;
    m_libraryServiceIsRegistered = value;
    emit libraryServiceIsRegisteredChanged(value);
}

// --- slots ----------------------------------------------------------------------------------------------

void Facade::setMovieImage(QVariant value)
{
    m_movieImage = value;
    emit movieImageChanged(m_movieImage);
}

void Facade::genericResponseCallback(QVariant key, QVariant value)
{
    m_relay->run([this, key, value] { applyGenericResponse(key, value); });
}

void Facade::applyGenericResponse(const QVariant& key, const QVariant& value)
{
    const QString name = key.toString();
    if (name == QString::fromStdString(MessageType::GetVyraNameNotification)) {
        setControllerName(value.toString());
    } else if (name == QString::fromStdString(MessageType::SetVyraName)) {
        // The answer to a rename; the new name comes with the next notification.
    } else if (name == QLatin1String("motionDelay")) {
        setMotionDelay(value.toInt());
    } else if (name == QLatin1String("recognitionTolerance")) {
        setRecognitionTolerance(value.toInt());
    } else if (name == QLatin1String("connection")) {
        setControllerIsConnected(value.toBool());
    } else if (name == QLatin1String("wifiNetworkList")) {
        setWifiNetworkList(value.toList());
    } else if (name == QLatin1String("wifiNetworkStatus")) {
    } else if (name == QLatin1String("wifiSettings")) {
        emit wifiChangeSuccess(value.toBool());
    } else if (name == QLatin1String("mediaTitle")) {
        setMediaTitle(value.toString());
    } else {
        std::cout << "Unknown signal triggered. " << name.toStdString() << std::endl;
    }
}

void Facade::networkStateChangedCb(QVariant isWifiOnline, QVariant isOnline, QVariant isHotspotActive,
                                   QVariant ssid, QVariant addresses)
{
    setNetworkInterfaces(addresses.toList());
    emit networkStateReceived(isWifiOnline.toBool(), isOnline.toBool(), isHotspotActive.toBool(),
                              ssid.toString());
}

void Facade::setMediaIdentifiedTrue()
{
    setMediaIdentified(true);
}

void Facade::setMediaIdentifiedFalse()
{
    setMediaIdentified(false);
}

void Facade::motionCodeStatusCb(QVariant statusColor, QVariant text)
{
    setMotionCodeStatusColor(statusColor.toString());
    setMotionCodeStatusText(text.toString());
}

void Facade::audioSourceStatusCb(QVariant statusColor, QVariant text)
{
    setAudioSourceStatusColor(statusColor.toString());
    setAudioSourceStatusText(text.toString());
}

void Facade::seatStatusCb(QVariant statusColor, QVariant text)
{
    qCDebug(lcFacade) << "C++ seat status " << statusColor.toString();
    setSeatStatusColor(statusColor.toString());
    setSeatStatusText(text.toString());
}

void Facade::controllerStatusCb(QVariant statusColor, QVariant text)
{
    setControllerStatusColor(statusColor.toString());
    setControllerStatusText(text.toString());
}

void Facade::mediaProgressCb(QVariant offset, QVariant duration)
{
    setMediaProgressDuration(duration.toString());
    setMediaProgressOffset(offset.toString());
}

void Facade::upgradeStatusChangedCb(QVariant active, QVariant text)
{
    qCDebug(lcFacade) << "upgrade: active=" << active.toBool() << " text=" << text.toString();
    setUpgradeMessage(text.toString());
}

void Facade::updateStatusChangedCb(QVariant active, QVariant text)
{
    qCDebug(lcFacade) << "update: active=" << active.toBool() << " text=" << text.toString();
    setUpdateMessage(text.toString());
}

void Facade::vyraVersionReceivedCb(QVariant version)
{
    setControllerVersion(version.toString());
}

void Facade::lastUpdateTimestampReceivedCb(QVariant timestamp)
{
    setLastMotionCodeUpdate(timestamp.toString());
}

void Facade::loginStatusReceivedSignalCb(QVariant isRegistered, QVariant username, QVariant serviceURI)
{
    setLibraryServiceIsRegistered(isRegistered.toBool());
    setLibraryServiceUsername(username.toString());
    setLibraryServiceURI(serviceURI.toString());
    emit libraryServiceResponseReceived();
}

void Facade::loginUnsupportedCb()
{
    emit libraryServiceUnsupported();
}

// --- invokables -----------------------------------------------------------------------------------------

void Facade::tryConnectToController()
{
    m_messenger->setAutoReconnect(AutoReconnectMs);
    m_messenger->connect(ConnectTimeoutMs);
}

bool Facade::chooseController(QString controllerName)
{
    if (m_forceHostname.empty()) {
        m_desiredControllerName = controllerName;
        if (controllerName.isEmpty())
            return false;
        m_messenger = makeDiscoveryMessenger();
    }
    m_messenger->setAutoReconnect(AutoReconnectMs);
    m_messenger->connect(ConnectTimeoutMs);
    return true;
}

void Facade::sendMotionDelay(int value)
{
    // Compared with what the unit was last asked, not with what it last reported: after 5 -> 6 and back to 5
    // before the unit's echo, the unit must get the 5 too.
    if (value == m_motionDelayAsked || !m_motionDelaySender)
        return;
    m_motionDelayAsked = value;
    m_motionDelaySender->triggerSendMotionDelay(QVariant(value));
}

void Facade::sendRecognitionTolerance(int value)
{
    if (value == m_recognitionToleranceAsked || !m_recognitionToleranceSender)
        return;
    m_recognitionToleranceAsked = value;
    m_recognitionToleranceSender->triggerSendRecognitionTolerance(QVariant(value));
}

QString Facade::hello()
{
    return QStringLiteral("hello");
}

void Facade::triggerWifiList()
{
    if (m_connectionWizardSender)
        m_connectionWizardSender->triggerWifiList();
}

void Facade::triggerWifiChange(QString ssid, QString secretKey)
{
    if (m_connectionWizardSender)
        m_connectionWizardSender->triggerWifiChange(QVariant(ssid), QVariant(secretKey));
}

void Facade::requestHotspotActivation()
{
    if (m_connectionWizardSender)
        m_connectionWizardSender->requestHotspotActivation();
}

void Facade::triggerNetworkState()
{
    if (m_connectionWizardSender)
        m_connectionWizardSender->triggerNetworkState();
}

void Facade::renameMotionController(QString value)
{
    if (m_vyraNameSender)
        m_vyraNameSender->triggerSendVyraName(QVariant(value));
}

void Facade::sendLibraryServiceCredentials(QVariant username, QVariant access_token, QVariant refresh_token)
{
    if (m_libraryServiceCredentialsSender)
        m_libraryServiceCredentialsSender->triggerSendCredentials(username, access_token, refresh_token);
}

void Facade::triggerGetLibraryServiceLoginStatus()
{
    if (m_libraryServiceLoginStatusHandler)
        m_libraryServiceLoginStatusHandler->requestLoginStatus();
}

void Facade::debugInfo()
{
    qCDebug(lcFacade) << "----------------------- debugInfo >>>>>>>>>>>>>>>>>>>>>>>>>";
    qCDebug(lcFacade) << "MCLS: is registered=" << m_libraryServiceIsRegistered
                      << " username=" << m_libraryServiceUsername << " serviceURI=" << m_libraryServiceURI;
    qCDebug(lcFacade) << "m_serviceName: (should be VYRA): " << QString::fromStdString(m_serviceName);
    qCDebug(lcFacade) << "m_forceHostname: " << QString::fromStdString(m_forceHostname);
    qCDebug(lcFacade) << "m_is_connected: " << m_is_connected;
    qCDebug(lcFacade) << "m_motion_delay" << m_motion_delay;
    qCDebug(lcFacade) << "m_recognition_tolerance" << m_recognition_tolerance;
    qCDebug(lcFacade) << "m_mediaIdentified" << m_mediaIdentified;
    qCDebug(lcFacade) << "m_mediaTitle" << m_mediaTitle;
    qCDebug(lcFacade) << "m_audioDetected" << m_audioDetected;
    qCDebug(lcFacade) << "m_motionCodeFound" << m_motionCodeFound;
    qCDebug(lcFacade) << "m_mediaProgressOffset" << m_mediaProgressOffset;
    qCDebug(lcFacade) << "m_mediaProgressDuration" << m_mediaProgressDuration;
    qCDebug(lcFacade) << "m_appVersion" << m_appVersion;
    qCDebug(lcFacade) << "m_controllerVersion" << m_controllerVersion;
    qCDebug(lcFacade) << "m_lastMotionCodeUpdate" << m_lastMotionCodeUpdate;
    qCDebug(lcFacade) << "m_upgradeMessage" << m_upgradeMessage;
    qCDebug(lcFacade) << "m_updateMessage" << m_updateMessage;
    qCDebug(lcFacade) << "m_motionCodeStatusColor" << m_motionCodeStatusColor;
    qCDebug(lcFacade) << "m_motionCodeStatusText" << m_motionCodeStatusText;
    qCDebug(lcFacade) << "m_audioSourceStatusColor" << m_audioSourceStatusColor;
    qCDebug(lcFacade) << "m_audioSourceStatusText" << m_audioSourceStatusText;
    qCDebug(lcFacade) << "m_seatStatusColor" << m_seatStatusColor;
    qCDebug(lcFacade) << "m_seatStatusText" << m_seatStatusText;
    qCDebug(lcFacade) << "m_controllerStatusColor" << m_controllerStatusColor;
    qCDebug(lcFacade) << "m_controllerStatusText" << m_controllerStatusText;
    qCDebug(lcFacade) << "m_libraryServiceUsername" << m_libraryServiceUsername;
    qCDebug(lcFacade) << "m_libraryServiceIsRegistered" << m_libraryServiceIsRegistered;
    qCDebug(lcFacade) << "m_libraryServiceURI" << m_libraryServiceURI;
    qCDebug(lcFacade) << "m_actualControllerName" << m_actualControllerName;
    qCDebug(lcFacade) << "m_desiredControllerName" << m_desiredControllerName;
    qCDebug(lcFacade) << "discovered units:";
    m_messenger->printDiscoveredUnits();
    qCDebug(lcFacade) << "^^^^^^^^^^^^^^^^^^^^^^^ debugInfo ^^^^^^^^^^^^^^^^^^^^^^^^^";
}

bool Facade::chooseVYRA(QString address, QString name, int port, bool encryption)
{
    const auto discoverer = m_messenger->getDiscoverer();
    const std::string addressUtf8 = address.toUtf8().toStdString();
    const std::string nameUtf8 = name.toUtf8().toStdString();
    // A port outside 16 bits cannot name a discovered unit.
    if (!discoverer || port < 0 || port > 0xFFFF ||
        !discoverer->hasItem(addressUtf8, nameUtf8, static_cast<std::uint16_t>(port))) {
        qCDebug(lcFacade) << "No such unit: " << name << address << port;
        return false;
    }
    m_messenger->setAutoReconnect(AutoReconnectMs);
    const bool chosen =
        m_messenger->chooseUnit(addressUtf8, nameUtf8, static_cast<std::uint16_t>(port), encryption, true);
    if (chosen) {
        setControllerName(name);
        setUnitKeyMismatch(QString(), QString()); // a refusal was about the unit chosen before
        setUnitAddress(QString());
    }
    return chosen;
}

void Facade::removeOldVYRAServers()
{
    if (const auto discoverer = m_messenger->getDiscoverer())
        discoverer->removeTooOldOnes();
}

QString Facade::unitAddressError(QString text) const
{
    const UnitAddress address = UnitAddress::parse(text);
    return address.isValid() ? QString() : address.errorMessage();
}

bool Facade::chooseAddress(const QString& text, const QString& name)
{
    const UnitAddress address = UnitAddress::parse(text);
    if (!address.isValid())
        return false;
    m_messenger->setAutoReconnect(AutoReconnectMs);
    // As with -a: the unit's announcement (and key) is asked for by unicast, and the key is pinned.
    const bool chosen = m_messenger->chooseUnit(address.host().toStdString(),
                                                (name.isEmpty() ? address.text() : name).toStdString(),
                                                address.port(), true, false);
    if (chosen) {
        setUnitAddress(address.text());
        setUnitKeyMismatch(QString(), QString());
        // Shown until the unit reports its own name.
        setControllerName(name.isEmpty() ? address.text() : name);
    }
    return chosen;
}

bool Facade::connectToAddress(QString text)
{
    if (!chooseAddress(text, QString()))
        return false;
    qCInfo(lcFacade, "Connecting to the unit at %s", qPrintable(m_unitAddress));
    m_messenger->connect(ConnectTimeoutMs);
    return true;
}

bool Facade::tryLastUnit()
{
    if (!m_forceHostname.empty())
        return false;
    const RecentUnits::LastUnit last = RecentUnits::lastUnit();
    if (!last.isValid() || !chooseAddress(last.address, last.name))
        return false;
    qCInfo(lcFacade, "Trying the unit connected to last first, at %s", qPrintable(m_unitAddress));
    return true;
}

int Facade::rememberedUnitRow() const
{
    const RecentUnits::LastUnit last = RecentUnits::lastUnit();
    const auto discoverer = m_messenger->getDiscoverer();
    if (!last.isValid() || !discoverer)
        return -1;
    int byAddress = -1;
    for (int row = 0; row < m_vyraListModel->rowCount(); ++row) {
        const QModelIndex index = m_vyraListModel->index(row, 0);
        const QString address = m_vyraListModel->data(index, VYRAListModel::AddressRole).toString();
        const QString name = m_vyraListModel->data(index, VYRAListModel::NameRole).toString();
        const int port = m_vyraListModel->data(index, VYRAListModel::PortRole).toInt();
        tavik::Messaging::Discovered unit;
        if (!last.unitId.isEmpty() &&
            discoverer->find(address.toStdString(), name.toStdString(), static_cast<std::uint16_t>(port),
                             unit) &&
            QString::fromStdString(unit.getUnitId()) == last.unitId)
            return row;
        const UnitAddress seen =
            UnitAddress::parse(UnitAddress::format(address, static_cast<std::uint16_t>(port)));
        if (byAddress < 0 && seen.isValid() && seen.text() == last.address)
            byAddress = row;
    }
    return byAddress;
}

void Facade::setUnitAddress(const QString& value)
{
    if (value == m_unitAddress)
        return;
    m_unitAddress = value;
    emit unitAddressChanged();
}

void Facade::rememberConnectedUnit()
{
    const Messenger::ChosenUnit chosen = m_messenger->chosenUnit();
    if (!chosen.valid)
        return;
    RecentUnits::LastUnit last;
    last.name = QString::fromStdString(chosen.name);
    if (chosen.userChoice) {
        tavik::Messaging::Discovered unit;
        if (const auto discoverer = m_messenger->getDiscoverer())
            if (discoverer->find(chosen.address, chosen.name, chosen.port, unit))
                last.unitId = QString::fromStdString(unit.getUnitId());
        last.address = UnitAddress::format(QString::fromStdString(chosen.address), chosen.port);
    } else {
        last.address = UnitAddress::format(QString::fromStdString(chosen.address), chosen.port);
        RecentUnits::addAddress(last.address);
        const QStringList recent = RecentUnits::addresses();
        if (recent != m_recentAddresses) {
            m_recentAddresses = recent;
            emit recentAddressesChanged();
        }
    }
    if (UnitAddress::parse(last.address).isValid())
        RecentUnits::setLastUnit(last);
}

void Facade::acceptUnitKey()
{
    if (m_offeredKey.isEmpty())
        return;
    qCInfo(lcFacade, "The user accepted the new key %s of the unit", qPrintable(m_offeredKeyFingerprint));
    m_messenger->acceptUnitKey(m_offeredKey.toStdString());
}

} // namespace Ulmar
