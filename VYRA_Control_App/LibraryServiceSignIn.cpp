#include "LibraryServiceSignIn.h"

#include <QDebug>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QQmlEngine>

#include "LogCategories.h"

namespace Ulmar {

namespace {

bool isLoopbackLiteral(const QString& host)
{
    QHostAddress address;
    return address.setAddress(host) && address.isLoopback();
}

// For the log: never a user part, never more than a line.
QString loggable(const QUrl& url)
{
    return url.toString(QUrl::RemoveUserInfo | QUrl::FullyEncoded).left(200);
}

const char* problemText(LibraryServiceSignIn::AddressProblem problem)
{
    switch (problem) {
    case LibraryServiceSignIn::Malformed:
        return "malformed";
    case LibraryServiceSignIn::SchemeNotAllowed:
        return "neither https:// nor http:// to a loopback address";
    case LibraryServiceSignIn::UserInfo:
        return "a user part in the address";
    case LibraryServiceSignIn::NoProblem:
        break;
    }
    return "none";
}

} // namespace

LibraryServiceSignIn::LibraryServiceSignIn(QObject* parent)
    : QObject(parent), m_network(new QNetworkAccessManager(this))
{
    m_timeout.setSingleShot(true);
    // A coarse timer may fire 5 % early: the service gets its whole time.
    m_timeout.setTimerType(Qt::PreciseTimer);
    m_timeout.setInterval(TimeoutMs);
    connect(&m_timeout, &QTimer::timeout, this, &LibraryServiceSignIn::onTimeout);
}

LibraryServiceSignIn::~LibraryServiceSignIn()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

void LibraryServiceSignIn::registerQmlType()
{
    qmlRegisterType<LibraryServiceSignIn>("Vyra.SignIn", 1, 0, "LibraryServiceSignIn");
}

LibraryServiceSignIn::AddressProblem LibraryServiceSignIn::checkServiceUri(const QString& uri, QUrl* parsed)
{
    if (uri.size() > MaxUriChars)
        return Malformed;
    const QUrl url(uri, QUrl::StrictMode);
    if (!url.isValid() || url.isRelative())
        return Malformed;
    if (!url.userInfo().isEmpty())
        return UserInfo;
    const QString scheme = url.scheme();
    if (scheme != QLatin1String("https") && scheme != QLatin1String("http"))
        return SchemeNotAllowed;
    if (url.host().isEmpty())
        return Malformed;
    if (scheme == QLatin1String("http") && !isLoopbackLiteral(url.host()))
        return SchemeNotAllowed;
    if (parsed)
        *parsed = url;
    return NoProblem;
}

void LibraryServiceSignIn::setServiceUri(const QString& uri)
{
    if (uri == m_serviceUri)
        return;
    m_serviceUri = uri;
    m_serviceUrl = QUrl();
    m_host.clear();
    m_problem = uri.isEmpty() ? NoProblem : checkServiceUri(uri, &m_serviceUrl);
    if (m_problem == NoProblem && m_serviceUrl.isValid()) {
        m_host = m_serviceUrl.host(QUrl::EncodeUnicode);
        if (m_host.contains(QLatin1Char(':')))
            m_host = QLatin1Char('[') + m_host + QLatin1Char(']');
        if (m_serviceUrl.port() >= 0)
            m_host += QLatin1Char(':') + QString::number(m_serviceUrl.port());
    } else if (m_problem == Malformed) {
        qCWarning(lcLibrary, "Library service address of the unit refused: malformed (%d characters)",
                  int(uri.size()));
    } else if (m_problem != NoProblem) {
        qCWarning(lcLibrary, "Library service address of the unit refused (%s): %s", problemText(m_problem),
                  qPrintable(loggable(QUrl(uri, QUrl::TolerantMode))));
    }
    emit serviceUriChanged();
}

void LibraryServiceSignIn::setLinkTrusted(bool trusted)
{
    if (trusted == m_linkTrusted)
        return;
    m_linkTrusted = trusted;
    emit linkTrustedChanged();
}

void LibraryServiceSignIn::post(const QString& tokenUri, const QString& body)
{
    abort();
    if (!m_linkTrusted) {
        qCWarning(
            lcLibrary,
            "Library service sign-in refused: the link to the unit is not encrypted with its remembered "
            "key");
        finishLater(0, QString(), false, true);
        return;
    }
    if (m_serviceUri.isEmpty() || m_problem != NoProblem) {
        qCWarning(lcLibrary,
                  "Library service sign-in refused: the unit's service address cannot be used (%s)",
                  m_serviceUri.isEmpty() ? "empty" : problemText(m_problem));
        finishLater(0, QString(), false, true);
        return;
    }
    // The token address is built from the service address as text; it must still name the same place once
    // parsed, whatever characters the unit put in its address.
    const QUrl url(tokenUri, QUrl::TolerantMode);
    if (!url.isValid() || url.scheme() != m_serviceUrl.scheme() || url.host() != m_serviceUrl.host() ||
        url.port() != m_serviceUrl.port()) {
        qCWarning(lcLibrary,
                  "Library service sign-in refused: the token address does not lie on the service address");
        finishLater(0, QString(), false, true);
        return;
    }

    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArrayLiteral("application/x-www-form-urlencoded"));
    // A redirect would carry the password to wherever the service points: none is followed.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    m_body.clear();
    m_answered = false;
    m_gaveUp = false;
    qCInfo(lcLibrary, "Library service request to %s", qPrintable(m_host));
    m_reply = m_network->post(request, body.toUtf8());
    // Flow control: the network layer reads no further ahead of us than the answer may be long.
    m_reply->setReadBufferSize(MaxResponseBytes);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &LibraryServiceSignIn::onMetaDataChanged);
    connect(m_reply, &QNetworkReply::readyRead, this, &LibraryServiceSignIn::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &LibraryServiceSignIn::conclude);
    m_timeout.start();
}

void LibraryServiceSignIn::abort()
{
    ++m_generation;
    m_timeout.stop();
    if (!m_reply)
        return;
    QNetworkReply* reply = m_reply;
    m_reply = nullptr;
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
    m_body.clear();
}

void LibraryServiceSignIn::onMetaDataChanged()
{
    if (!m_reply)
        return;
    if (m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid())
        m_answered = true;
    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toLongLong() > MaxResponseBytes)
        giveUp("the answer announces more than the longest token answer");
}

void LibraryServiceSignIn::onReadyRead()
{
    if (!m_reply)
        return;
    m_body += m_reply->read(MaxResponseBytes + 1 - m_body.size());
    if (m_body.size() > MaxResponseBytes)
        giveUp("the answer is longer than the longest token answer");
}

void LibraryServiceSignIn::onTimeout()
{
    if (m_reply)
        giveUp("no complete answer in time");
}

void LibraryServiceSignIn::giveUp(const char* why)
{
    qCWarning(lcLibrary, "Library service request stopped: %s (at most %lld bytes within %d ms)", why,
              static_cast<long long>(MaxResponseBytes), TimeoutMs);
    m_gaveUp = true;
    m_body.clear();
    // Finishes the reply at once, and conclude() reports it; a reply that had finished already says nothing
    // more, so report it here.
    m_reply->abort();
    if (m_reply)
        conclude();
}

void LibraryServiceSignIn::conclude()
{
    QNetworkReply* reply = m_reply;
    if (!reply)
        return;
    m_reply = nullptr;
    m_timeout.stop();
    reply->disconnect(this);
    reply->deleteLater();
    if (m_gaveUp) {
        m_body.clear();
        m_body.squeeze();
        emit finished(0, QString(), m_answered, false);
        return;
    }
    m_body += reply->read(MaxResponseBytes + 1 - m_body.size());
    if (m_body.size() > MaxResponseBytes) {
        qCWarning(lcLibrary,
                  "Library service request stopped: the answer is longer than the longest token answer (at "
                  "most %lld bytes)",
                  static_cast<long long>(MaxResponseBytes));
        m_body.clear();
        m_body.squeeze();
        emit finished(0, QString(), true, false);
        return;
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 300 && status < 400)
        qCWarning(lcLibrary, "Library service answered with a redirect (%d): not followed", status);
    const QString text = QString::fromUtf8(m_body);
    m_body.clear();
    m_body.squeeze();
    emit finished(status, text, status != 0, false);
}

void LibraryServiceSignIn::finishLater(int status, const QString& text, bool answered, bool refused)
{
    const quint64 generation = m_generation;
    QMetaObject::invokeMethod(
        this,
        [this, generation, status, text, answered, refused] {
            if (generation == m_generation)
                emit finished(status, text, answered, refused);
        },
        Qt::QueuedConnection);
}

} // namespace Ulmar
