// A test hook loaded into the real application through Qt's generic-plugin
// mechanism (QT_QPA_GENERIC_PLUGINS=vyrauiprobe with QT_PLUGIN_PATH pointing at the
// test build). It answers one-line JSON requests on the local socket named by
// VYRA_UI_PROBE_SOCKET: read or write a property of an item found by objectName,
// click an item, resize the window, save a picture of the window, type keys, report the
// item with the keyboard focus and walk the accessibility tree as a screen reader sees it. With
// VYRA_UI_PROBE_READY (a JSON list of {"name","prop","value"}) it also notes the
// wall-clock time of the first frame shown once all those hold ("ready"), and the processor time the
// program had used by then, for the start-up benchmark; an empty list means the very first frame. "stall"
// reports the longest time the GUI thread did not run its event loop since the previous "stall" (the first
// one starts watching). "mouse", "wheel", "key" and "type" are real input through the window system layer
// (press, moves and release at a point of an item given as fractions of its size; key clicks with
// modifiers; text typed key by key); each answers once the events were delivered and the events they
// posted handled, so what the test reads next is what the user sees after that input. "under" may name a
// path of ancestors ("seatCard2/vibrationSlider"). "modelChanges" counts the change signals of a model the
// QML reads (a context property), from the first time it is asked: a test sees when a unit's report reached
// the rows. The application itself holds no test code.
#include <algorithm>
#include <atomic>
#include <ctime>

#include <QAbstractItemModel>
#include <QAccessible>
#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QGenericPlugin>
#include <QGuiApplication>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMouseEvent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTimer>
#include <QWheelEvent>
#include <QtTest/QTest>

namespace {

QQuickWindow* mainWindow()
{
    for (QWindow* w : QGuiApplication::topLevelWindows()) {
        if (auto* q = qobject_cast<QQuickWindow*>(w))
            return q;
    }
    return nullptr;
}

bool effectivelyVisible(QQuickItem* item)
{
    return item->isVisible() && item->window() != nullptr;
}

// Depth-first walk of the visual tree under `root`.
QQuickItem* findItem(QQuickItem* root, const QString& name, bool visibleOnly)
{
    if (!root)
        return nullptr;
    if (root->objectName() == name && (!visibleOnly || effectivelyVisible(root)))
        return root;
    for (QQuickItem* child : root->childItems()) {
        if (QQuickItem* found = findItem(child, name, visibleOnly))
            return found;
    }
    return nullptr;
}

int countItems(QQuickItem* root, const QString& prefix, bool visibleOnly)
{
    if (!root)
        return 0;
    int n = (root->objectName().startsWith(prefix) && (!visibleOnly || effectivelyVisible(root))) ? 1 : 0;
    for (QQuickItem* child : root->childItems())
        n += countItems(child, prefix, visibleOnly);
    return n;
}

QString roleName(QAccessible::Role role)
{
    static const QMetaEnum roles = QMetaEnum::fromType<QAccessible::Role>();
    const char* key = roles.valueToKey(role);
    return key ? QString::fromLatin1(key) : QString::number(role);
}

QJsonObject describe(QAccessibleInterface* iface, int depth, QQuickWindow* window)
{
    const QAccessible::State state = iface->state();
    const QRect rect = iface->rect();
    const QPoint topLeft = window->mapFromGlobal(rect.topLeft());
    QJsonObject node{{"depth", depth},
                     {"role", roleName(iface->role())},
                     {"name", iface->text(QAccessible::Name)},
                     {"description", iface->text(QAccessible::Description)},
                     {"focusable", bool(state.focusable)},
                     {"focused", bool(state.focused)},
                     {"disabled", bool(state.disabled)},
                     {"checked", bool(state.checked)},
                     {"password", bool(state.passwordEdit)},
                     {"x", topLeft.x()},
                     {"y", topLeft.y()},
                     {"width", rect.width()},
                     {"height", rect.height()},
                     {"id", QString::number(quintptr(iface->object()), 16)}};
    if (QAccessibleValueInterface* value = iface->valueInterface())
        node.insert("value", value->currentValue().toString());
    else if (!iface->text(QAccessible::Value).isEmpty())
        node.insert("value", iface->text(QAccessible::Value));
    if (iface->object())
        node.insert("objectName", iface->object()->objectName());
    // Whether Tab stops there: the accessible state alone does not say it for every item.
    if (auto* item = qobject_cast<QQuickItem*>(iface->object())) {
        node.insert("tabStop", item->activeFocusOnTab() && item->isEnabled());
        node.insert("enabled", item->isEnabled());
    }
    return node;
}

// Depth first, in the order a screen reader reads; subtrees the user cannot see are left out.
void walk(QAccessibleInterface* iface, int depth, QQuickWindow* window, QJsonArray* out, QQuickItem* scope)
{
    if (!iface || !iface->isValid() || iface->state().invisible)
        return;
    auto* item = qobject_cast<QQuickItem*>(iface->object());
    const bool inScope = !scope || (item && (item == scope || scope->isAncestorOf(item)));
    if (inScope && depth > 0)
        out->append(describe(iface, depth, window));
    for (int i = 0; i < iface->childCount(); ++i)
        walk(iface->child(i), depth + 1, window, out, scope);
}

// The focused item and, for the screen reader, the nearest item that shows itself to it.
QJsonObject focusInfo(QQuickWindow* window)
{
    QQuickItem* item = window->activeFocusItem();
    if (!item)
        return {{"ok", true}, {"none", true}};
    QJsonObject reply{{"ok", true},
                      {"objectName", item->objectName()},
                      {"className", QString::fromLatin1(item->metaObject()->className())}};
    const QPointF topLeft = item->mapToScene(QPointF(0, 0));
    reply.insert("x", topLeft.x());
    reply.insert("y", topLeft.y());
    for (QQuickItem* a = item; a; a = a->parentItem()) {
        if (QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(a)) {
            reply.insert("control", describe(iface, 0, window));
            break;
        }
    }
    // The names of the ancestors tell which page, card or dialog the focus is in; their ids which
    // accessible control of the tree holds it.
    QJsonArray path;
    QJsonArray ids;
    for (QQuickItem* a = item; a; a = a->parentItem()) {
        if (!a->objectName().isEmpty())
            path.append(a->objectName());
        ids.append(QString::number(quintptr(a), 16));
    }
    reply.insert("path", path);
    reply.insert("ids", ids);
    return reply;
}

class Probe : public QObject
{
public:
    explicit Probe(const QString& socketName)
    {
        m_conditions = QJsonDocument::fromJson(qgetenv("VYRA_UI_PROBE_READY")).array();
        if (qEnvironmentVariableIsSet("VYRA_UI_PROBE_READY"))
            QCoreApplication::instance()->installEventFilter(this);
        QLocalServer::removeServer(socketName);
        m_server.listen(socketName);
        connect(&m_server, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket* s = m_server.nextPendingConnection()) {
                connect(s, &QLocalSocket::readyRead, this, [this, s] {
                    while (s->canReadLine()) {
                        const QByteArray line = s->readLine();
                        const QJsonObject reply = handle(QJsonDocument::fromJson(line).object());
                        s->write(QJsonDocument(reply).toJson(QJsonDocument::Compact) + '\n');
                        s->flush();
                    }
                });
            }
        });
    }

protected:
    // Hooks the window before its first frame: a timer could miss that frame.
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* window = qobject_cast<QQuickWindow*>(watched);
        if (window && !m_hooked && (event->type() == QEvent::Show || event->type() == QEvent::Expose)) {
            m_hooked = true;
            QCoreApplication::instance()->removeEventFilter(this);
            // The items are read on the GUI thread before each frame is synchronised; the frame is stamped
            // when it is swapped, on the render thread where there is one. Stamping later, when the GUI
            // thread next gets to it, would count work done after the frame was already shown.
            connect(
                window, &QQuickWindow::afterAnimating, this, [this, window] { checkConditions(window); },
                Qt::DirectConnection);
            connect(
                window, &QQuickWindow::frameSwapped, this, [this] { stampFrame(); }, Qt::DirectConnection);
        }
        return false;
    }

private:
    // GUI thread.
    void checkConditions(QQuickWindow* window)
    {
        if (m_conditionsHeld.load())
            return;
        QQuickItem* root =
            window->contentItem()->parentItem() ? window->contentItem()->parentItem() : window->contentItem();
        for (const QJsonValue& c : m_conditions) {
            const QJsonObject cond = c.toObject();
            QQuickItem* item = findItem(root, cond.value("name").toString(), true);
            if (!item)
                return;
            const QVariant value = item->property(cond.value("prop").toString().toUtf8().constData());
            if (value.toString() != cond.value("value").toVariant().toString())
                return;
        }
        m_conditionsHeld = true;
    }

    // GUI or render thread: the first frame swapped once the conditions held.
    void stampFrame()
    {
        if (!m_conditionsHeld.load() || m_readyAt.load() != 0)
            return;
        // All threads: loading QML and connecting happen off the GUI thread too.
        timespec cpu{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
        m_readyCpuMs = double(cpu.tv_sec) * 1000.0 + double(cpu.tv_nsec) / 1e6;
        m_readyAt = QDateTime::currentMSecsSinceEpoch();
    }

    QJsonObject handle(const QJsonObject& req)
    {
        QQuickWindow* window = mainWindow();
        if (!window)
            return {{"ok", false}, {"error", "no window"}};
        const QString cmd = req.value("cmd").toString();
        if (cmd == "ready") {
            const qint64 readyAt = m_readyAt.load();
            return {{"ok", readyAt != 0}, {"epochMs", double(readyAt)}, {"cpuMs", m_readyCpuMs.load()}};
        }
        if (cmd == "stall")
            return takeStall();
        QQuickItem* scope =
            window->contentItem()->parentItem() ? window->contentItem()->parentItem() : window->contentItem();
        if (cmd == "modelChanges")
            return modelChanges(window, req.value("model").toString());
        if (req.contains("under")) {
            for (const QString& name : req.value("under").toString().split('/')) {
                scope = findItem(scope, name, true);
                if (!scope)
                    return {{"ok", false}, {"error", "no scope"}};
            }
        }
        const bool visibleOnly = req.value("visibleOnly").toBool(true);
        if (cmd == "window")
            return {{"ok", true}, {"width", window->width()}, {"height", window->height()}};
        if (cmd == "resize") {
            window->resize(req.value("width").toInt(), req.value("height").toInt());
            return {{"ok", true}};
        }
        if (cmd == "a11y") {
            // What an assistive technology would do first: switch the accessibility layer on.
            QAccessible::setActive(true);
            QJsonArray nodes;
            walk(QAccessible::queryAccessibleInterface(window), 0, window, &nodes,
                 req.contains("under") ? scope : nullptr);
            return {{"ok", true}, {"nodes", nodes}};
        }
        if (cmd == "key") {
            // Through the window system layer, as a real key press: shortcuts see it too.
            QTest::keyClick(window, Qt::Key(req.value("key").toInt()),
                            Qt::KeyboardModifiers(req.value("modifiers").toInt()));
            QCoreApplication::processEvents();
            return {{"ok", true}};
        }
        if (cmd == "type") {
            // A key press and release per character, the character as the event's text.
            for (const QChar ch : req.value("text").toString()) {
                if (ch.unicode() < 128)
                    QTest::keyClick(window, char(ch.unicode()));
                else
                    QTest::sendKeyEvent(QTest::Click, window, Qt::Key(ch.toUpper().unicode()), QString(ch),
                                        Qt::NoModifier);
            }
            QCoreApplication::processEvents();
            return {{"ok", true}};
        }
        if (cmd == "focus")
            return focusInfo(window);
        if (cmd == "grab")
            return {{"ok", window->grabWindow().save(req.value("path").toString())}};
        if (cmd == "count")
            return {{"ok", true}, {"count", countItems(scope, req.value("prefix").toString(), visibleOnly)}};
        QQuickItem* item = findItem(scope, req.value("name").toString(), visibleOnly);
        if (!item)
            return {{"ok", false}, {"error", "no item"}};
        const QByteArray prop = req.value("prop").toString().toUtf8();
        if (cmd == "get") {
            // A dotted path reads through objects: "popup.opened", "up.pressed".
            QObject* object = item;
            const QList<QByteArray> path = prop.split('.');
            for (int i = 0; i + 1 < path.size() && object; ++i)
                object = object->property(path[i].constData()).value<QObject*>();
            if (!object)
                return {{"ok", false}, {"error", "no object"}};
            return {{"ok", true},
                    {"value", QJsonValue::fromVariant(object->property(path.last().constData()))}};
        }
        if (cmd == "set")
            return {{"ok", item->setProperty(prop.constData(), req.value("value").toVariant())}};
        if (cmd == "find") {
            // A combo box's row of that text, -1 when none.
            int row = -1;
            const bool ok = QMetaObject::invokeMethod(item, "find", Q_RETURN_ARG(int, row),
                                                      Q_ARG(QString, req.value("text").toString()));
            return {{"ok", ok}, {"row", row}};
        }
        if (cmd == "rect") {
            const QRectF r = item->mapRectToScene(QRectF(0, 0, item->width(), item->height()));
            return {{"ok", true}, {"x", r.x()}, {"y", r.y()}, {"width", r.width()}, {"height", r.height()}};
        }
        if (cmd == "mouse" || cmd == "wheel")
            return input(window, item, req);
        if (cmd == "click") {
            const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
            for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
                QMouseEvent event(type, centre, centre, window->mapToGlobal(centre.toPoint()), Qt::LeftButton,
                                  type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                  Qt::NoModifier);
                QCoreApplication::sendEvent(window, &event);
            }
            QCoreApplication::processEvents();
            return {{"ok", true}};
        }
        return {{"ok", false}, {"error", "unknown command"}};
    }

    // Real mouse input at a point of `item` (fractions fx, fy of its size; the centre by default).
    static QJsonObject input(QQuickWindow* window, QQuickItem* item, const QJsonObject& req)
    {
        const QPointF local(req.value("fx").toDouble(0.5) * item->width(),
                            req.value("fy").toDouble(0.5) * item->height());
        const QPoint pos = item->mapToScene(local).toPoint();
        if (!QRect(QPoint(0, 0), window->size()).contains(pos))
            return {{"ok", false}, {"error", "outside the window"}, {"x", pos.x()}, {"y", pos.y()}};
        const auto modifiers = Qt::KeyboardModifiers(req.value("modifiers").toInt());
        const auto button = Qt::MouseButton(req.value("button").toInt(Qt::LeftButton));
        const QString action = req.value("action").toString();
        if (req.value("cmd").toString() == "wheel") {
            const QPoint angle(0, req.value("dy").toInt(-120));
            QWheelEvent event(pos, window->mapToGlobal(pos), QPoint(), angle, Qt::NoButton, modifiers,
                              Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(window, &event);
        } else if (action == "press") {
            // The pointer comes to the point before the button goes down, as a hand moves it.
            QTest::mouseMove(window, pos);
            QTest::mousePress(window, button, modifiers, pos);
        } else if (action == "move") {
            QTest::mouseMove(window, pos);
        } else if (action == "release") {
            QTest::mouseRelease(window, button, modifiers, pos);
        } else if (action == "click") {
            QTest::mouseMove(window, pos);
            QTest::mouseClick(window, button, modifiers, pos);
        } else {
            return {{"ok", false}, {"error", "unknown action"}};
        }
        // What the events posted (deferred updates, queued signals) is done too before the answer.
        QCoreApplication::processEvents();
        return {{"ok", true}, {"x", pos.x()}, {"y", pos.y()}};
    }

    QJsonObject modelChanges(QQuickWindow* window, const QString& name)
    {
        QQmlEngine* engine = qmlEngine(window);
        auto* model = engine ? qobject_cast<QAbstractItemModel*>(
                                   engine->rootContext()->contextProperty(name).value<QObject*>())
                             : nullptr;
        if (!model)
            return {{"ok", false}, {"error", "no model"}};
        if (!m_modelChanges.contains(name)) {
            m_modelChanges.insert(name, 0);
            const auto count = [this, name] { ++m_modelChanges[name]; };
            connect(model, &QAbstractItemModel::dataChanged, this, count);
            connect(model, &QAbstractItemModel::rowsInserted, this, count);
            connect(model, &QAbstractItemModel::rowsRemoved, this, count);
            connect(model, &QAbstractItemModel::modelReset, this, count);
        }
        return {{"ok", true}, {"changes", m_modelChanges.value(name)}};
    }

    // A timer that should fire every few milliseconds: any longer gap is time the event loop was held up.
    QJsonObject takeStall()
    {
        const bool watching = m_stallTimer.isActive();
        if (!watching) {
            m_stallTimer.setInterval(StallTickMs);
            m_stallTimer.setTimerType(Qt::PreciseTimer);
            QObject::connect(&m_stallTimer, &QTimer::timeout, this, [this] {
                m_longestStallMs = std::max(m_longestStallMs, m_sinceTick.restart() - StallTickMs);
            });
            m_stallTimer.start();
        }
        const qint64 longest = std::max(m_longestStallMs, m_sinceTick.elapsed() - StallTickMs);
        m_longestStallMs = 0;
        m_sinceTick.restart();
        return {{"ok", watching}, {"longestStallMs", double(watching ? longest : 0)}};
    }

    static constexpr qint64 StallTickMs = 5;
    QTimer m_stallTimer;
    QElapsedTimer m_sinceTick;
    qint64 m_longestStallMs = 0;
    QLocalServer m_server;
    QHash<QString, int> m_modelChanges;
    QJsonArray m_conditions;
    bool m_hooked = false;
    std::atomic<bool> m_conditionsHeld{false};
    // Written once, processor time first: whoever sees the time sees the processor time.
    std::atomic<qint64> m_readyAt{0};
    std::atomic<double> m_readyCpuMs{0};
};

} // namespace

class UiProbePlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "probe.json")
public:
    QObject* create(const QString& key, const QString&) override
    {
        const QString socketName = qEnvironmentVariable("VYRA_UI_PROBE_SOCKET");
        if (key.compare("vyrauiprobe", Qt::CaseInsensitive) != 0 || socketName.isEmpty())
            return nullptr;
        return new Probe(socketName);
    }
};

#include "UiProbePlugin.moc"
