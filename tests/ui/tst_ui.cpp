// Qt Quick Test runner for the user interface: publishes stand-in context objects
// under the names the documents use; the documents come from the app's resources.
#include "StandIns.h"

#include "LibraryServiceSignIn.h"

#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickImageProvider>
#include <QQuickStyle>
#include <QtQuickTest>

// Serves a plain poster-shaped picture under any id, as the real provider does.
class StandInPosterProvider : public QQuickImageProvider
{
public:
    StandInPosterProvider() : QQuickImageProvider(QQuickImageProvider::Image) {}
    QImage requestImage(const QString&, QSize* size, const QSize&) override
    {
        QImage image(365, 475, QImage::Format_RGB32);
        image.fill(Qt::darkGray);
        if (size)
            *size = image.size();
        return image;
    }
};

class Setup : public QObject
{
    Q_OBJECT
public slots:
    void applicationAvailable() { QQuickStyle::setStyle("Material"); }
    void qmlEngineAvailable(QQmlEngine* engine)
    {
        Ulmar::LibraryServiceSignIn::registerQmlType();
        // One fresh set per test file: each TestCase document gets its own engine.
        auto* api = new StandInApi;
        auto* seats = new StandInSeatModel;
        auto* media = new StandInMediaList;
        auto* units = new StandInUnitList;
        auto* settings = new StandInSettings;
        auto* net = new TestNet;
        for (QObject* o : std::initializer_list<QObject*>{api, seats, media, units, settings, net})
            o->setParent(engine);
        engine->addImageProvider("posterimageprovider", new StandInPosterProvider);
        engine->rootContext()->setContextProperty("api", api);
        engine->rootContext()->setContextProperty("seatsModel", seats);
        engine->rootContext()->setContextProperty("mediaList", media);
        engine->rootContext()->setContextProperty("VYRAList", units);
        engine->rootContext()->setContextProperty("settings", settings);
        engine->rootContext()->setContextProperty("testNet", net);
    }
};

QUICK_TEST_MAIN_WITH_SETUP(ui, Setup)

#include "tst_ui.moc"
