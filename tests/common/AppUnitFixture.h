#pragma once

#include <memory>
#include <vector>

#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "SimulatedUnitProcess.h"
#include "UiProbeClient.h"

// The real program, offscreen, against simulated units on loopback, for the tests that drive the built
// application. Everything lives under one folder (homes, logs, key files, command logs); every program it
// starts shares one private discovery port. The UI probe plugin loaded into the program reads the window's
// items by objectName and delivers real mouse and key events.
class AppUnitFixture
{
public:
    explicit AppUnitFixture(const QString& folder);
    ~AppUnitFixture();
    AppUnitFixture(const AppUnitFixture&) = delete;
    AppUnitFixture& operator=(const AppUnitFixture&) = delete;

    // Whether both programs are built (the tests fail with a clear message otherwise).
    static bool programsBuilt();

    // Units -----------------------------------------------------------------------------------------------
    // Starts one more unit (see SimulatedUnitProcess::start); nullptr when it did not come up.
    SimulatedUnitProcess* startUnit(const QStringList& arguments, bool announce = false);
    SimulatedUnitProcess& unit(int i = 0) { return *m_units.at(std::size_t(i)); }
    int unitCount() const { return int(m_units.size()); }
    bool restartUnit(const QStringList& arguments, int i = 0) { return unit(i).restart(arguments); }
    QString unitLog(int i = 0) const { return m_units.at(std::size_t(i))->log(); }
    QVector<SimulatedUnitProcess::Command> commands(int since = 0, int i = 0) const
    {
        return m_units.at(std::size_t(i))->commands(since);
    }
    int commandMark(int i = 0) const { return m_units.at(std::size_t(i))->commandCount(); }

    // The application
    // ---------------------------------------------------------------------------------------- Starts the
    // program (by default connecting straight to the first unit) with a home of its own, waits for the probe
    // and the window. `environment` adds to or replaces variables (LANGUAGE, say); a null value removes one.
    bool startApp(const QStringList& arguments = QStringList(),
                  const QMap<QString, QString>& environment = QMap<QString, QString>());
    bool startApp(const QMap<QString, QString>& environment) { return startApp(QStringList(), environment); }
    void stopApp();
    bool appRunning() const { return m_app && m_app->state() == QProcess::Running; }
    QString appLog() const;
    // Stops the program, then every unit.
    void stop();

    // The probe --------------------------------------------------------------------------------------------
    QJsonObject ask(const QJsonObject& request) { return m_probe.ask(request); }
    // `under`: the objectName of an ancestor to search in; `visibleOnly`: shown items only.
    QVariant get(const QString& name, const QString& prop, const QString& under = QString(),
                 bool visibleOnly = true);
    bool set(const QString& name, const QString& prop, const QVariant& value,
             const QString& under = QString());
    bool exists(const QString& name, const QString& under = QString());
    int count(const QString& prefix, const QString& under = QString());
    // Resizes the window and waits until it has the width.
    bool resize(int width, int height = 800);
    QJsonObject window() { return ask({{"cmd", "window"}}); }
    QJsonObject focus() { return ask({{"cmd", "focus"}}); }

    // Real input, each answered once the program handled it.
    bool key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    bool type(const QString& text);
    // A press, a move or a release of the left button at (fx, fy), fractions of the item's size.
    bool mouse(const QString& action, const QString& name, double fx = 0.5, double fy = 0.5,
               const QString& under = QString(), Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    bool click(const QString& name, double fx = 0.5, double fy = 0.5, const QString& under = QString())
    {
        return mouse("click", name, fx, fy, under);
    }
    // Press at `fromX`, `steps` moves along the item's width to `toX`, release there; at mid height.
    bool drag(const QString& name, double fromX, double toX, int steps = 8, const QString& under = QString());
    bool wheel(const QString& name, int dy, const QString& under = QString());
    // The item's rectangle in the window (invalid when there is no such item).
    QRectF rect(const QString& name, const QString& under = QString());
    // Scrolls with the wheel over `scroller` until the item is wholly inside the window.
    bool reveal(const QString& name, const QString& scroller, const QString& under = QString());

private:
    QString m_folder;
    quint16 m_discoveryPort = 0;
    int m_appRuns = 0;
    std::vector<std::unique_ptr<SimulatedUnitProcess>> m_units;
    std::unique_ptr<QProcess> m_app;
    QString m_appLogPath;
    UiProbeClient m_probe;
};
