#pragma once
// Stand-ins for the context objects the QML reads (api, seatsModel, mediaList,
// VYRAList, settings), so page and widget logic can be tested without a unit.
// Every call from QML is recorded in order for the tests to inspect.

#include <QAbstractListModel>
#include <QObject>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QVariant>

#include <memory>
#include <vector>

#include "MediaListIndex.h"
#include "MediaListTableModel.h"

class StandInApi : public QObject
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
    // Written by the tests (read-only in the real api).
    Q_PROPERTY(bool unitKeyRefused MEMBER m_unitKeyRefused NOTIFY unitKeyChanged)
    Q_PROPERTY(QString pinnedKeyFingerprint MEMBER m_pinnedKeyFingerprint NOTIFY unitKeyChanged)
    Q_PROPERTY(QString offeredKeyFingerprint MEMBER m_offeredKeyFingerprint NOTIFY unitKeyChanged)
    Q_PROPERTY(
        bool controllerLinkEncrypted MEMBER m_controllerLinkEncrypted NOTIFY controllerLinkEncryptedChanged)
    Q_PROPERTY(QVariantList calls READ calls NOTIFY callsChanged)
    Q_PROPERTY(bool chooseResult MEMBER m_chooseResult)

public:
    QString controllerName() const { return m_controllerName; }
    void setControllerName(const QString& v)
    {
        m_controllerName = v;
        emit controllerNameChanged();
    }
    bool controllerIsConnected() const { return m_controllerIsConnected; }
    void setControllerIsConnected(const bool& v)
    {
        m_controllerIsConnected = v;
        emit controllerIsConnectedChanged();
    }
    int motionDelay() const { return m_motionDelay; }
    void setMotionDelay(const int& v)
    {
        m_motionDelay = v;
        emit motionDelayChanged();
    }
    int recognitionTolerance() const { return m_recognitionTolerance; }
    void setRecognitionTolerance(const int& v)
    {
        m_recognitionTolerance = v;
        emit recognitionToleranceChanged();
    }
    QVariantList wifiNetworkList() const { return m_wifiNetworkList; }
    void setWifiNetworkList(const QVariantList& v)
    {
        m_wifiNetworkList = v;
        emit wifiNetworkListChanged();
    }
    QVariantList networkInterfaces() const { return m_networkInterfaces; }
    void setNetworkInterfaces(const QVariantList& v)
    {
        m_networkInterfaces = v;
        emit networkInterfacesChanged();
    }
    QVariant movieImage() const { return m_movieImage; }
    void setMovieImage(const QVariant& v)
    {
        m_movieImage = v;
        emit movieImageChanged();
    }
    bool mediaIdentified() const { return m_mediaIdentified; }
    void setMediaIdentified(const bool& v)
    {
        m_mediaIdentified = v;
        emit mediaIdentifiedChanged();
    }
    QString mediaTitle() const { return m_mediaTitle; }
    void setMediaTitle(const QString& v)
    {
        m_mediaTitle = v;
        emit mediaTitleChanged();
    }
    bool audioDetected() const { return m_audioDetected; }
    void setAudioDetected(const bool& v)
    {
        m_audioDetected = v;
        emit audioDetectedChanged();
    }
    bool motionCodeFound() const { return m_motionCodeFound; }
    void setMotionCodeFound(const bool& v)
    {
        m_motionCodeFound = v;
        emit motionCodeFoundChanged();
    }
    QString mediaProgressOffset() const { return m_mediaProgressOffset; }
    void setMediaProgressOffset(const QString& v)
    {
        m_mediaProgressOffset = v;
        emit mediaProgressOffsetChanged();
    }
    QString mediaProgressDuration() const { return m_mediaProgressDuration; }
    void setMediaProgressDuration(const QString& v)
    {
        m_mediaProgressDuration = v;
        emit mediaProgressDurationChanged();
    }
    QString appVersion() const { return m_appVersion; }
    void setAppVersion(const QString& v)
    {
        m_appVersion = v;
        emit appVersionChanged();
    }
    QString controllerVersion() const { return m_controllerVersion; }
    void setControllerVersion(const QString& v)
    {
        m_controllerVersion = v;
        emit controllerVersionChanged();
    }
    QString lastMotionCodeUpdate() const { return m_lastMotionCodeUpdate; }
    void setLastMotionCodeUpdate(const QString& v)
    {
        m_lastMotionCodeUpdate = v;
        emit lastMotionCodeUpdateChanged();
    }
    QString updateMessage() const { return m_updateMessage; }
    void setUpdateMessage(const QString& v)
    {
        m_updateMessage = v;
        emit updateMessageChanged();
    }
    QString upgradeMessage() const { return m_upgradeMessage; }
    void setUpgradeMessage(const QString& v)
    {
        m_upgradeMessage = v;
        emit upgradeMessageChanged();
    }
    QString motionCodeStatusColor() const { return m_motionCodeStatusColor; }
    void setMotionCodeStatusColor(const QString& v)
    {
        m_motionCodeStatusColor = v;
        emit motionCodeStatusColorChanged();
    }
    QString motionCodeStatusText() const { return m_motionCodeStatusText; }
    void setMotionCodeStatusText(const QString& v)
    {
        m_motionCodeStatusText = v;
        emit motionCodeStatusTextChanged();
    }
    QString audioSourceStatusColor() const { return m_audioSourceStatusColor; }
    void setAudioSourceStatusColor(const QString& v)
    {
        m_audioSourceStatusColor = v;
        emit audioSourceStatusColorChanged();
    }
    QString audioSourceStatusText() const { return m_audioSourceStatusText; }
    void setAudioSourceStatusText(const QString& v)
    {
        m_audioSourceStatusText = v;
        emit audioSourceStatusTextChanged();
    }
    QString seatStatusColor() const { return m_seatStatusColor; }
    void setSeatStatusColor(const QString& v)
    {
        m_seatStatusColor = v;
        emit seatStatusColorChanged();
    }
    QString seatStatusText() const { return m_seatStatusText; }
    void setSeatStatusText(const QString& v)
    {
        m_seatStatusText = v;
        emit seatStatusTextChanged();
    }
    QString controllerStatusColor() const { return m_controllerStatusColor; }
    void setControllerStatusColor(const QString& v)
    {
        m_controllerStatusColor = v;
        emit controllerStatusColorChanged();
    }
    QString controllerStatusText() const { return m_controllerStatusText; }
    void setControllerStatusText(const QString& v)
    {
        m_controllerStatusText = v;
        emit controllerStatusTextChanged();
    }
    QString libraryServiceUsername() const { return m_libraryServiceUsername; }
    void setLibraryServiceUsername(const QString& v)
    {
        m_libraryServiceUsername = v;
        emit libraryServiceUsernameChanged();
    }
    bool libraryServiceIsRegistered() const { return m_libraryServiceIsRegistered; }
    void setLibraryServiceIsRegistered(const bool& v)
    {
        m_libraryServiceIsRegistered = v;
        emit libraryServiceIsRegisteredChanged();
    }
    QString libraryServiceURI() const { return m_libraryServiceURI; }
    void setLibraryServiceURI(const QString& v)
    {
        m_libraryServiceURI = v;
        emit libraryServiceURIChanged();
    }
    QVariantList calls() const { return m_calls; }

    Q_INVOKABLE void tryConnectToController() { record("tryConnectToController"); }
    Q_INVOKABLE QString hello()
    {
        record("hello");
        return QStringLiteral("hello");
    }
    Q_INVOKABLE void sendMotionDelay(int v) { record("sendMotionDelay", {v}); }
    Q_INVOKABLE void sendRecognitionTolerance(int v) { record("sendRecognitionTolerance", {v}); }
    Q_INVOKABLE void triggerWifiList() { record("triggerWifiList"); }
    Q_INVOKABLE void triggerWifiChange(const QString& ssid, const QString& key)
    {
        record("triggerWifiChange", {ssid, key});
    }
    Q_INVOKABLE void requestHotspotActivation() { record("requestHotspotActivation"); }
    Q_INVOKABLE void triggerNetworkState() { record("triggerNetworkState"); }
    Q_INVOKABLE void renameMotionController(const QString& v) { record("renameMotionController", {v}); }
    Q_INVOKABLE void sendLibraryServiceCredentials(const QVariant& u, const QVariant& a, const QVariant& r)
    {
        record("sendLibraryServiceCredentials", {u, a, r});
    }
    Q_INVOKABLE void triggerGetLibraryServiceLoginStatus() { record("triggerGetLibraryServiceLoginStatus"); }
    Q_INVOKABLE void debugInfo() { record("debugInfo"); }
    Q_INVOKABLE bool chooseVYRA(const QString& address, const QString& name, int port, bool encryption)
    {
        record("chooseVYRA", {address, name, port, encryption});
        if (m_chooseResult)
            setControllerName(name);
        return m_chooseResult;
    }
    Q_INVOKABLE void removeOldVYRAServers() { record("removeOldVYRAServers"); }
    Q_INVOKABLE void acceptUnitKey() { record("acceptUnitKey"); }

    // Test controls.
    Q_INVOKABLE void clearCalls()
    {
        m_calls.clear();
        emit callsChanged();
    }
    Q_INVOKABLE QVariantList callsNamed(const QString& name) const;
    Q_INVOKABLE void emitWifiChangeSuccess(bool success) { emit wifiChangeSuccess(success); }
    Q_INVOKABLE void emitNetworkState(bool wifiOnline, bool lanOnline, bool accessPoint, const QString& ssid)
    {
        emit networkStateReceived(wifiOnline, lanOnline, accessPoint, ssid);
    }
    Q_INVOKABLE void emitLibraryServiceResponseReceived() { emit libraryServiceResponseReceived(); }
    Q_INVOKABLE void emitLibraryServiceUnsupported() { emit libraryServiceUnsupported(); }

signals:
    void controllerNameChanged();
    void controllerIsConnectedChanged();
    void motionDelayChanged();
    void recognitionToleranceChanged();
    void wifiNetworkListChanged();
    void wifiChangeSuccess(bool success);
    void networkStateReceived(bool wifiOnline, bool lanOnline, bool accessPoint, QString ssid);
    void networkInterfacesChanged();
    void movieImageChanged();
    void mediaIdentifiedChanged();
    void mediaTitleChanged();
    void audioDetectedChanged();
    void motionCodeFoundChanged();
    void mediaProgressOffsetChanged();
    void mediaProgressDurationChanged();
    void appVersionChanged();
    void controllerVersionChanged();
    void lastMotionCodeUpdateChanged();
    void updateMessageChanged();
    void upgradeMessageChanged();
    void motionCodeStatusColorChanged();
    void motionCodeStatusTextChanged();
    void audioSourceStatusColorChanged();
    void audioSourceStatusTextChanged();
    void seatStatusColorChanged();
    void seatStatusTextChanged();
    void controllerStatusColorChanged();
    void controllerStatusTextChanged();
    void libraryServiceUsernameChanged();
    void libraryServiceIsRegisteredChanged();
    void libraryServiceURIChanged();
    void libraryServiceResponseReceived();
    void libraryServiceUnsupported();
    void unitKeyChanged();
    void controllerLinkEncryptedChanged();
    void callsChanged();

private:
    void record(const QString& name, const QVariantList& args = {})
    {
        m_calls.append(QVariantMap{{"name", name}, {"args", args}});
        emit callsChanged();
    }
    QString m_controllerName{};
    bool m_unitKeyRefused{};
    QString m_pinnedKeyFingerprint{};
    QString m_offeredKeyFingerprint{};
    bool m_controllerLinkEncrypted{true};
    bool m_controllerIsConnected{};
    int m_motionDelay{};
    int m_recognitionTolerance{};
    QVariantList m_wifiNetworkList{};
    QVariantList m_networkInterfaces{};
    QVariant m_movieImage{};
    bool m_mediaIdentified{};
    QString m_mediaTitle{};
    bool m_audioDetected{};
    bool m_motionCodeFound{};
    QString m_mediaProgressOffset{};
    QString m_mediaProgressDuration{};
    QString m_appVersion{};
    QString m_controllerVersion{};
    QString m_lastMotionCodeUpdate{};
    QString m_updateMessage{};
    QString m_upgradeMessage{};
    QString m_motionCodeStatusColor{};
    QString m_motionCodeStatusText{};
    QString m_audioSourceStatusColor{};
    QString m_audioSourceStatusText{};
    QString m_seatStatusColor{};
    QString m_seatStatusText{};
    QString m_controllerStatusColor{};
    QString m_controllerStatusText{};
    QString m_libraryServiceUsername{};
    bool m_libraryServiceIsRegistered{};
    QString m_libraryServiceURI{};
    QVariantList m_calls;
    bool m_chooseResult = true;
};

// Rows with the roles of the seat model; triggerUpdate() is counted.
class StandInSeatModel : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(int updates MEMBER m_updates NOTIFY updatesChanged)
    Q_PROPERTY(int seatsToShow MEMBER m_seatsToShow NOTIFY seatsToShowChanged)

public:
    enum Role
    {
        Index = Qt::UserRole + 1,
        Active,
        Muted,
        Locked,
        Motion,
        Vibration
    };
    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_rows.size());
    }
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QHash<int, QByteArray> roleNames() const override;

    Q_INVOKABLE void triggerUpdate()
    {
        ++m_updates;
        emit updatesChanged();
    }
    // Test controls.
    Q_INVOKABLE void resetSeats(int count);
    // A long list heading for `count` rows, as the real model announces it before its rows follow.
    Q_INVOKABLE void headFor(int count)
    {
        m_seatsToShow = count;
        emit seatsToShowChanged();
    }
    Q_INVOKABLE void removeLastRows(int count);
    Q_INVOKABLE void setSeat(int row, bool active, bool muted, bool locked, double motion, double vibration);
    Q_INVOKABLE QVariantMap seat(int row) const;
    Q_INVOKABLE int updateCount() const { return m_updates; }
    Q_INVOKABLE void clearUpdates()
    {
        m_updates = 0;
        emit updatesChanged();
    }

signals:
    void updatesChanged();
    void seatsToShowChanged();

private:
    struct Seat
    {
        int index = 0;
        bool active = true, muted = false, locked = false;
        double motion = 0, vibration = 0;
    };
    std::vector<Seat> m_rows;
    int m_updates = 0;
    int m_seatsToShow = 0;
};

// The discovered-unit list: data roles 0..3 are name, address, port, encryption.
class StandInUnitList : public QAbstractListModel
{
    Q_OBJECT
public:
    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_units.size());
    }
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override { return {{0, "name"}, {1, "address"}, {2, "port"}}; }
    Q_INVOKABLE void addUnit(const QString& name, const QString& address, int port, bool encrypted);
    Q_INVOKABLE void renameUnit(int row, const QString& name);
    Q_INVOKABLE void removeUnit(int row);
    Q_INVOKABLE void clearUnits();

private:
    struct Unit
    {
        QString name, address;
        int port;
        bool encrypted;
    };
    std::vector<Unit> m_units;
};

// The media list as the library page sees it: the calls the page makes, and rows pushed by the test, shown in
// a real table model.
class StandInMediaList : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QVariantList calls MEMBER m_calls NOTIFY callsChanged)
    Q_PROPERTY(QAbstractItemModel* tableModel READ tableModel NOTIFY tableModelChanged)
public:
    StandInMediaList();
    QAbstractItemModel* tableModel() const;

    Q_INVOKABLE void clearCalls()
    {
        m_calls.clear();
        emit callsChanged();
    }
    // A table as a new library page finds it before any library arrived.
    Q_INVOKABLE void resetTable();
    // Shows these rows (maps of "title", "duration", "releaseDate", "cut"; missing fields are empty).
    Q_INVOKABLE void pushRows(const QVariantList& rows);
    // Shows the rows pushed last in the opposite order, as a sort does.
    Q_INVOKABLE void reverseRows();

public slots:
    void triggerSearchMediaLibrary(const QVariant& text)
    {
        m_calls.append(QVariantMap{{"name", "search"}, {"text", text}});
        emit callsChanged();
    }
    void triggerSortMediaLibrary(const QVariant& column, const QVariant& ascending)
    {
        m_calls.append(QVariantMap{{"name", "sort"}, {"column", column}, {"ascending", ascending}});
        emit callsChanged();
    }
    void triggerShowMediaLibrary()
    {
        m_calls.append(QVariantMap{{"name", "show"}});
        emit callsChanged();
    }

signals:
    void clearTableSignal();
    void appendRowToTableSignal(QVariant data);
    void callsChanged();
    void tableModelChanged();

private:
    QVariantList m_calls;
    std::unique_ptr<Ulmar::Messaging::MediaListTableModel> m_table;
    std::shared_ptr<const Ulmar::Messaging::MediaListIndex> m_index;
    std::vector<std::uint32_t> m_order;
};

class StandInSettings : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool showDialogOnStartup READ showDialogOnStartup WRITE setShowDialogOnStartup NOTIFY
                   showDialogOnStartupChanged)
    Q_PROPERTY(int writes MEMBER m_writes NOTIFY showDialogOnStartupChanged)
public:
    bool showDialogOnStartup() const { return m_value; }
    void setShowDialogOnStartup(bool v)
    {
        m_value = v;
        ++m_writes;
        emit showDialogOnStartupChanged(v);
    }
signals:
    void showDialogOnStartupChanged(bool value);

private:
    bool m_value = false;
    int m_writes = 0;
};

// Records every log message (and passes it on), so tests can check what was logged.
void installLogRecorder();

// Network fixtures for the sign-in tests: the node token server, a port that
// accepts connections and never answers, and a port where nothing listens.
class TestNet : public QObject
{
    Q_OBJECT
public:
    ~TestNet() override;
    Q_INVOKABLE int startTokenServer(const QString& username, const QString& password);
    Q_INVOKABLE QStringList issuedTokens();
    Q_INVOKABLE int silentPort();
    Q_INVOKABLE int closedPort();
    // A port whose HTTP server answers every request with this status and JSON body.
    Q_INVOKABLE int fixedAnswerPort(int status, const QString& body);
    Q_INVOKABLE QString tokenServerOutput() const { return m_output; }
    Q_INVOKABLE void stopTokenServer();
    // Starts recording log messages (the test library replaces handlers as it runs).
    Q_INVOKABLE void recordLog() { installLogRecorder(); }
    // Whether any message recorded so far contains `text`.
    Q_INVOKABLE bool logContains(const QString& text) const;

private:
    std::unique_ptr<QProcess> m_node;
    QString m_output;
    QTcpServer m_silent;
    QTcpServer m_fixed;
    QByteArray m_fixedAnswer;
    std::vector<QTcpSocket*> m_held;
};
