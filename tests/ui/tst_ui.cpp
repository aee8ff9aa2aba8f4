// Qt Quick Test runner for the user interface: every test document gets the program's own Facade and models
// (AppSession), fed by a simulated unit on loopback; the documents come from the app's resources.
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickStyle>
#include <QTemporaryDir>
#include <QtQuickTest>

#include "AppSession.h"
#include "ComponentConfigurator.h"
#include "FreePorts.h"
#include "LibraryServiceSignIn.h"
#include "QAutoDiscoveryComponent.h"
#include "TestNet.h"

class Setup : public QObject
{
    Q_OBJECT
public:
    Setup()
    {
        // A private home for the settings and the remembered unit keys, before anything reads them.
        qputenv("HOME", m_home.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", (m_home.path() + "/config").toLocal8Bit());
        qputenv("XDG_DATA_HOME", (m_home.path() + "/data").toLocal8Bit());
    }

public slots:
    void applicationAvailable()
    {
        QQuickStyle::setStyle("Material");
        // Discovery on a port of this run's own, never the shared one.
        m_discoveryPort = freeUdpPort();
        qputenv("VYRA_DISCOVERY_PORT", QByteArray::number(m_discoveryPort));
        UlmarExportQAutoDiscoveryComponent();
        if (m_components.Init() != Ulmar::Component::Success ||
            m_components.Resume() != Ulmar::Component::Success)
            qFatal("the discovery component did not start");
    }
    void qmlEngineAvailable(QQmlEngine* engine)
    {
        Ulmar::LibraryServiceSignIn::registerQmlType();
        // One fresh program per test document: each document gets its own engine, which owns the session.
        new AppSession(engine, m_discoveryPort);
        auto* net = new TestNet;
        net->setParent(engine);
        engine->rootContext()->setContextProperty("testNet", net);
    }
    void cleanupTestCase()
    {
        m_components.Suspend();
        m_components.Shutdown();
    }

private:
    QTemporaryDir m_home;
    quint16 m_discoveryPort = 0;
    Ulmar::ComponentConfigurator m_components;
};

QUICK_TEST_MAIN_WITH_SETUP(ui, Setup)

#include "tst_ui.moc"
