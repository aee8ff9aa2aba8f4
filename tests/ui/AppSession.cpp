#include "AppSession.h"

#include <chrono>

#include <QAbstractItemModelTester>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QQmlContext>
#include <QQmlEngine>

#include "Facade.h"
#include "GlobalStatus.h"
#include "MediaListTableModel.h"
#include "MediaListVirtualModel.h"
#include "Messenger.h"
#include "PosterImageProvider.h"
#include "SeatPaneMgr.h"
#include "Settings.h"
#include "ThreadAffineDeleter.h"
#include "UiUnit.h"
#include "VYRAListModel.h"

using namespace Ulmar;

namespace {
template <typename Condition> bool waitFor(Condition condition, int timeoutMs = 20000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}
// Each document's unit has a key of its own, so it has a name of its own too: a remembered name offering
// another key at another address is refused as an impostor.
QString nextUnitName()
{
    static int documents = 0;
    return QStringLiteral("Lounge %1-%2").arg(QCoreApplication::applicationPid()).arg(++documents);
}
} // namespace

AppSession::AppSession(QQmlEngine* engine, quint16 discoveryPort)
    : QObject(engine), m_discoveryPort(discoveryPort), m_messengersBefore(Messaging::Messenger::instances()),
      m_unit(new UiUnit(nextUnitName(), discoveryPort, true, this))
{
    // As start-up does: the engine owns the provider; the Facade holds it weakly.
    auto* provider = new PosterImageProvider();
    m_seats = ThreadAffineDeleter::make<SeatPaneMgr>(1000);
    m_status = ThreadAffineDeleter::make<GlobalStatus>();
    m_facade = ThreadAffineDeleter::make<Facade>(nullptr, provider, m_seats, m_status, "VYRA", std::string());
    m_settings = std::make_unique<tavik::Settings>(nullptr);

    engine->addImageProvider("posterimageprovider", provider);
    QQmlContext* context = engine->rootContext();
    context->setContextProperty("poster", provider);
    context->setContextProperty("api", m_facade.get());
    context->setContextProperty("seatsModel", m_seats.get());
    connect(m_seats.get(), &SeatPaneMgr::seatsReleased, engine, &QQmlEngine::collectGarbage);
    context->setContextProperty("mediaList", m_facade->mediaListModel());
    context->setContextProperty("VYRAList", m_facade->vyraListModel());
    context->setContextProperty("settings", m_settings.get());
    context->setContextProperty("unit", m_unit);
    context->setContextProperty("session", this);

    for (QAbstractItemModel* model : std::initializer_list<QAbstractItemModel*>{
             m_seats.get(), m_facade->vyraListModel(), m_facade->mediaListModel()->tableModel()})
        m_testers.push_back(std::make_unique<QAbstractItemModelTester>(
            model, QAbstractItemModelTester::FailureReportingMode::Fatal));

    m_facade->initMessageObservers();
}

AppSession::~AppSession()
{
    m_testers.clear();
    m_facade.reset();
    m_seats.reset();
    // What a messaging thread let go of last is deleted here, before the units go.
    ThreadAffineDeleter::drainWhile([this] { return Messaging::Messenger::instances() > m_messengersBefore; },
                                    std::chrono::seconds(5));
    m_status.reset();
}

bool AppSession::connectToUnit()
{
    // As the window does when it opens.
    m_facade->tryConnectToController();
    VYRAListModel* list = m_facade->vyraListModel();
    int row = -1;
    const bool found = waitFor([&] {
        for (int i = 0; i < list->rowCount(); ++i)
            if (list->data(list->index(i), VYRAListModel::NameRole).toString() == m_unit->name())
                row = i;
        return row >= 0;
    });
    if (!found) {
        qWarning("the unit was not discovered");
        return false;
    }
    const QModelIndex index = list->index(row);
    if (!m_facade->chooseVYRA(list->data(index, VYRAListModel::AddressRole).toString(),
                              list->data(index, VYRAListModel::NameRole).toString(),
                              list->data(index, VYRAListModel::PortRole).toInt(),
                              list->data(index, VYRAListModel::EncryptedRole).toBool()))
        return false;
    return waitFor([this] { return m_facade->controllerIsConnected() && m_seats->rowCount() > 0; });
}

QObject* AppSession::addUnit(const QString& name, bool encrypted)
{
    return new UiUnit(name, m_discoveryPort, encrypted, this);
}
