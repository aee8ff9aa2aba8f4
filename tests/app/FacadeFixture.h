#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include "Facade.h"
#include "GlobalStatus.h"
#include "MediaListTableModel.h"
#include "MediaListVirtualModel.h"
#include "Messenger.h"
#include "PosterImageProvider.h"
#include "SeatPaneMgr.h"
#include "ThreadAffineDeleter.h"
#include "VYRAListModel.h"

// The objects start-up makes around a Facade, destroyed in start-up's order (the Facade first).
struct FacadeFixture
{
    explicit FacadeFixture(const std::string& hostname = std::string(),
                           const std::string& serviceName = "VYRA")
        : messengersBefore(Ulmar::Messaging::Messenger::instances()),
          provider(std::make_unique<Ulmar::PosterImageProvider>()),
          seats(Ulmar::ThreadAffineDeleter::make<Ulmar::SeatPaneMgr>(1000)),
          status(Ulmar::ThreadAffineDeleter::make<Ulmar::GlobalStatus>()),
          facade(Ulmar::ThreadAffineDeleter::make<Ulmar::Facade>(nullptr, provider.get(), seats, status,
                                                                 serviceName, hostname))
    {
        // Every model the window reads is checked on each change.
        for (QAbstractItemModel* model : std::initializer_list<QAbstractItemModel*>{
                 seats.get(), facade->vyraListModel(), facade->mediaListModel()->tableModel()})
            testers.push_back(std::make_unique<QAbstractItemModelTester>(
                model, QAbstractItemModelTester::FailureReportingMode::Fatal));
    }
    ~FacadeFixture()
    {
        testers.clear();
        facade.reset();
        seats.reset();
        // As start-up does: what a messaging thread let go of last is deleted here.
        Ulmar::ThreadAffineDeleter::drainWhile(
            [this] { return Ulmar::Messaging::Messenger::instances() > messengersBefore; },
            std::chrono::seconds(5));
    }

    const std::size_t messengersBefore;
    std::unique_ptr<Ulmar::PosterImageProvider> provider;
    std::shared_ptr<Ulmar::SeatPaneMgr> seats;
    std::shared_ptr<Ulmar::GlobalStatus> status;
    std::shared_ptr<Ulmar::Facade> facade;
    std::vector<std::unique_ptr<QAbstractItemModelTester>> testers;
};

// One spy per signal of an object: which signals fired, and how often.
class AllSignals
{
public:
    explicit AllSignals(QObject* object)
    {
        const QMetaObject* meta = object->metaObject();
        for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
            const QMetaMethod method = meta->method(i);
            if (method.methodType() == QMetaMethod::Signal)
                m_spies.emplace_back(QString::fromLatin1(method.name()),
                                     std::make_unique<QSignalSpy>(object, method));
        }
    }
    // "name xN" for every signal that fired, in declaration order.
    QStringList fired() const
    {
        QStringList result;
        for (const auto& entry : m_spies)
            if (entry.second->count() > 0)
                result << QString("%1 x%2").arg(entry.first).arg(entry.second->count());
        return result;
    }
    QSignalSpy& spy(const QString& name)
    {
        for (auto& entry : m_spies)
            if (entry.first == name)
                return *entry.second;
        qFatal("no signal %s", qPrintable(name));
    }

private:
    std::vector<std::pair<QString, std::unique_ptr<QSignalSpy>>> m_spies;
};
