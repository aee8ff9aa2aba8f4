// The real program, offscreen, against the simulated unit: what a screen reader finds in the accessibility
// tree of each page (every focusable control named, with a role, in English and in French) and where the
// Tab key takes the keyboard focus (every control reached in reading order, none skipped, none trapping).
// With VYRA_A11Y_DUMP set it prints, page by page, what a screen reader announces.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include "AppUnitFixture.h"

namespace {

struct PageSpec
{
    const char* tab;
    const char* page;
    const char* shortcut;
    // Controls that the Tab key must reach in this order (names of the focused item or of its ancestors).
    QStringList order;
};

QString announce(const QJsonObject& node)
{
    QString line = QString(node.value("depth").toInt(), ' ') + node.value("role").toString() + " \"" +
                   node.value("name").toString() + "\"";
    if (!node.value("description").toString().isEmpty())
        line += " - " + node.value("description").toString();
    if (node.contains("value"))
        line += " [" + node.value("value").toString() + "]";
    if (node.value("disabled").toBool())
        line += " (disabled)";
    if (node.value("checked").toBool())
        line += " (checked)";
    return line;
}

} // namespace

class TestUiAccessibility : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<AppUnitFixture> m_fx;
    SimulatedUnitProcess* m_unit = nullptr;

    QJsonObject ask(const QJsonObject& request) { return m_fx->ask(request); }
    QVariant get(const QString& name, const QString& prop, const QString& under = {})
    {
        return m_fx->get(name, prop, under);
    }
    bool exists(const QString& name) { return m_fx->exists(name); }
    bool set(const QString& name, const QString& prop, const QVariant& value)
    {
        return m_fx->set(name, prop, value);
    }
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) { m_fx->key(key, modifiers); }
    QJsonObject focus() { return m_fx->focus(); }

    bool showTab(const QString& tab) { return ask({{"cmd", "click"}, {"name", tab}}).value("ok").toBool(); }

    QJsonArray tree(const QString& under)
    {
        return ask({{"cmd", "a11y"}, {"under", under}}).value("nodes").toArray();
    }

    bool resize(int width) { return m_fx->resize(width); }

    static bool focusInside(const QJsonObject& focus, const QString& name)
    {
        return focus.value("path").toArray().contains(name);
    }

    // The controls a keyboard user can reach: focusable, enabled and shown.
    static QJsonArray focusables(const QJsonArray& nodes)
    {
        QJsonArray out;
        for (const QJsonValue& v : nodes) {
            const QJsonObject n = v.toObject();
            if (n.value("tabStop").toBool() && n.value("width").toInt() > 0)
                out.append(n);
        }
        return out;
    }

    void dump(const QString& title, const QJsonArray& nodes)
    {
        if (!qEnvironmentVariableIsSet("VYRA_A11Y_DUMP"))
            return;
        qInfo().noquote() << "==" << title;
        for (const QJsonValue& v : nodes)
            qInfo().noquote() << announce(v.toObject());
    }

    // A unit of its own for each run of the program: it reports its seats to its first client.
    void startUnit()
    {
        if (m_unit)
            m_unit->stop();
        // It refuses every Wi-Fi key: the wizard's way back after a refusal is walked by keyboard.
        m_unit = m_fx->startUnit({"--name", "A11y Unit", "--seats", "3", "--scenario",
                                  m_dir.filePath("scenario.json"), "--fault", "refuse-wifi-key"});
        QVERIFY(m_unit);
    }

    void startApp(const QString& language)
    {
        QVERIFY(m_fx->startApp({"-a", m_unit->address()}, {{"LANGUAGE", language}}));
        QVERIFY(resize(700));
        // Connected: the pencil works only then.
        QTRY_VERIFY_WITH_TIMEOUT(m_fx->get("renameButton", "enabled", {}, false).toBool(), 60000);
        // The seats are there and active: their status line is green (cards are made only where shown).
        QTRY_COMPARE_WITH_TIMEOUT(m_fx->get("seatStatusText", "color", {}, false).toString(),
                                  QString("#4caf50"), 60000);
    }

    int count(const QString& prefix, const QString& under)
    {
        return ask({{"cmd", "count"}, {"prefix", prefix}, {"under", under}}).value("count").toInt();
    }

    void stopApp() { m_fx->stopApp(); }

    // The focus is on `name` (the item or the control around it) and the ring shows round it.
    bool focusShownOn(const QString& name)
    {
        QDeadlineTimer deadline(5000);
        for (;;) {
            const QJsonObject f = focus();
            const bool on = f.value("objectName").toString() == name || focusInside(f, name);
            if (on && get("focusRing", "visible", {}).toBool())
                return true;
            if (deadline.hasExpired()) {
                qWarning("focus on %s (ring %s), not on %s",
                         qPrintable(f.value("path").toVariant().toStringList().join('/')),
                         get("focusRing", "visible", {}).toBool() ? "shown" : "hidden", qPrintable(name));
                return false;
            }
            QTest::qWait(20);
        }
    }

    QStringList sent(int from, const QString& type)
    {
        QStringList out;
        for (const auto& c : m_fx->commands(from)) {
            if (c.type == type)
                out << c.body;
        }
        return out;
    }

    void closeStartupDialog()
    {
        if (exists("startupDialogCloseButton")) {
            key(Qt::Key_Escape);
            QTRY_VERIFY_WITH_TIMEOUT(!exists("startupDialogCloseButton"), 10000);
        }
    }

    // Opens the folded sections of the status page, so that their controls are in the tree too.
    void unfoldStatusPage()
    {
        QVERIFY(set("versionUnfoldButton", "folded", false));
        QVERIFY(set("advancedControlsUnfoldButton", "folded", false));
        QTRY_VERIFY_WITH_TIMEOUT(get("motionDelaySlider", "enabled").toBool(), 20000);
    }

    // Every control a keyboard reaches has a name and a role; returns the names, control by control.
    QStringList checkNamed(const QString& title, const QString& under)
    {
        const QJsonArray nodes = tree(under);
        dump(title, nodes);
        QStringList names;
        const QJsonArray controls = focusables(nodes);
        if (controls.isEmpty())
            qWarning("%s: no focusable control", qPrintable(title));
        for (const QJsonValue& v : controls) {
            const QJsonObject n = v.toObject();
            const QString what =
                title + ": " + announce(n).trimmed() + " " + n.value("objectName").toString();
            if (label(n).isEmpty())
                qWarning("unnamed %s", qPrintable(what));
            if (n.value("role").toString() == "NoRole" || n.value("role").toString() == "Client")
                qWarning("no role %s", qPrintable(what));
            names << label(n);
        }
        for (const QJsonValue& v : controls) {
            const QJsonObject n = v.toObject();
            if (label(n).isEmpty() || n.value("role").toString() == "NoRole" ||
                n.value("role").toString() == "Client")
                return {};
        }
        return names;
    }

    // What a screen reader says first for a control. Qt withholds the name of a password field from
    // assistive technologies, which then read its description.
    static QString label(const QJsonObject& node)
    {
        const QString name = node.value("name").toString().trimmed();
        if (name.isEmpty() && node.value("password").toBool())
            return node.value("description").toString().trimmed();
        return name;
    }

    static QString nodeNamed(const QJsonArray& nodes, const QString& objectName, const QString& role)
    {
        for (const QJsonValue& v : nodes) {
            const QJsonObject n = v.toObject();
            if (n.value("objectName").toString() == objectName && (role.isEmpty() || n.value("role") == role))
                return n.value("name").toString();
        }
        return {};
    }

    // Presses Tab from the page's first control until the focus comes back to it; checks that every
    // control of the page is reached in the given order, that the focus never leaves the page and the tab
    // bar, and that Shift+Tab walks the same ring backwards.
    void walkPage(const PageSpec& spec)
    {
        const QString page = spec.page;
        key(Qt::Key_1 + QString(spec.shortcut).toInt() - 1, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(focusInside(focus(), page), 10000);
        const QJsonArray controls = focusables(tree(page));
        QVERIFY2(!controls.isEmpty(), qPrintable(page));

        QList<QJsonObject> ring;
        const QString start = focus().value("ids").toArray().first().toString();
        ring << focus();
        const int limit = 3 * (controls.size() + 4);
        for (int i = 0; i < limit; ++i) {
            key(Qt::Key_Tab);
            const QJsonObject f = focus();
            QVERIFY2(!f.value("none").toBool(), "the focus left every control");
            QVERIFY2(focusInside(f, page) || focusInside(f, "tabBar"),
                     qPrintable(page + ": the focus went outside the page: " +
                                f.value("path").toVariant().toStringList().join('/')));
            if (f.value("ids").toArray().first().toString() == start)
                break;
            for (const QJsonObject& seen : ring) {
                if (seen.value("ids").toArray().first() == f.value("ids").toArray().first()) {
                    QStringList visited;
                    for (const QJsonObject& r : ring)
                        visited << r.value("path").toVariant().toStringList().mid(0, 2).join('/');
                    QFAIL(qPrintable(page + ": the focus is trapped at " +
                                     f.value("path").toVariant().toStringList().join('/') + " after " +
                                     visited.join(", ")));
                }
            }
            ring << f;
        }
        QVERIFY2(ring.size() < limit, qPrintable(page + ": Tab never came back to the first control"));

        // Not skipped: each focusable control of the tree holds the focus at some step.
        for (const QJsonValue& v : controls) {
            const QString id = v.toObject().value("id").toString();
            bool reached = false;
            for (const QJsonObject& f : ring)
                reached = reached || f.value("ids").toArray().contains(id);
            QVERIFY2(reached, qPrintable(page + ": Tab never reaches " + announce(v.toObject()).trimmed()));
        }

        // Reading order.
        int next = 0;
        QStringList visited;
        for (const QJsonObject& f : ring) {
            visited << f.value("path").toArray().first().toString();
            if (next < spec.order.size() && focusInside(f, spec.order.at(next)))
                ++next;
        }
        QVERIFY2(next == spec.order.size(), qPrintable(page + ": expected " + spec.order.join(", ") +
                                                       "; Tab went " + visited.join(", ")));

        // Backwards: the same ring in reverse.
        for (int i = ring.size() - 1; i >= 0; --i) {
            key(Qt::Key_Backtab, Qt::ShiftModifier);
            QJsonObject f = focus();
            for (int wait = 0;
                 wait < 10 && f.value("ids").toArray().first() != ring.at(i).value("ids").toArray().first();
                 ++wait) {
                QTest::qWait(50);
                f = focus();
            }
            QVERIFY2(f.value("ids").toArray().first() == ring.at(i).value("ids").toArray().first(),
                     qPrintable(page + ": Shift+Tab went to " +
                                f.value("path").toVariant().toStringList().join('/') + " instead of " +
                                ring.at(i).value("path").toVariant().toStringList().join('/')));
        }
    }

    QList<PageSpec> pages() const
    {
        const QStringList tabs{"statusTab", "seatsTab", "libraryTab", "networkTab"};
        return {
            {"statusTab", "statusPage", "1",
             QStringList{"controllerNameComboBox", "renameButton", "versionUnfoldButton",
                         "showStartupDialogLink", "advancedControlsUnfoldButton", "motionDelaySlider",
                         "recognitionToleranceSlider", "resetAdvancedButton"} +
                 tabs},
            {"seatsTab", "seatsPage", "2",
             // The first card's controls top to bottom, then the next cards.
             QStringList{"seatCard1", "chainSwitch", "motionSlider", "vibrationSlider", "seatResetButton",
                         "seatCard2", "seatCard3"} +
                 tabs},
            {"libraryTab", "moviesPage", "3",
             QStringList{"searchBox", "titleTitle", "cutTitle", "durationTitle", "releaseDateTitle",
                         "moviesListView"} +
                 tabs},
            {"networkTab", "networkPage", "4",
             QStringList{"clientRadioButton", "adHocRadioButton", "clientOrAdHocButton",
                         "networkInterfacesComboBox"} +
                 tabs},
        };
    }

    // Every page at the current width: each tab stop named, and the first seat's slider read as `seatSlider`.
    void checkEveryPageNamed(const QString& label, const QString& seatSlider)
    {
        for (const PageSpec& spec : pages()) {
            QVERIFY(showTab(spec.tab));
            QTRY_VERIFY_WITH_TIMEOUT(get(spec.page, "visible").toBool(), 10000);
            if (QString(spec.page) == "statusPage")
                unfoldStatusPage();
            QVERIFY(!checkNamed(label + spec.page, spec.page).isEmpty());
            if (QString(spec.page) == "seatsPage")
                QCOMPARE(nodeNamed(tree("seatsPage"), "slider", "Slider"), seatSlider);
        }
        QVERIFY(!checkNamed(label + "tab bar", "tabBar").isEmpty());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        if (qEnvironmentVariableIsSet("VYRA_E2E_KEEP")) {
            m_dir.setAutoRemove(false);
            qInfo("logs in %s", qPrintable(m_dir.path()));
        }
        if (!AppUnitFixture::programsBuilt())
            QFAIL("the application or the simulated unit is not built");
        m_fx = std::make_unique<AppUnitFixture>(m_dir.path());
        QFile scenario(m_dir.filePath("scenario.json"));
        QVERIFY(scenario.open(QIODevice::WriteOnly));
        scenario.write(R"({"loop": false, "steps": [{"duration": 3600, "mediaIdState": "ident_success",
                          "motionCodeState": "available", "media": "The Godfather", "offset": 100}]})");
        scenario.close();

        startUnit();
        startApp("");
    }

    void cleanupTestCase() { m_fx.reset(); }

    // The first thing a fresh install shows: the dialog, modal, closed by Escape.
    void startupDialogByKeyboard()
    {
        QTRY_VERIFY_WITH_TIMEOUT(exists("startupDialogCloseButton"), 20000);
        const QJsonArray controls = focusables(ask({{"cmd", "a11y"}}).value("nodes").toArray());
        QStringList inDialog;
        for (const QJsonValue& v : controls) {
            const QJsonObject n = v.toObject();
            if (n.value("objectName") == "startupDialogCloseButton" ||
                n.value("objectName") == "showDialogOnStartupCheckBox" ||
                n.value("objectName") == "registrationLink")
                inDialog << n.value("id").toString();
            QVERIFY2(!label(n).isEmpty(), qPrintable(announce(n)));
        }
        QCOMPARE(inDialog.size(), 3);
        // Modal: Tab goes round the dialog's three controls and nowhere else.
        QSet<QString> seen;
        for (int i = 0; i < 7; ++i) {
            key(Qt::Key_Tab);
            const QString id = focus().value("ids").toArray().first().toString();
            QVERIFY2(inDialog.contains(id),
                     qPrintable(focus().value("path").toVariant().toStringList().join('/')));
            seen << id;
        }
        QCOMPARE(seen.size(), 3);
        key(Qt::Key_Escape);
        QTRY_VERIFY_WITH_TIMEOUT(!exists("startupDialogCloseButton"), 10000);
        // Back in the page it covered, the ring on its first control; Tab goes on in the page.
        QVERIFY(focusShownOn("controllerNameComboBox"));
        key(Qt::Key_Tab);
        QVERIFY(focusShownOn("renameButtonIcon"));
    }

    void everyControlNamedInEnglish()
    {
        closeStartupDialog();
        QVERIFY(resize(700));
        checkEveryPageNamed("700 ", "Seat 1 motion");
        if (QTest::currentTestFailed())
            return;

        QVERIFY(resize(1280));
        QVERIFY(showTab("statusTab"));
        QTRY_COMPARE_WITH_TIMEOUT(count("seatCard", "statusPage"), 3, 20000);
        const QStringList names = checkNamed("1280 statusPage", "statusPage");
        QVERIFY(names.contains("Seat 2 motion"));
        QVERIFY(names.contains("Seat 3 vibration"));
        QVERIFY(names.contains("Seat 2 muted"));
        // A status dot is announced with its line.
        QCOMPARE(nodeNamed(tree("statusPage"), "controllerStatusText", ""), QString("VYRA Online (OK)"));
        QVERIFY(!checkNamed("1280 tab bar", "tabBar").isEmpty());

        // The second step of the Wi-Fi wizard.
        QVERIFY(showTab("networkTab"));
        QTRY_VERIFY_WITH_TIMEOUT(get("networkPage", "visible").toBool(), 10000);
        QTest::qWait(1000); // the page slides in
        QVERIFY(ask({{"cmd", "click"}, {"name", "clientOrAdHocButton"}}).value("ok").toBool());
        QTRY_VERIFY_WITH_TIMEOUT(exists("wifiPasswordTextField"), 10000);
        const QStringList wizard = checkNamed("1280 networkPage, Wi-Fi network", "networkPage");
        QVERIFY2(wizard.contains("Wi-Fi security key"), qPrintable(wizard.join(", ")));
        // The drop-downs' inner text and the page's scroll bar are named too.
        const QJsonArray nodes = tree("networkPage");
        for (const QJsonValue& v : nodes) {
            if (v.toObject().value("objectName").toString() == "wifiPasswordTextField")
                QCOMPARE(label(v.toObject()), QString("Wi-Fi security key"));
        }
        int scrollBars = 0;
        for (const QJsonValue& v : nodes) {
            const QJsonObject n = v.toObject();
            if (n.value("role").toString() == "ScrollBar") {
                ++scrollBars;
                QCOMPARE(n.value("name").toString(), QString("Scroll the page"));
            }
            if (n.value("role").toString() == "EditableText")
                QVERIFY2(!label(n).isEmpty(), qPrintable(announce(n)));
        }
        QCOMPARE(scrollBars, 1);
        QVERIFY(ask({{"cmd", "click"}, {"name", "wifiCancelButton"}}).value("ok").toBool());
        QVERIFY(showTab("statusTab"));
    }

    void tabWalksEveryPage()
    {
        closeStartupDialog();
        QVERIFY(resize(700));
        for (const PageSpec& spec : pages()) {
            walkPage(spec);
            if (QTest::currentTestFailed())
                return;
        }
        // Wide: the seats are in the status page, after its own controls.
        QVERIFY(resize(1280));
        QVERIFY(showTab("statusTab"));
        QTRY_COMPARE_WITH_TIMEOUT(count("seatCard", "statusPage"), 3, 20000);
        walkPage({"statusTab",
                  "statusPage",
                  "1",
                  {"controllerNameComboBox", "resetAdvancedButton", "seatCard1", "seatCard3", "statusTab",
                   "networkTab"}});
    }

    void shortcutsSwitchPages()
    {
        closeStartupDialog();
        QVERIFY(resize(1280));
        key(Qt::Key_3, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(focusInside(focus(), "searchBox"), 10000);
        QVERIFY(get("moviesPage", "visible").toBool());
        // No Seats tab on a wide window: Ctrl+2 goes to the seats in the status page.
        key(Qt::Key_2, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(focusInside(focus(), "statusPageSeats"), 10000);
        key(Qt::Key_4, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(focusInside(focus(), "networkPage"), 10000);
        key(Qt::Key_1, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(focusInside(focus(), "controllerNameComboBox"), 10000);
    }

    void keysOperateControls()
    {
        closeStartupDialog();
        QVERIFY(resize(700));
        key(Qt::Key_2, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(focusInside(focus(), "seatCard1"), 10000);
        // Space toggles a switch, arrows move a slider by one step.
        QVERIFY(focusInside(focus(), "mutedSwitch"));
        const bool muted = get("mutedSwitch", "checked", "seatCard1").toBool();
        key(Qt::Key_Space);
        QTRY_COMPARE_WITH_TIMEOUT(get("mutedSwitch", "checked", "seatCard1").toBool(), !muted, 5000);
        key(Qt::Key_Tab);
        key(Qt::Key_Tab);
        QVERIFY(focusInside(focus(), "motionSlider"));
        const int motion = get("motionSlider", "value", "seatCard1").toInt();
        key(motion > -20 ? Qt::Key_Left : Qt::Key_Right);
        QTRY_COMPARE_WITH_TIMEOUT(get("motionSlider", "value", "seatCard1").toInt(),
                                  motion > -20 ? motion - 1 : motion + 1, 5000);

        // Enter folds and unfolds a section.
        key(Qt::Key_1, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(focusInside(focus(), "controllerNameComboBox"), 10000);
        for (int i = 0; i < 10 && !focusInside(focus(), "versionUnfoldButton"); ++i)
            key(Qt::Key_Tab);
        QVERIFY(focusInside(focus(), "versionUnfoldButton"));
        const bool folded = get("versionUnfoldButton", "folded").toBool();
        key(Qt::Key_Return);
        QCOMPARE(get("versionUnfoldButton", "folded").toBool(), !folded);

        // The pencil opens the name editor; Escape leaves it without renaming.
        key(Qt::Key_1, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(focusInside(focus(), "controllerNameComboBox"), 10000);
        key(Qt::Key_Tab);
        QVERIFY(focusInside(focus(), "renameButton"));
        key(Qt::Key_Return);
        // Typing goes into the name field at once, and Escape brings the keyboard back to the pencil.
        QTRY_VERIFY_WITH_TIMEOUT(focusInside(focus(), "nameTextField"), 5000);
        key(Qt::Key_Escape);
        QTRY_VERIFY_WITH_TIMEOUT(!exists("nameTextField"), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(focusInside(focus(), "renameButton"), 5000);
        QCOMPARE(get("controllerNameComboBox", "displayText").toString(), QString("A11y Unit"));
    }

    // After each step the keyboard focus is on the control the user goes on with, with the ring round it:
    // the pencil after the name editor (and its keys work), a number box reached by Tab, each step of the
    // Wi-Fi wizard (a short key stopped in the program, a refused one bringing back the network chosen).
    void focusFollowsEachStep()
    {
        closeStartupDialog();
        QVERIFY(resize(700));
        int from = m_fx->commandMark();

        // Rename: an empty or all-space name cannot be saved.
        key(Qt::Key_1, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(focusInside(focus(), "controllerNameComboBox"), 10000);
        key(Qt::Key_Tab);
        QVERIFY(focusShownOn("renameButtonIcon"));
        key(Qt::Key_Space);
        QTRY_VERIFY_WITH_TIMEOUT(focusInside(focus(), "nameTextField"), 5000);
        key(Qt::Key_A, Qt::ControlModifier);
        m_fx->type("   ");
        QCOMPARE(get("nameTextField", "text").toString(), QString("   "));
        QVERIFY(!get("saveNameButton", "enabled").toBool());
        key(Qt::Key_Return);
        QVERIFY(exists("nameTextField"));
        key(Qt::Key_A, Qt::ControlModifier);
        key(Qt::Key_Backspace);
        QVERIFY(!get("saveNameButton", "enabled").toBool());
        key(Qt::Key_Escape);
        QTRY_VERIFY_WITH_TIMEOUT(!exists("nameTextField"), 5000);
        QVERIFY(focusShownOn("renameButtonIcon"));
        // The keys work where the ring is: Enter opens the editor again; Save by keyboard.
        key(Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(focusInside(focus(), "nameTextField"), 5000);
        key(Qt::Key_A, Qt::ControlModifier);
        m_fx->type("Kbd Unit");
        QVERIFY(get("saveNameButton", "enabled").toBool());
        key(Qt::Key_Tab);
        key(Qt::Key_Tab);
        QVERIFY(focusShownOn("saveNameButton"));
        key(Qt::Key_Space);
        QTRY_VERIFY_WITH_TIMEOUT(!exists("nameTextField"), 5000);
        QVERIFY(focusShownOn("renameButtonIcon"));
        QTRY_COMPARE_WITH_TIMEOUT(sent(from, "SetVyraName"), QStringList{R"({"vyraName":"Kbd Unit"})"},
                                  10000);
        // The next Tab goes on from the pencil, not back to the unit list.
        key(Qt::Key_Tab);
        QVERIFY(!focusInside(focus(), "controllerNameComboBox"));
        QVERIFY(!focusInside(focus(), "renameButton"));
        QVERIFY(get("focusRing", "visible").toBool());
        key(Qt::Key_Backtab, Qt::ShiftModifier);
        QVERIFY(focusShownOn("renameButtonIcon"));

        // A number box shows the ring like every other control.
        key(Qt::Key_2, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(focusInside(focus(), "seatCard1"), 10000);
        for (int i = 0; i < 8 && !focusInside(focus(), "spinbox"); ++i)
            key(Qt::Key_Tab);
        QVERIFY(focusShownOn("spinbox"));
        const QRectF box = m_fx->rect("spinbox", "motionSlider");
        const QRectF ring = m_fx->rect("focusRing");
        QVERIFY2(ring.contains(box) && ring.width() < box.width() + 10,
                 qPrintable(QString("ring %1,%2 %3x%4, box %5,%6 %7x%8")
                                .arg(ring.x())
                                .arg(ring.y())
                                .arg(ring.width())
                                .arg(ring.height())
                                .arg(box.x())
                                .arg(box.y())
                                .arg(box.width())
                                .arg(box.height())));

        // Wi-Fi, by keyboard only.
        from = m_fx->commandMark();
        key(Qt::Key_4, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(focusInside(focus(), "networkPage"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(get("clientOrAdHocButton", "visible").toBool(), 10000);
        QVERIFY(get("clientRadioButton", "checked").toBool());
        for (int i = 0; i < 4 && !focusInside(focus(), "clientOrAdHocButton"); ++i)
            key(Qt::Key_Tab);
        QVERIFY(focusShownOn("clientOrAdHocButton"));
        key(Qt::Key_Space);
        QVERIFY(focusShownOn("wifiNetworksComboBox"));
        QTRY_VERIFY_WITH_TIMEOUT(get("wifiNetworksComboBox", "count").toInt() > 1, 20000);
        for (int i = 0; i < 8 && get("wifiNetworksComboBox", "currentText").toString() != "HomeNet"; ++i)
            key(Qt::Key_Down);
        QCOMPARE(get("wifiNetworksComboBox", "currentText").toString(), QString("HomeNet"));
        QVERIFY(!get("joinButton", "enabled").toBool()); // no key yet
        QVERIFY(get("wifiKeyHint", "visible").toBool());
        key(Qt::Key_Tab);
        key(Qt::Key_Tab);
        QVERIFY(focusShownOn("wifiPasswordTextField"));
        m_fx->type("short");
        QVERIFY(!get("joinButton", "enabled").toBool());
        QVERIFY(get("wifiKeyHint", "visible").toBool());
        key(Qt::Key_Return);
        QCOMPARE(get("wifiStackLayout", "currentIndex").toInt(), 2);
        m_fx->type(" but long");
        QVERIFY(get("joinButton", "enabled").toBool());
        QVERIFY(!get("wifiKeyHint", "visible", {}).toBool());
        key(Qt::Key_Return);
        // The unit refuses it; the result takes the focus.
        QTRY_COMPARE_WITH_TIMEOUT(get("wifiResultMessageLabel", "text").toString(),
                                  QString("VYRA Wi-Fi Configuration Failed"), 10000);
        QVERIFY(focusShownOn("wifiOkButton"));
        QCOMPARE(sent(from, "SetWifiSetting"), QStringList{R"({"setWifi":{"ssid":"HomeNet","key":"***"}})"});
        // OK: the same network and mode again, for another key.
        key(Qt::Key_Return);
        QCOMPARE(get("wifiStackLayout", "currentIndex").toInt(), 2);
        QCOMPARE(get("wifiNetworksComboBox", "currentText").toString(), QString("HomeNet"));
        QCOMPARE(get("wifiPasswordTextField", "text").toString(), QString());
        QVERIFY(focusShownOn("wifiPasswordTextField"));
        QVERIFY(!get("joinButton", "enabled").toBool());
        QVERIFY(m_fx->get("clientRadioButton", "checked", {}, false).toBool());
        // A 64-digit hexadecimal key would do; 40 characters is what the field takes.
        m_fx->type("0123456789abcdef0123456789abcdef01234567");
        QCOMPARE(get("wifiPasswordTextField", "text").toString().size(), 40);
        QVERIFY(get("joinButton", "enabled").toBool());
        // Nothing more went to the unit: the short key never left the program.
        QCOMPARE(sent(from, "SetWifiSetting").size(), 1);
        key(Qt::Key_1, Qt::ControlModifier);
    }

    void everyControlNamedInFrench()
    {
        stopApp();
        startUnit();
        startApp("fr");
        closeStartupDialog();
        QVERIFY(resize(700));
        checkEveryPageNamed("fr 700 ", "Fauteuil 1 : mouvement");
        if (QTest::currentTestFailed())
            return;
        QVERIFY(showTab("statusTab"));
        QCOMPARE(nodeNamed(tree("statusPage"), "controllerStatusText", ""), QString("VYRA en ligne (OK)"));
    }
};

QTEST_GUILESS_MAIN(TestUiAccessibility)
#include "tst_ui_accessibility.moc"
