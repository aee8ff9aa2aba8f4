#pragma once

#include <memory>
#include <string>

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include "IMessengerObserver.h"

namespace Ulmar {

class GlobalStatus;
class GuiThreadRelay;
class PosterImageProvider;
class SeatPaneMgr;
class VYRAListModel;

namespace Messaging {
class KeyPinStore;
class Messenger;
struct UnitKeyMismatch;
class SetVyraNameNotificationSender;
class GetVyraNameNotificationHandler;
class SetMotionDelayNotificationSender;
class GetMotionDelayNotificationHandler;
class GetMediaListNotificationHandler;
class SetRecognitionToleranceNotificationSender;
class GetRecognitionToleranceNotificationHandler;
class GetSeatStatusNotificationHandler;
class GetWifiListHandler;
class WifiSettingHandler;
class GetVYRANetworkStateHandler;
class ConnectionWizardSender;
class ImageDataResponseHandler;
class GetMediaStatusNotificationHandler;
class SetLibraryServiceCredentialsSender;
class GetLibraryServiceLoginStatusHandler;
class GetUpgradeAndUpdateNotificationHandler;
class MediaListVirtualModel;
} // namespace Messaging

// The one object QML reaches the unit through ("api"). Owns the messenger, creates and registers the
// handlers and senders, and turns what they report into properties and signals.
//
// Everything QML reads is written on the GUI thread only: updates that arrive on messaging threads (the
// key-value signals and the connection events) are carried over in the order they came.
class Facade : public QObject,
               public Messaging::IMessengerObserver,
               public std::enable_shared_from_this<Facade>
{
    Q_OBJECT
    Q_PROPERTY(
        QString controllerName READ controllerName WRITE setControllerName NOTIFY controllerNameChanged)
    Q_PROPERTY(bool controllerIsConnected READ controllerIsConnected WRITE setControllerIsConnected NOTIFY
                   controllerIsConnectedChanged)
    Q_PROPERTY(int motionDelay READ motionDelay WRITE setMotionDelay NOTIFY motionDelayChanged)
    Q_PROPERTY(int recognitionTolerance READ recognitionTolerance WRITE setRecognitionTolerance NOTIFY
                   recognitionToleranceChanged)
    Q_PROPERTY(QVariantList wifiNetworkList READ wifiNetworkList WRITE setWifiNetworkList NOTIFY
                   wifiNetworkListChanged)
    Q_PROPERTY(QVariantList networkInterfaces READ networkInterfaces WRITE setNetworkInterfaces NOTIFY
                   networkInterfacesChanged)
    Q_PROPERTY(QVariant movieImage READ movieImage WRITE setMovieImage NOTIFY movieImageChanged)
    Q_PROPERTY(
        bool mediaIdentified READ mediaIdentified WRITE setMediaIdentified NOTIFY mediaIdentifiedChanged)
    Q_PROPERTY(QString mediaTitle READ mediaTitle WRITE setMediaTitle NOTIFY mediaTitleChanged)
    Q_PROPERTY(bool audioDetected READ audioDetected WRITE setAudioDetected NOTIFY audioDetectedChanged)
    Q_PROPERTY(
        bool motionCodeFound READ motionCodeFound WRITE setMotionCodeFound NOTIFY motionCodeFoundChanged)
    Q_PROPERTY(QString mediaProgressOffset READ mediaProgressOffset WRITE setMediaProgressOffset NOTIFY
                   mediaProgressOffsetChanged)
    Q_PROPERTY(QString mediaProgressDuration READ mediaProgressDuration WRITE setMediaProgressDuration NOTIFY
                   mediaProgressDurationChanged)
    Q_PROPERTY(QString appVersion READ appVersion WRITE setAppVersion NOTIFY appVersionChanged)
    Q_PROPERTY(QString controllerVersion READ controllerVersion WRITE setControllerVersion NOTIFY
                   controllerVersionChanged)
    Q_PROPERTY(QString lastMotionCodeUpdate READ lastMotionCodeUpdate WRITE setLastMotionCodeUpdate NOTIFY
                   lastMotionCodeUpdateChanged)
    Q_PROPERTY(QString updateMessage READ updateMessage WRITE setUpdateMessage NOTIFY updateMessageChanged)
    Q_PROPERTY(
        QString upgradeMessage READ upgradeMessage WRITE setUpgradeMessage NOTIFY upgradeMessageChanged)
    Q_PROPERTY(QString motionCodeStatusColor READ motionCodeStatusColor WRITE setMotionCodeStatusColor NOTIFY
                   motionCodeStatusColorChanged)
    Q_PROPERTY(QString motionCodeStatusText READ motionCodeStatusText WRITE setMotionCodeStatusText NOTIFY
                   motionCodeStatusTextChanged)
    Q_PROPERTY(QString audioSourceStatusColor READ audioSourceStatusColor WRITE setAudioSourceStatusColor
                   NOTIFY audioSourceStatusColorChanged)
    Q_PROPERTY(QString audioSourceStatusText READ audioSourceStatusText WRITE setAudioSourceStatusText NOTIFY
                   audioSourceStatusTextChanged)
    Q_PROPERTY(
        QString seatStatusColor READ seatStatusColor WRITE setSeatStatusColor NOTIFY seatStatusColorChanged)
    Q_PROPERTY(
        QString seatStatusText READ seatStatusText WRITE setSeatStatusText NOTIFY seatStatusTextChanged)
    Q_PROPERTY(QString controllerStatusColor READ controllerStatusColor WRITE setControllerStatusColor NOTIFY
                   controllerStatusColorChanged)
    Q_PROPERTY(QString controllerStatusText READ controllerStatusText WRITE setControllerStatusText NOTIFY
                   controllerStatusTextChanged)
    Q_PROPERTY(QString libraryServiceUsername READ libraryServiceUsername WRITE setLibraryServiceUsername
                   NOTIFY libraryServiceUsernameChanged)
    Q_PROPERTY(bool libraryServiceIsRegistered READ libraryServiceIsRegistered WRITE
                   setLibraryServiceIsRegistered NOTIFY libraryServiceIsRegisteredChanged)
    Q_PROPERTY(QString libraryServiceURI READ libraryServiceURI WRITE setLibraryServiceURI NOTIFY
                   libraryServiceURIChanged)
    // The chosen unit offered a key other than the one remembered for it: not connected until the user
    // accepts it (acceptUnitKey). The fingerprints are KeyPinStore::fingerprint texts.
    Q_PROPERTY(bool unitKeyRefused READ unitKeyRefused NOTIFY unitKeyChanged)
    Q_PROPERTY(QString pinnedKeyFingerprint READ pinnedKeyFingerprint NOTIFY unitKeyChanged)
    Q_PROPERTY(QString offeredKeyFingerprint READ offeredKeyFingerprint NOTIFY unitKeyChanged)
    // Connected and encrypted with the unit's remembered key; false while not connected.
    Q_PROPERTY(
        bool controllerLinkEncrypted READ controllerLinkEncrypted NOTIFY controllerLinkEncryptedChanged)
    // The address the messenger tries when the unit was named rather than picked from the discovered list
    // (-a, the address field, the unit remembered from the last run); empty for a discovered unit.
    Q_PROPERTY(QString unitAddress READ unitAddress NOTIFY unitAddressChanged)
    // Whether units are searched for on the network (not with -a).
    Q_PROPERTY(bool discoveryActive READ discoveryActive CONSTANT)
    // Addresses connected to lately, most recent first (user settings).
    Q_PROPERTY(QStringList recentAddresses READ recentAddresses NOTIFY recentAddressesChanged)
    // Something the user must hear of once about the remembered unit keys (a damaged file kept aside, a file
    // that is a link and so not used); empty when nothing is to be said or once dismissed.
    Q_PROPERTY(QString keyStoreNotice READ keyStoreNotice NOTIFY keyStoreNoticeChanged)

public:
    Facade(QObject* parent, PosterImageProvider* posterImageProvider,
           std::shared_ptr<SeatPaneMgr>& seatPaneMgr, std::shared_ptr<GlobalStatus>& globalStatus,
           const std::string& serviceName, const std::string& hostname);
    ~Facade() override;

    void initMessageObservers();
    Messaging::MediaListVirtualModel* mediaListModel() const;
    VYRAListModel* vyraListModel() const { return m_vyraListModel; }
    // The messenger in use, for diagnostics and tests.
    std::shared_ptr<Messaging::Messenger> messenger() const { return m_messenger; }

    void handleConnected() override;
    void handleConnectionLost() override;
    void handleDisconnected() override;
    void handleUnitKeyMismatch(const Messaging::UnitKeyMismatch& mismatch) override;

    // READ accessors.
    QString controllerName() const { return m_actualControllerName; }
    bool controllerIsConnected() const { return m_is_connected; }
    int motionDelay() const { return m_motion_delay; }
    int recognitionTolerance() const { return m_recognition_tolerance; }
    QVariantList wifiNetworkList() const { return m_wifiNetworkList; }
    QVariantList networkInterfaces() const { return m_networkInterfaces; }
    QVariant movieImage() const { return m_movieImage; }
    bool mediaIdentified() const { return m_mediaIdentified; }
    QString mediaTitle() const { return m_mediaTitle; }
    bool audioDetected() const { return m_audioDetected; }
    bool motionCodeFound() const { return m_motionCodeFound; }
    QString mediaProgressOffset() const { return m_mediaProgressOffset; }
    QString mediaProgressDuration() const { return m_mediaProgressDuration; }
    QString appVersion() const { return m_appVersion; }
    QString controllerVersion() const { return m_controllerVersion; }
    QString lastMotionCodeUpdate() const { return m_lastMotionCodeUpdate; }
    QString updateMessage() const { return m_updateMessage; }
    QString upgradeMessage() const { return m_upgradeMessage; }
    QString motionCodeStatusColor() const { return m_motionCodeStatusColor; }
    QString motionCodeStatusText() const { return m_motionCodeStatusText; }
    QString audioSourceStatusColor() const { return m_audioSourceStatusColor; }
    QString audioSourceStatusText() const { return m_audioSourceStatusText; }
    QString seatStatusColor() const { return m_seatStatusColor; }
    QString seatStatusText() const { return m_seatStatusText; }
    QString controllerStatusColor() const { return m_controllerStatusColor; }
    QString controllerStatusText() const { return m_controllerStatusText; }
    QString libraryServiceUsername() const { return m_libraryServiceUsername; }
    bool libraryServiceIsRegistered() const { return m_libraryServiceIsRegistered; }
    QString libraryServiceURI() const { return m_libraryServiceURI; }
    bool unitKeyRefused() const { return !m_offeredKey.isEmpty(); }
    QString pinnedKeyFingerprint() const { return m_pinnedKeyFingerprint; }
    QString offeredKeyFingerprint() const { return m_offeredKeyFingerprint; }
    bool controllerLinkEncrypted() const { return m_linkEncrypted; }
    QString unitAddress() const { return m_unitAddress; }
    bool discoveryActive() const { return m_forceHostname.empty(); }
    QStringList recentAddresses() const { return m_recentAddresses; }
    QString keyStoreNotice() const { return m_keyStoreNotice; }

    // WRITE accessors: store and signal every time, except the two flags that signal only on change.
    void setControllerName(const QString& value);
    void setControllerIsConnected(bool value);
    void setMotionDelay(int value);
    void setRecognitionTolerance(int value);
    void setWifiNetworkList(const QVariantList& value);
    void setNetworkInterfaces(const QVariantList& value);
    void setMediaIdentified(bool value);
    void setMediaTitle(const QString& value);
    void setAudioDetected(bool value);
    void setMotionCodeFound(bool value);
    void setMediaProgressOffset(const QString& value);
    void setMediaProgressDuration(const QString& value);
    void setAppVersion(const QString& value);
    void setControllerVersion(const QString& value);
    void setLastMotionCodeUpdate(const QString& value);
    void setUpdateMessage(const QString& value);
    void setUpgradeMessage(const QString& value);
    void setMotionCodeStatusColor(const QString& value);
    void setMotionCodeStatusText(const QString& value);
    void setAudioSourceStatusColor(const QString& value);
    void setAudioSourceStatusText(const QString& value);
    void setSeatStatusColor(const QString& value);
    void setSeatStatusText(const QString& value);
    void setControllerStatusColor(const QString& value);
    void setControllerStatusText(const QString& value);
    void setLibraryServiceUsername(const QString& value);
    void setLibraryServiceIsRegistered(bool value);
    void setLibraryServiceURI(const QString& value);

signals:
    void controllerNameChanged(QString controllerName);
    void controllerIsConnectedChanged();
    void motionDelayChanged(int value);
    void recognitionToleranceChanged(int value);
    void wifiNetworkListChanged(QVariantList value);
    void wifiChangeSuccess(bool success);
    void networkInterfacesChanged(QVariantList value);
    void movieImageChanged(QVariant value);
    void mediaIdentifiedChanged(bool value);
    void mediaTitleChanged(QString value);
    void audioDetectedChanged(bool value);
    void motionCodeFoundChanged(bool value);
    void mediaProgressOffsetChanged(QString value);
    void mediaProgressDurationChanged(QString value);
    void appVersionChanged(QString value);
    void controllerVersionChanged(QString value);
    void lastMotionCodeUpdateChanged(QString value);
    void updateMessageChanged(QString value);
    void upgradeMessageChanged(QString value);
    void motionCodeStatusColorChanged(QString value);
    void motionCodeStatusTextChanged(QString value);
    void audioSourceStatusColorChanged(QString value);
    void audioSourceStatusTextChanged(QString value);
    void seatStatusColorChanged(QString value);
    void seatStatusTextChanged(QString value);
    void controllerStatusColorChanged(QString value);
    void controllerStatusTextChanged(QString value);
    void libraryServiceUsernameChanged(QString value);
    void libraryServiceIsRegisteredChanged(bool value);
    void libraryServiceURIChanged(QString value);
    void libraryServiceResponseReceived();
    void libraryServiceUnsupported();
    // Every network state the unit reports, so that the Wi-Fi wizard can tell when a change took effect.
    void networkStateReceived(bool wifiOnline, bool lanOnline, bool accessPoint, QString ssid);
    void unitKeyChanged();
    void controllerLinkEncryptedChanged();
    void unitAddressChanged();
    void recentAddressesChanged();
    void keyStoreNoticeChanged();

public slots:
    void setMovieImage(QVariant value);
    // Safe to call from any thread: off the GUI thread the update is queued to it.
    void genericResponseCallback(QVariant key, QVariant value);
    void networkStateChangedCb(QVariant isWifiOnline, QVariant isOnline, QVariant isHotspotActive,
                               QVariant ssid, QVariant addresses);
    void setMediaIdentifiedTrue();
    void setMediaIdentifiedFalse();
    void motionCodeStatusCb(QVariant statusColor, QVariant text);
    void audioSourceStatusCb(QVariant statusColor, QVariant text);
    void seatStatusCb(QVariant statusColor, QVariant text);
    void controllerStatusCb(QVariant statusColor, QVariant text);
    void mediaProgressCb(QVariant offset, QVariant duration);
    void upgradeStatusChangedCb(QVariant active, QVariant text);
    void updateStatusChangedCb(QVariant active, QVariant text);
    void vyraVersionReceivedCb(QVariant version);
    void lastUpdateTimestampReceivedCb(QVariant timestamp);
    void loginStatusReceivedSignalCb(QVariant isRegistered, QVariant username, QVariant serviceURI);
    void loginUnsupportedCb();

public:
    Q_INVOKABLE void tryConnectToController();
    Q_INVOKABLE bool chooseController(QString controllerName);
    Q_INVOKABLE void sendMotionDelay(int value);
    Q_INVOKABLE void sendRecognitionTolerance(int value);
    Q_INVOKABLE QString hello();
    Q_INVOKABLE void triggerWifiList();
    Q_INVOKABLE void triggerWifiChange(QString ssid, QString secretKey);
    Q_INVOKABLE void requestHotspotActivation();
    Q_INVOKABLE void triggerNetworkState();
    Q_INVOKABLE void renameMotionController(QString value);
    Q_INVOKABLE void sendLibraryServiceCredentials(QVariant username, QVariant access_token,
                                                   QVariant refresh_token);
    Q_INVOKABLE void triggerGetLibraryServiceLoginStatus();
    Q_INVOKABLE void debugInfo();
    Q_INVOKABLE bool chooseVYRA(QString address, QString name, int port, bool encryption);
    Q_INVOKABLE void removeOldVYRAServers();
    // The user confirmed the key that the chosen unit offers now: connect with it and remember it.
    Q_INVOKABLE void acceptUnitKey();
    // Why `text` cannot name a unit (translated), or an empty text when it can: the rules of -a.
    Q_INVOKABLE QString unitAddressError(QString text) const;
    // Connects to the unit at `text` as -a does (announcement asked by unicast, key pinned), on the messenger
    // that carries every handler and state request; discovery goes on. False for an address -a refuses.
    Q_INVOKABLE bool connectToAddress(QString text);
    // Without -a: the unit connected to last time becomes the one tried first. False when there is none.
    Q_INVOKABLE bool tryLastUnit();
    // The row of VYRAList that holds the unit connected to last time (same unit id, else same address),
    // or -1.
    Q_INVOKABLE int rememberedUnitRow() const;
    // The user has read the key store notice: it is not shown again for the same cause.
    Q_INVOKABLE void dismissKeyStoreNotice();

private:
    void applyGenericResponse(const QVariant& key, const QVariant& value);
    // Hands a key-value signal's pairs to genericResponseCallback through the relay, which outlives us.
    template <typename Signal> void connectKeyValueSignal(Signal& signal);
    std::shared_ptr<Messaging::Messenger> makeDiscoveryMessenger() const;
    // GUI thread only.
    void setUnitKeyMismatch(const QString& offeredKey, const QString& pinnedKey);
    void updateLinkEncrypted();
    bool chooseAddress(const QString& text, const QString& name);
    void setUnitAddress(const QString& value);
    // Keeps the unit just connected to for the next start, and its address when it was named.
    void rememberConnectedUnit();
    void updateKeyStoreNotice();

    std::shared_ptr<Messaging::Messenger> m_messenger;
    QPointer<PosterImageProvider> m_posterImageProvider;
    // Shared with start-up, which may let go first: the Facade keeps them alive until it is gone.
    std::shared_ptr<SeatPaneMgr> m_seatPaneMgr;
    std::shared_ptr<GlobalStatus> m_globalStatus;
    std::string m_serviceName;
    std::string m_forceHostname;
    bool m_is_connected = false;
    std::int32_t m_motion_delay = 0;
    std::int32_t m_recognition_tolerance = 0;
    // The last value asked of the unit, or the one it reported since: a step back to the unit's value
    // before its echo came is still a change the unit must get.
    std::int32_t m_motionDelayAsked = 0;
    std::int32_t m_recognitionToleranceAsked = 0;
    bool m_mediaIdentified = false;
    std::shared_ptr<Messaging::SetVyraNameNotificationSender> m_vyraNameSender;
    std::shared_ptr<Messaging::GetVyraNameNotificationHandler> m_vyraNameHandler;
    std::shared_ptr<Messaging::SetMotionDelayNotificationSender> m_motionDelaySender;
    std::shared_ptr<Messaging::GetMotionDelayNotificationHandler> m_motionDelayHandler;
    std::shared_ptr<Messaging::GetMediaListNotificationHandler> m_mediaListHandler;
    std::shared_ptr<Messaging::SetRecognitionToleranceNotificationSender> m_recognitionToleranceSender;
    std::shared_ptr<Messaging::GetRecognitionToleranceNotificationHandler> m_recognitionToleranceHandler;
    std::shared_ptr<Messaging::GetSeatStatusNotificationHandler> m_seatStatusHandler;
    std::shared_ptr<Messaging::GetWifiListHandler> m_wifiListHandler;
    std::shared_ptr<Messaging::WifiSettingHandler> m_wifiSettingHandler;
    std::shared_ptr<Messaging::GetVYRANetworkStateHandler> m_networkStateHandler;
    std::shared_ptr<Messaging::ConnectionWizardSender> m_connectionWizardSender;
    QVariantList m_wifiNetworkList;
    QVariantList m_networkInterfaces;
    std::shared_ptr<Messaging::ImageDataResponseHandler> m_imageDataResponseHandler;
    QVariant m_movieImage;
    std::shared_ptr<Messaging::GetMediaStatusNotificationHandler> m_mediaStatusHandler;
    std::shared_ptr<Messaging::SetLibraryServiceCredentialsSender> m_libraryServiceCredentialsSender;
    std::shared_ptr<Messaging::GetLibraryServiceLoginStatusHandler> m_libraryServiceLoginStatusHandler;
    QString m_mediaTitle;
    bool m_audioDetected = false;
    bool m_motionCodeFound = false;
    QString m_mediaProgressOffset;
    QString m_mediaProgressDuration;
    QString m_appVersion;
    QString m_controllerVersion;
    QString m_lastMotionCodeUpdate;
    QString m_upgradeMessage;
    QString m_updateMessage;
    QString m_motionCodeStatusColor;
    QString m_motionCodeStatusText;
    QString m_audioSourceStatusColor;
    QString m_audioSourceStatusText;
    QString m_seatStatusColor;
    QString m_seatStatusText;
    QString m_controllerStatusColor;
    QString m_controllerStatusText;
    QString m_libraryServiceUsername;
    bool m_libraryServiceIsRegistered = false;
    QString m_libraryServiceURI;
    QString m_actualControllerName;
    QString m_desiredControllerName;
    std::shared_ptr<Messaging::GetUpgradeAndUpdateNotificationHandler> m_upgradeAndUpdateHandler;
    VYRAListModel* m_vyraListModel = nullptr;
    std::shared_ptr<Messaging::KeyPinStore> m_keyPins;
    QString m_offeredKey; // Z85; empty unless a key was refused
    QString m_pinnedKeyFingerprint;
    QString m_offeredKeyFingerprint;
    bool m_linkEncrypted = false;
    QString m_unitAddress;
    QStringList m_recentAddresses;
    QString m_keyStoreNotice;
    QString m_keyStoreNoticeCause; // kind and path of the notice shown or dismissed last
    // Last, so that it is detached (in the destructor body) before any member goes.
    std::shared_ptr<GuiThreadRelay> m_relay;
};

} // namespace Ulmar
