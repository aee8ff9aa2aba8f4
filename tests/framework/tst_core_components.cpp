// Component repository and configurator: registration, snapshot iteration, the worst-result rule.
#include <QtTest>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "Component.h"
#include "ComponentConfigurator.h"
#include "ComponentRepository.h"

using namespace Ulmar;

namespace {

std::vector<std::string> g_calls;

class StepComponent : public Component
{
public:
    StepComponent(std::string name, int init = Success, int resume = Success, int suspend = Success,
                  int shutdown = Success)
        : m_name(std::move(name)), m_results{init, resume, suspend, shutdown}
    {}
    std::string name() const override { return m_name; }
    Result Init() override { return step("Init", 0); }
    Result Resume() override { return step("Resume", 1); }
    Result Suspend() override { return step("Suspend", 2); }
    Result Shutdown() override { return step("Shutdown", 3); }

private:
    Result step(const char* what, int index)
    {
        g_calls.push_back(m_name + "." + what);
        return static_cast<Result>(m_results[index]);
    }
    std::string m_name;
    int m_results[4];
};

class ThrowingComponent : public Component
{
public:
    std::string name() const override { return "thrower"; }
    Result Init() override
    {
        g_calls.push_back("thrower.Init");
        throw std::runtime_error("broken");
    }
};

class OtherComponent : public Component
{
public:
    std::string name() const override { return "other"; }
};

} // namespace

class TestCoreComponents : public QObject
{
    Q_OBJECT

private:
    std::vector<std::shared_ptr<Component>> m_added;

    std::shared_ptr<Component> add(std::shared_ptr<Component> component)
    {
        ComponentRepository::Add(component);
        m_added.push_back(component);
        return component;
    }

private slots:
    void init()
    {
        // The repository is process-wide; these tests expect to start from an empty one.
        QVERIFY(ComponentRepository::Components().empty());
        g_calls.clear();
    }

    void cleanup()
    {
        for (const auto& component : m_added)
            ComponentRepository::Remove(component);
        m_added.clear();
    }

    void addIsIdempotentAndRemoveRemovesOne()
    {
        auto a = add(std::make_shared<StepComponent>("a"));
        auto b = add(std::make_shared<StepComponent>("b"));
        ComponentRepository::Add(a);
        ComponentRepository::Add(nullptr);
        QCOMPARE(ComponentRepository::Components(), (ComponentRepository::List{a, b}));

        ComponentRepository::Remove(std::make_shared<StepComponent>("stranger"));
        ComponentRepository::Remove(nullptr);
        QCOMPARE(ComponentRepository::Components().size(), std::size_t(2));

        ComponentRepository::Remove(a);
        QCOMPARE(ComponentRepository::Components(), (ComponentRepository::List{b}));
        ComponentRepository::Add(a);
        QCOMPARE(ComponentRepository::Components(), (ComponentRepository::List{b, a}));
    }

    void iterationSurvivesRemovalDuringTheLoop()
    {
        auto a = add(std::make_shared<StepComponent>("a"));
        auto other = add(std::make_shared<OtherComponent>());
        auto b = add(std::make_shared<StepComponent>("b"));

        // The start-up pattern: find the first component of a type, remove it, stop.
        std::vector<std::string> seen;
        for (auto it = ComponentRepository::Begin(); it != ComponentRepository::End(); ++it) {
            seen.push_back((*it)->name());
            if (std::dynamic_pointer_cast<OtherComponent>(*it)) {
                ComponentRepository::Remove(*it);
                // Still iterating the snapshot: the rest is visited.
            }
        }
        QCOMPARE(seen, (std::vector<std::string>{"a", "other", "b"}));
        QCOMPARE(ComponentRepository::Components(), (ComponentRepository::List{a, b}));

        // A new Begin() sees the change.
        std::vector<std::string> after;
        for (auto it = ComponentRepository::Begin(); it != ComponentRepository::End(); ++it)
            after.push_back((*it)->name());
        QCOMPARE(after, (std::vector<std::string>{"a", "b"}));
        QVERIFY(!ComponentRepository::FindFirst<OtherComponent>());
        QCOMPARE(ComponentRepository::FindFirst<StepComponent>(), std::static_pointer_cast<StepComponent>(a));
    }

    void removedComponentIsReleasedByShutdown()
    {
        std::weak_ptr<Component> watch;
        {
            auto doomed = std::make_shared<OtherComponent>();
            watch = doomed;
            ComponentRepository::Add(doomed);
        }
        for (auto it = ComponentRepository::Begin(), end = ComponentRepository::End(); it != end; ++it) {
            if (std::dynamic_pointer_cast<OtherComponent>(*it)) {
                ComponentRepository::Remove(*it);
                break;
            }
        }
        // This thread's snapshot still holds it ...
        QVERIFY(!watch.expired());
        // ... until the life cycle ends.
        QCOMPARE(ComponentConfigurator().Shutdown(), Component::Success);
        QVERIFY(watch.expired());
    }

    void iterationWhileOtherThreadsChangeTheRepository()
    {
        auto stable = add(std::make_shared<StepComponent>("stable"));
        std::atomic<bool> stop{false};
        std::thread writer([&stop] {
            while (!stop.load()) {
                auto transient = std::make_shared<OtherComponent>();
                ComponentRepository::Add(transient);
                ComponentRepository::Remove(transient);
            }
        });
        int loops = 0;
        bool sawStableEveryTime = true;
        for (; loops < 2000; ++loops) {
            bool found = false;
            for (auto it = ComponentRepository::Begin(); it != ComponentRepository::End(); ++it)
                found = found || *it == stable;
            sawStableEveryTime = sawStableEveryTime && found;
        }
        stop = true;
        writer.join();
        QVERIFY(sawStableEveryTime);
        QCOMPARE(ComponentRepository::Components(), (ComponentRepository::List{stable}));
    }

    void worstResultWinsAndEveryComponentRuns_data()
    {
        QTest::addColumn<QList<int>>("results");
        QTest::addColumn<int>("expected");
        QTest::newRow("no components") << QList<int>{} << 0;
        QTest::newRow("all succeed") << QList<int>{0, 0, 0} << 0;
        QTest::newRow("one configuration error") << QList<int>{0, 1, 0} << 1;
        QTest::newRow("fatal first, then configuration") << QList<int>{2, 1, 0} << 2;
        QTest::newRow("configuration first, then fatal") << QList<int>{1, 0, 2} << 2;
        QTest::newRow("unknown non-zero counts as configuration") << QList<int>{0, 7} << 1;
        QTest::newRow("unknown non-zero loses to fatal") << QList<int>{7, 2, 7} << 2;
    }

    void worstResultWinsAndEveryComponentRuns()
    {
        QFETCH(QList<int>, results);
        QFETCH(int, expected);
        std::vector<std::string> expectedCalls;
        for (int i = 0; i < results.size(); ++i) {
            const std::string name = "c" + std::to_string(i);
            // The same result for every step, so that each step is checked.
            add(std::make_shared<StepComponent>(name, results[i], results[i], results[i], results[i]));
            expectedCalls.push_back(name);
        }
        ComponentConfigurator configurator;
        using Step = Component::Result (ComponentConfigurator::*)();
        const std::pair<const char*, Step> steps[] = {{"Init", &ComponentConfigurator::Init},
                                                      {"Resume", &ComponentConfigurator::Resume},
                                                      {"Suspend", &ComponentConfigurator::Suspend},
                                                      {"Shutdown", &ComponentConfigurator::Shutdown}};
        for (const auto& step : steps) {
            g_calls.clear();
            QCOMPARE(static_cast<int>((configurator.*step.second)()), expected);
            std::vector<std::string> wanted;
            for (const auto& name : expectedCalls)
                wanted.push_back(name + "." + step.first);
            QCOMPARE(g_calls, wanted);
        }
    }

    void throwingComponentIsFatalButDoesNotStopTheOthers()
    {
        add(std::make_shared<StepComponent>("before"));
        add(std::make_shared<ThrowingComponent>());
        add(std::make_shared<StepComponent>("after", ConfigurationError_()));
        ComponentConfigurator configurator;
        QCOMPARE(configurator.Init(), Component::FatalError);
        QCOMPARE(g_calls, (std::vector<std::string>{"before.Init", "thrower.Init", "after.Init"}));
        // The other steps of the thrower are the harmless defaults.
        g_calls.clear();
        QCOMPARE(configurator.Resume(), Component::Success);
        QCOMPARE(g_calls, (std::vector<std::string>{"before.Resume", "after.Resume"}));
    }

private:
    static int ConfigurationError_() { return Component::ConfigurationError; }
};

QTEST_GUILESS_MAIN(TestCoreComponents)
#include "tst_core_components.moc"
