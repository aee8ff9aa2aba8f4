#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

namespace Ulmar {

// The token request of the library-service sign-in. The user's password goes out only while the link to
// the unit is trusted (encrypted with its remembered key) and only to a service address that passes
// checkServiceUri: https:// with the platform's certificate checks, or http:// to a loopback address (the
// simulated unit's demo service). No redirect is followed, the answer is read up to MaxResponseBytes and
// the whole exchange ends after TimeoutMs. Exposed to QML as LibraryServiceSignIn.
class LibraryServiceSignIn : public QObject
{
    Q_OBJECT
    // The address the unit reports (api.libraryServiceURI).
    Q_PROPERTY(QString serviceUri READ serviceUri WRITE setServiceUri NOTIFY serviceUriChanged)
    // The link to the unit is encrypted with its remembered key (api.controllerLinkEncrypted).
    Q_PROPERTY(bool linkTrusted READ linkTrusted WRITE setLinkTrusted NOTIFY linkTrustedChanged)
    // Why serviceUri cannot be used; NoProblem for an empty address too (the widget says so on Sign In).
    Q_PROPERTY(AddressProblem addressProblem READ addressProblem NOTIFY serviceUriChanged)
    // Where the password would go, "host" or "host:port" (international names in their ASCII form, so that
    // look-alike letters show); empty when the address is refused or empty.
    Q_PROPERTY(QString serviceHost READ serviceHost NOTIFY serviceUriChanged)

public:
    enum AddressProblem
    {
        NoProblem,
        Malformed,
        SchemeNotAllowed, // neither https:// nor http:// to a loopback address
        UserInfo          // a user name or password already in the address
    };
    Q_ENUM(AddressProblem)

    // A token answer is a few hundred bytes; anything above this is not one.
    static constexpr qint64 MaxResponseBytes = 64 * 1024;
    static constexpr int TimeoutMs = 5000;
    static constexpr int MaxUriChars = 2048;

    explicit LibraryServiceSignIn(QObject* parent = nullptr);
    ~LibraryServiceSignIn() override;

    static void registerQmlType();
    static AddressProblem checkServiceUri(const QString& uri, QUrl* parsed = nullptr);

    QString serviceUri() const { return m_serviceUri; }
    void setServiceUri(const QString& uri);
    bool linkTrusted() const { return m_linkTrusted; }
    void setLinkTrusted(bool trusted);
    AddressProblem addressProblem() const { return m_problem; }
    QString serviceHost() const { return m_host; }

    // Posts `body` (form-encoded) to `tokenUri`, which must lie on the same scheme, host and port as
    // serviceUri. Any request under way is dropped first. The outcome always comes through finished(),
    // never from within this call.
    Q_INVOKABLE void post(const QString& tokenUri, const QString& body);
    Q_INVOKABLE void abort();

signals:
    void serviceUriChanged();
    void linkTrustedChanged();
    // status: the HTTP status, 0 when none came. answered: the service sent a status line (a slow, cut or
    // oversized answer after it is not a token answer). refused: nothing was sent (link or address).
    void finished(int status, const QString& responseText, bool answered, bool refused);

private:
    void onMetaDataChanged();
    void onReadyRead();
    void onTimeout();
    void conclude();
    void giveUp(const char* why);
    void finishLater(int status, const QString& text, bool answered, bool refused);

    QNetworkAccessManager* m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
    QTimer m_timeout;
    QByteArray m_body;
    bool m_answered = false;
    bool m_gaveUp = false;
    quint64 m_generation = 0;

    QString m_serviceUri;
    QUrl m_serviceUrl;
    QString m_host;
    AddressProblem m_problem = NoProblem;
    bool m_linkTrusted = false;
};

} // namespace Ulmar
