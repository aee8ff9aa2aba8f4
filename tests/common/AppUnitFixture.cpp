#include "AppUnitFixture.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QtTest>

#include "FreePorts.h"
#include "IsolatedEnvironment.h"

namespace {

QString buildDir()
{
    return qEnvironmentVariable("VYRA_BUILD_DIR");
}

} // namespace

AppUnitFixture::AppUnitFixture(const QString& folder) : m_folder(folder), m_discoveryPort(freeUdpPort()) {}

AppUnitFixture::~AppUnitFixture()
{
    stop();
}

bool AppUnitFixture::programsBuilt()
{
    return QFile::exists(buildDir() + "/bin/VYRA_Control_App") &&
           QFile::exists(buildDir() + "/bin/vyra_simulated_unit");
}

SimulatedUnitProcess* AppUnitFixture::startUnit(const QStringList& arguments, bool announce)
{
    const QString folder = QDir(m_folder).filePath(QString("unit%1").arg(m_units.size() + 1));
    QProcessEnvironment env = isolatedEnvironment(folder);
    env.insert("VYRA_DISCOVERY_PORT", QString::number(m_discoveryPort));
    m_units.push_back(std::make_unique<SimulatedUnitProcess>(folder, env, m_discoveryPort));
    return m_units.back()->start(arguments, announce) ? m_units.back().get() : nullptr;
}

bool AppUnitFixture::startApp(const QStringList& arguments, const QMap<QString, QString>& environment)
{
    stopApp();
    const QString folder = QDir(m_folder).filePath(QString("app%1").arg(++m_appRuns));
    QProcessEnvironment env = isolatedEnvironment(folder);
    env.insert("VYRA_DISCOVERY_PORT", QString::number(m_discoveryPort));
    const QString socket = QDir(folder).filePath("probe.sock");
    env.insert("QT_PLUGIN_PATH", QStringLiteral(VYRA_UI_PROBE_PLUGIN_DIR));
    env.insert("QT_QPA_GENERIC_PLUGINS", "vyrauiprobe");
    env.insert("VYRA_UI_PROBE_SOCKET", socket);
    for (auto it = environment.begin(); it != environment.end(); ++it) {
        if (it.value().isNull())
            env.remove(it.key());
        else
            env.insert(it.key(), it.value());
    }
    QStringList args = arguments;
    if (args.isEmpty() && !m_units.empty())
        args << "-a" << m_units.front()->address();

    m_appLogPath = QDir(m_folder).filePath(QString("app%1.log").arg(m_appRuns));
    m_app = std::make_unique<QProcess>();
    m_app->setProcessEnvironment(env);
    // To a file: an unread pipe would fill up and stall the program.
    m_app->setProcessChannelMode(QProcess::MergedChannels);
    m_app->setStandardOutputFile(m_appLogPath);
    m_app->start(buildDir() + "/bin/VYRA_Control_App", args);
    if (!m_app->waitForStarted(20000))
        return false;
    QDeadlineTimer deadline(30000);
    while (!deadline.hasExpired() && appRunning()) {
        if (m_probe.connectTo(socket) && window().value("ok").toBool())
            return true;
        QTest::qWait(20);
    }
    return false;
}

void AppUnitFixture::stopApp()
{
    m_probe.close();
    if (!m_app)
        return;
    if (m_app->state() != QProcess::NotRunning) {
        m_app->terminate();
        if (!m_app->waitForFinished(20000)) {
            m_app->kill();
            m_app->waitForFinished();
        }
    }
    m_app.reset();
}

QString AppUnitFixture::appLog() const
{
    QFile f(m_appLogPath);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

void AppUnitFixture::stop()
{
    stopApp();
    for (auto& u : m_units)
        u->stop();
}

QVariant AppUnitFixture::get(const QString& name, const QString& prop, const QString& under, bool visibleOnly)
{
    QJsonObject req{{"cmd", "get"}, {"name", name}, {"prop", prop}, {"visibleOnly", visibleOnly}};
    if (!under.isEmpty())
        req.insert("under", under);
    return ask(req).value("value").toVariant();
}

bool AppUnitFixture::set(const QString& name, const QString& prop, const QVariant& value,
                         const QString& under)
{
    QJsonObject req{
        {"cmd", "set"}, {"name", name}, {"prop", prop}, {"value", QJsonValue::fromVariant(value)}};
    if (!under.isEmpty())
        req.insert("under", under);
    return ask(req).value("ok").toBool();
}

bool AppUnitFixture::exists(const QString& name, const QString& under)
{
    QJsonObject req{{"cmd", "get"}, {"name", name}, {"prop", "x"}};
    if (!under.isEmpty())
        req.insert("under", under);
    return ask(req).value("ok").toBool();
}

int AppUnitFixture::count(const QString& prefix, const QString& under)
{
    QJsonObject req{{"cmd", "count"}, {"prefix", prefix}};
    if (!under.isEmpty())
        req.insert("under", under);
    return ask(req).value("count").toInt();
}

bool AppUnitFixture::resize(int width, int height)
{
    ask({{"cmd", "resize"}, {"width", width}, {"height", height}});
    QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
        const QJsonObject w = window();
        if (w.value("width").toInt() == width && w.value("height").toInt() == height)
            return true;
        QTest::qWait(20);
    }
    return false;
}

bool AppUnitFixture::key(int key, Qt::KeyboardModifiers modifiers)
{
    return ask({{"cmd", "key"}, {"key", key}, {"modifiers", int(modifiers)}}).value("ok").toBool();
}

bool AppUnitFixture::type(const QString& text)
{
    return ask({{"cmd", "type"}, {"text", text}}).value("ok").toBool();
}

bool AppUnitFixture::mouse(const QString& action, const QString& name, double fx, double fy,
                           const QString& under, Qt::KeyboardModifiers modifiers)
{
    QJsonObject req{{"cmd", "mouse"}, {"action", action}, {"name", name},
                    {"fx", fx},       {"fy", fy},         {"modifiers", int(modifiers)}};
    if (!under.isEmpty())
        req.insert("under", under);
    return ask(req).value("ok").toBool();
}

bool AppUnitFixture::drag(const QString& name, double fromX, double toX, int steps, const QString& under)
{
    if (!mouse("press", name, fromX, 0.5, under))
        return false;
    // Each move is its own event, handled before the next: the control sees every step of the hand.
    for (int i = 1; i <= steps; ++i) {
        if (!mouse("move", name, fromX + (toX - fromX) * i / steps, 0.5, under))
            return false;
    }
    return mouse("release", name, toX, 0.5, under);
}

bool AppUnitFixture::wheel(const QString& name, int dy, const QString& under)
{
    QJsonObject req{{"cmd", "wheel"}, {"name", name}, {"dy", dy}};
    if (!under.isEmpty())
        req.insert("under", under);
    return ask(req).value("ok").toBool();
}

QRectF AppUnitFixture::rect(const QString& name, const QString& under)
{
    QJsonObject req{{"cmd", "rect"}, {"name", name}};
    if (!under.isEmpty())
        req.insert("under", under);
    const QJsonObject r = ask(req);
    if (!r.value("ok").toBool())
        return QRectF();
    return QRectF(r.value("x").toDouble(), r.value("y").toDouble(), r.value("width").toDouble(),
                  r.value("height").toDouble());
}

bool AppUnitFixture::reveal(const QString& name, const QString& scroller, const QString& under)
{
    const QJsonObject w = window();
    const QRectF area(0, 0, w.value("width").toDouble(), w.value("height").toDouble());
    for (int i = 0; i < 100; ++i) {
        const QRectF r = rect(name, under);
        if (!r.isValid())
            return false;
        if (area.contains(r))
            return true;
        // A notch at a time, as a wheel turns; the page may move on (a flick's end) after each one.
        if (!wheel(scroller, r.bottom() > area.bottom() ? -120 : 120))
            return false;
        // A wheel turn flicks the page; a press while it still moves would only stop it.
        QDeadlineTimer still(5000);
        while (get(scroller, "moving", under).toBool() && !still.hasExpired())
            QTest::qWait(10);
    }
    return false;
}
