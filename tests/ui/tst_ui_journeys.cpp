// What a user does on the status, library and network pages of the real program, at a wide and a narrow
// window, against two simulated units on loopback: every step is real mouse or key input, and each checks
// what the unit received (the bodies byte for byte), what the page shows at once (the units hold their
// echo back for a while) and what it shows once the unit's report came back.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include "AppUnitFixture.h"

namespace {

// How long the units hold back what a command causes: the page is read well inside it, before the echo.
const int ReportDelayMs = 800;
const int EchoTimeoutMs = 20000;

const char* const UnitNames[] = {"Journey One", "Journey Two"};

// A small library whose orders differ by every column (durations as the unit writes them sort as their
// minutes do here).
const char* const Library = "{\"films\": [\n"
                            "    {\"title\": \"Alpha Run\", \"releaseDate\": \"1999\", \"minutes\": 95, "
                            "\"cut\": \"Theatrical\", \"language\": \"English\"},\n"
                            "    {\"title\": \"beta Quest\", \"releaseDate\": \"2005\", \"minutes\": 120, "
                            "\"cut\": \"Director's Cut\", \"language\": \"English\"},\n"
                            "    {\"title\": \"Gamma Alpha\", \"releaseDate\": \"2010\", \"minutes\": 88, "
                            "\"cut\": \"Extended\", \"language\": \"English\"},\n"
                            "    {\"title\": \"Delta\", \"releaseDate\": \"1980\", \"minutes\": 130, "
                            "\"cut\": \"Theatrical\", \"language\": \"English\"},\n"
                            "    {\"title\": \"Echo Park\", \"releaseDate\": \"2001\", \"minutes\": 101, "
                            "\"cut\": \"Theatrical\", \"language\": \"English\"}\n"
                            "]}\n";

using Commands = QVector<SimulatedUnitProcess::Command>;

// The commands among what the unit received (the state requests of a connecting application left out).
Commands setCommands(const Commands& all)
{
    Commands out;
    for (const auto& c : all) {
        if (c.type.startsWith("Set"))
            out.append(c);
    }
    return out;
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

QStringList describe(const Commands& commands)
{
    QStringList out;
    for (const auto& c : commands)
        out << c.type + " " + c.body;
    return out;
}

} // namespace

class TestUiJourneys : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<AppUnitFixture> m_fx;
    QStringList m_unitArguments[2];

    // The unit the program is connected to, by the name its unit box shows.
    int currentUnit()
    {
        const QString shown = m_fx->get("controllerNameComboBox", "displayText", {}, false).toString();
        return shown == UnitNames[1] ? 1 : 0;
    }

    int mark() { return m_fx->commandMark(currentUnit()); }
    Commands sentSince(int from, int unit = -1)
    {
        return setCommands(m_fx->commands(from, unit < 0 ? currentUnit() : unit));
    }

    // Compares the commands a unit received since `from` with `expected` ("Type body" each), waiting until
    // as many arrived; more than expected fails too.
    bool received(int from, const QStringList& expected, int unit = -1)
    {
        QDeadlineTimer deadline(EchoTimeoutMs);
        while (sentSince(from, unit).size() < expected.size() && !deadline.hasExpired())
            QTest::qWait(10);
        const QStringList got = describe(sentSince(from, unit));
        if (got != expected) {
            qWarning("received:\n  %s\nexpected:\n  %s", qPrintable(got.join("\n  ")),
                     qPrintable(expected.join("\n  ")));
            return false;
        }
        return true;
    }

    // Waits until the unit sent `n` reports of `report` since its log had `logFrom` characters, and the
    // program handled them: the playback report the unit sends each second, on the same link after them, has
    // moved the page's progress on.
    bool settled(int unit, int logFrom, const QString& report, int n)
    {
        const QString line = "-> * " + report;
        QDeadlineTimer deadline(EchoTimeoutMs);
        while (m_fx->unitLog(unit).mid(logFrom).count(line) < n) {
            if (deadline.hasExpired())
                return false;
            QTest::qWait(10);
        }
        const QString progress = m_fx->get("movieProgressLabel", "text", {}, false).toString();
        while (m_fx->get("movieProgressLabel", "text", {}, false).toString() == progress) {
            if (deadline.hasExpired())
                return false;
            QTest::qWait(10);
        }
        return true;
    }

    // Waits until an item shows and stays where it is (a dialog's opening animation has ended).
    bool still(const QString& name)
    {
        QDeadlineTimer deadline(10000);
        QRectF last;
        int same = 0;
        while (same < 3 && !deadline.hasExpired()) {
            const QRectF r = m_fx->rect(name);
            same = (r.isValid() && r == last) ? same + 1 : 0;
            last = r;
            QTest::qWait(20);
        }
        return same >= 3;
    }

    // Clicks a tab and waits until its page has slid in: a click on a sliding page lands elsewhere.
    bool showPage(const QString& tab, const QString& page)
    {
        if (!m_fx->click(tab))
            return false;
        QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired()) {
            const QRectF r = m_fx->rect(page);
            if (r.isValid() && qFuzzyIsNull(r.x()) && !m_fx->get("swipeView", "contentItem.moving").toBool())
                return true;
            QTest::qWait(10);
        }
        return false;
    }

    bool useWidth(int width)
    {
        if (!m_fx->resize(width, 900))
            return false;
        return showPage("statusTab", "statusPage");
    }

    // Opens a box's list with a click and clicks the entry with `text`; returns once the list has closed.
    bool chooseInPopup(const QString& comboBox, const QString& text, const QString& under = {})
    {
        if (!m_fx->click(comboBox, 0.5, 0.5, under)) {
            qWarning("no %s to click", qPrintable(comboBox));
            return false;
        }
        QDeadlineTimer deadline(10000);
        while (!m_fx->get(comboBox, "popup.opened", under).toBool()) {
            if (deadline.hasExpired()) {
                qWarning("the list of %s did not open", qPrintable(comboBox));
                return false;
            }
            QTest::qWait(10);
        }
        QStringList entries;
        for (int i = 0; i < m_fx->get(comboBox, "count", under).toInt(); ++i) {
            const QString entry = QString("comboBoxEntry%1").arg(i);
            entries << m_fx->get(entry, "text").toString();
            if (entries.last() != text)
                continue;
            if (!m_fx->click(entry)) {
                qWarning("entry %d of %s not clickable: %s", i, qPrintable(comboBox),
                         qPrintable(QJsonDocument(m_fx->ask({{"cmd", "rect"}, {"name", entry}})).toJson()));
                return false;
            }
            // A click while the list is still closing would land on its fading overlay.
            while (m_fx->get(comboBox, "popup.visible", under).toBool() && !deadline.hasExpired())
                QTest::qWait(10);
            return !m_fx->get(comboBox, "popup.visible", under).toBool();
        }
        qWarning("%s lists %s, not %s", qPrintable(comboBox), qPrintable(entries.join(", ")),
                 qPrintable(text));
        return false;
    }

    QString sliderText(const QString& label) { return m_fx->get(label, "text").toString(); }
    int sliderShows(const QString& slider) { return m_fx->get("spinbox", "value", slider).toInt(); }
    double sliderPosition(const QString& slider)
    {
        return m_fx->get("slider", "position", slider).toDouble();
    }

    // The up or down button of a slider's number box, as a fraction of the box.
    double stepButtonX(const QString& slider, bool up)
    {
        const QRectF box = m_fx->rect("spinbox", slider);
        const double half = box.height() / 2 / box.width();
        return up ? 1 - half : half;
    }

    // The titles the library list shows, top to bottom, as a screen reader reads its rows.
    QStringList libraryRows()
    {
        QStringList titles;
        const QJsonArray nodes =
            m_fx->ask({{"cmd", "a11y"}, {"under", "moviesListView"}}).value("nodes").toArray();
        for (const QJsonValue& v : nodes) {
            const QJsonObject n = v.toObject();
            if (n.value("role").toString() == "ListItem")
                titles << n.value("name").toString().section(", ", 0, 0);
        }
        return titles;
    }

    // What a screen reader says for a library column header: its name, with the order when it sorts.
    QString headerSays(const QString& header)
    {
        const QJsonArray nodes = m_fx->ask({{"cmd", "a11y"}, {"under", header}}).value("nodes").toArray();
        for (const QJsonValue& v : nodes) {
            const QJsonObject n = v.toObject();
            if (n.value("role").toString() == "ColumnHeader")
                return n.value("name").toString();
        }
        return QString();
    }

    // The headers as a screen reader hears them, and which one shows the arrow.
    QStringList headers()
    {
        QStringList out;
        for (const char* h : {"titleTitle", "cutTitle", "durationTitle", "releaseDateTitle"}) {
            const bool arrow = m_fx->get(QString(h) + "Arrow", "visible", {}, false).toBool();
            out << headerSays(h) + (arrow ? " ^" : "");
        }
        return out;
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
        QFile library(m_dir.filePath("library.json"));
        QVERIFY(library.open(QIODevice::WriteOnly));
        library.write(Library);
        library.close();
        QFile scenario(m_dir.filePath("scenario.json"));
        QVERIFY(scenario.open(QIODevice::WriteOnly));
        scenario.write(R"({"loop": false, "steps": [{"duration": 36000, "mediaIdState": "ident_success",
            "motionCodeState": "available", "media": "Echo Park", "offset": 100}]})");
        scenario.close();

        // Two units announcing themselves, as on a home network; the program finds both and connects to one.
        m_fx = std::make_unique<AppUnitFixture>(m_dir.path());
        for (int i = 0; i < 2; ++i) {
            m_unitArguments[i] = QStringList{
                "--name", UnitNames[i], "--seats", QString::number(2 - i), "--library", library.fileName(),
                "--scenario", scenario.fileName(), "--report-delay", QString::number(ReportDelayMs),
                // A playback report every 100 ms: settled() waits for one.
                "--time-scale", "0.1"};
            QVERIFY(m_fx->startUnit(m_unitArguments[i], true));
        }
        // An empty host leaves discovery on.
        QVERIFY(m_fx->startApp({"-a", ""}));
        QTRY_COMPARE_WITH_TIMEOUT(m_fx->get("controllerNameComboBox", "count", {}, false).toInt(), 2, 30000);
        QTRY_COMPARE_WITH_TIMEOUT(m_fx->get("controllerStatusText", "text", {}, false).toString(),
                                  QString("VYRA Online"), 60000);
        // A fresh install greets with a modal dialog; Escape closes it.
        QTRY_VERIFY_WITH_TIMEOUT(m_fx->exists("startupDialogCloseButton"), 20000);
        QVERIFY(m_fx->key(Qt::Key_Escape));
        QTRY_VERIFY_WITH_TIMEOUT(!m_fx->exists("startupDialogCloseButton"), 10000);
    }

    void cleanupTestCase()
    {
        if (m_fx && !m_fx->appRunning())
            qWarning("the program ended early:\n%s", qPrintable(m_fx->appLog()));
        m_fx.reset();
    }

    void cleanup()
    {
        // Whatever a journey did, the program must still be running.
        QVERIFY2(m_fx->appRunning(), qPrintable(m_fx->appLog().right(4000)));
    }

    void journey_data()
    {
        QTest::addColumn<int>("width");
        QTest::newRow("1280") << 1280;
        QTest::newRow("700") << 700;
    }

    // The unit box: the other unit chosen with the mouse from the list, then the first one again with the
    // keyboard. The box shows the choice at once, the chosen unit is asked for its state, and the page then
    // shows that unit's seats.
    void unitChoice_data() { journey_data(); }
    void unitChoice()
    {
        QFETCH(int, width);
        QVERIFY(useWidth(width));
        QVERIFY(m_fx->reveal("controllerNameComboBox", "controllerFlickable"));
        const int first = currentUnit();
        const int other = 1 - first;

        const auto chosen = [&](int unit, int from) {
            // A connecting program asks for the whole state, each request with an empty body.
            QStringList asked;
            for (const auto& c : m_fx->commands(from, unit)) {
                if (c.type.startsWith("Get") && c.body.isEmpty())
                    asked << c.type;
            }
            return asked.contains("GetVyraNameNotification") && asked.contains("GetSeatStatusNotification") &&
                   asked.contains("GetMotionDelayNotification") && asked.contains("GetMediaListNotification");
        };
        const auto seatsShown = [&] {
            if (width >= 1000)
                return m_fx->count("seatCard", "statusPageSeats");
            // Narrow: the seats have a page of their own.
            if (!showPage("seatsTab", "seatsPage"))
                return -1;
            const int n = m_fx->count("seatCard", "seatsFlickable");
            return showPage("statusTab", "statusPage") ? n : -1;
        };

        // With the mouse.
        int from = m_fx->commandMark(other);
        QVERIFY(chooseInPopup("controllerNameComboBox", UnitNames[other]));
        QCOMPARE(m_fx->get("controllerNameComboBox", "displayText").toString(), QString(UnitNames[other]));
        QTRY_VERIFY_WITH_TIMEOUT(!m_fx->get("controllerNameComboBox", "popup.visible").toBool(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(chosen(other, from), EchoTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(m_fx->get("controllerStatusText", "text").toString(),
                                  QString("VYRA Online"), EchoTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(seatsShown(), 2 - other, EchoTimeoutMs);
        QCOMPARE(describe(sentSince(from, other)), QStringList());

        // With the keyboard in the list a click opened: an arrow moves to the entry, Return takes it.
        from = m_fx->commandMark(first);
        QVERIFY(m_fx->click("controllerNameComboBox"));
        QCOMPARE(m_fx->focus().value("objectName").toString(), QString("controllerNameComboBox"));
        QTRY_VERIFY_WITH_TIMEOUT(m_fx->get("controllerNameComboBox", "popup.opened").toBool(), 5000);
        const int firstRow = m_fx->get("comboBoxEntry0", "text").toString() == UnitNames[first] ? 0 : 1;
        QVERIFY(m_fx->key(firstRow == 0 ? Qt::Key_Up : Qt::Key_Down));
        QCOMPARE(m_fx->get("controllerNameComboBox", "highlightedIndex").toInt(), firstRow);
        QVERIFY(m_fx->key(Qt::Key_Return));
        QCOMPARE(m_fx->get("controllerNameComboBox", "displayText").toString(), QString(UnitNames[first]));
        QTRY_VERIFY_WITH_TIMEOUT(!m_fx->get("controllerNameComboBox", "popup.visible").toBool(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(chosen(first, from), EchoTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(m_fx->get("controllerStatusText", "text").toString(),
                                  QString("VYRA Online"), EchoTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(seatsShown(), 2 - first, EchoTimeoutMs);
        QCOMPARE(describe(sentSince(from, first)), QStringList());
    }

    // Motion delay and recognition tolerance: a click on the slider, arrow keys (out and back to the unit's
    // value), the number box's + and -, a drag, and "Reset to Defaults". Every value the user set reaches the
    // unit, in order, and nothing else; the control shows the value at once, the text the unit's value; once
    // the unit reported back both agree.
    void advancedControls_data() { journey_data(); }
    void advancedControls()
    {
        QFETCH(int, width);
        QVERIFY(useWidth(width));
        QVERIFY(m_fx->reveal("advancedControlsUnfoldButton", "controllerFlickable"));
        if (m_fx->get("advancedControlsUnfoldButton", "folded").toBool())
            QVERIFY(m_fx->click("advancedControlsUnfoldButton"));
        QTRY_VERIFY_WITH_TIMEOUT(m_fx->get("motionDelaySlider", "enabled").toBool(), 10000);

        struct Control
        {
            const char* slider;
            const char* label;
            const char* text; // the label, %1 the unit's value
            const char* type;
            const char* key;
            int from;
            int to;
        };
        const Control controls[] = {{"motionDelaySlider", "motionDelayText", "Motion Delay: %1 ms",
                                     "SetMotionDelay", "motionDelay", -200, 200},
                                    {"recognitionToleranceSlider", "recognitionToleranceText",
                                     "Recognition Tolerance: %1 s", "SetRecognitionTolerance",
                                     "recognitionTolerance", 0, 100}};

        for (const Control& c : controls) {
            const QString slider = c.slider;
            const auto bodyOnly = [&](int v) { return QString(R"({"%1":%2})").arg(c.key).arg(v); };
            const auto body = [&](int v) { return QString("%1 {\"%2\":%3}").arg(c.type, c.key).arg(v); };
            const auto labelShows = [&](int v) { return QString(c.text).arg(v); };
            QVERIFY(m_fx->reveal(slider, "controllerFlickable"));
            // Where the controls just made have found their place.
            QVERIFY(still(slider));
            // The unit's value, shown by both.
            const int unitValue = sliderShows(slider);
            QCOMPARE(sliderText(c.label), labelShows(unitValue));

            // A click on the slider at three quarters: the handle goes there, the box shows the value.
            int from = mark();
            QVERIFY(m_fx->click("slider", 0.75, 0.5, slider));
            const int clicked = sliderShows(slider);
            QVERIFY2(qAbs(clicked - (c.from + 0.75 * (c.to - c.from))) <= 0.05 * (c.to - c.from),
                     qPrintable(QString::number(clicked)));
            QVERIFY(clicked != unitValue);
            QCOMPARE(sliderText(c.label), labelShows(unitValue)); // before the echo
            QVERIFY(received(from, {body(clicked)}));
            QTRY_COMPARE_WITH_TIMEOUT(sliderText(c.label), labelShows(clicked), EchoTimeoutMs);
            QCOMPARE(sliderShows(slider), clicked);
            // The unit's report is not sent back to it.
            QVERIFY(received(from, {body(clicked)}));

            // Keys, with the focus the click gave, all before the first echo: three steps up, then three
            // down, then one up and back down to the unit's value. Each step shows at once and each reaches
            // the unit.
            int unit = currentUnit();
            for (const QVector<int>& keys : {QVector<int>{Qt::Key_Right, Qt::Key_Right, Qt::Key_Right},
                                             QVector<int>{Qt::Key_Left, Qt::Key_Left, Qt::Key_Left},
                                             QVector<int>{Qt::Key_Right, Qt::Key_Left}}) {
                from = mark();
                const int logFrom = m_fx->unitLog(unit).size();
                const int start = sliderShows(slider);
                QStringList expected;
                for (int key : keys) {
                    const int now = sliderShows(slider) + (key == Qt::Key_Right ? 1 : -1);
                    QVERIFY(m_fx->key(key));
                    QCOMPARE(sliderShows(slider), now);
                    expected << body(now);
                }
                const int last = sliderShows(slider);
                QCOMPARE(sliderText(c.label), labelShows(start)); // before the echo
                QVERIFY(received(from, expected));
                QVERIFY(settled(unit, logFrom, QString(c.type).replace("Set", "Get") + "Notification",
                                keys.size()));
                QCOMPARE(sliderText(c.label), labelShows(last));
                QCOMPARE(sliderShows(slider), last);
                QVERIFY(received(from, expected)); // the reports were not sent back
            }

            // The number box: + twice, - once, each a click on the button.
            from = mark();
            int logFrom = m_fx->unitLog(unit).size();
            int start = sliderShows(slider);
            QStringList expected;
            for (bool up : {true, true, false}) {
                const int now = sliderShows(slider) + (up ? 1 : -1);
                QVERIFY(m_fx->click("spinbox", stepButtonX(slider, up), 0.5, slider));
                QCOMPARE(sliderShows(slider), now);
                expected << body(now);
            }
            QCOMPARE(sliderText(c.label), labelShows(start)); // before the echo
            QVERIFY(received(from, expected));
            QVERIFY(settled(unit, logFrom, QString(c.type).replace("Set", "Get") + "Notification", 3));
            QCOMPARE(sliderText(c.label), labelShows(start + 1));
            QCOMPARE(sliderShows(slider), start + 1);

            // A drag from a quarter to three fifths: the values on the way go out in order, the last one
            // where the hand let go, and the box follows the handle.
            from = mark();
            logFrom = m_fx->unitLog(unit).size();
            start = sliderShows(slider);
            QVERIFY(m_fx->drag("slider", 0.25, 0.6, 8, slider));
            const int dropped = sliderShows(slider);
            QVERIFY2(qAbs(dropped - (c.from + 0.6 * (c.to - c.from))) <= 0.05 * (c.to - c.from),
                     qPrintable(QString::number(dropped)));
            QCOMPARE(dropped, int(std::floor(c.from + sliderPosition(slider) * (c.to - c.from) + 0.5)));
            QCOMPARE(sliderText(c.label), labelShows(start)); // before the echo
            const QString droppedBody = bodyOnly(dropped);
            QTRY_VERIFY_WITH_TIMEOUT(!sentSince(from).isEmpty() && sentSince(from).last().body == droppedBody,
                                     EchoTimeoutMs);
            const Commands dragged = sentSince(from);
            QVERIFY2(dragged.size() >= 3, qPrintable(describe(dragged).join("\n")));
            int previous = c.from - 1;
            for (const auto& d : dragged) {
                QCOMPARE(d.type, QString(c.type));
                const int v =
                    QJsonDocument::fromJson(d.body.toUtf8()).object().value(c.key).toInt(c.from - 1);
                const QString expectedBody = bodyOnly(v);
                QCOMPARE(d.body, expectedBody);
                QVERIFY2(v > previous, qPrintable(describe(dragged).join("\n")));
                previous = v;
            }
            QVERIFY(settled(unit, logFrom, QString(c.type).replace("Set", "Get") + "Notification",
                            dragged.size()));
            QCOMPARE(sliderText(c.label), labelShows(dropped));
            QCOMPARE(sliderShows(slider), dropped);
            QCOMPARE(sentSince(from).size(), dragged.size());
        }

        // Reset to Defaults: tolerance 5 s, then delay 0 ms; the sliders follow the unit's reports.
        QVERIFY(m_fx->reveal("resetAdvancedButton", "controllerFlickable"));
        const int from = mark();
        const int delayBefore = sliderShows("motionDelaySlider");
        QVERIFY(m_fx->click("resetAdvancedButton"));
        QCOMPARE(sliderShows("motionDelaySlider"), delayBefore); // before the echo
        QVERIFY(received(from, {R"(SetRecognitionTolerance {"recognitionTolerance":5})",
                                R"(SetMotionDelay {"motionDelay":0})"}));
        QTRY_COMPARE_WITH_TIMEOUT(sliderText("motionDelayText"), QString("Motion Delay: 0 ms"),
                                  EchoTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(sliderText("recognitionToleranceText"),
                                  QString("Recognition Tolerance: 5 s"), EchoTimeoutMs);
        QCOMPARE(sliderShows("motionDelaySlider"), 0);
        QCOMPARE(sliderShows("recognitionToleranceSlider"), 5);
        QVERIFY(received(from, {R"(SetRecognitionTolerance {"recognitionTolerance":5})",
                                R"(SetMotionDelay {"motionDelay":0})"}));
    }

    // Rename: Cancel and Escape keep the name and send nothing; Save and Enter send the name as typed (JSON
    // escaped); the box shows the new name once the unit reported it.
    void rename_data() { journey_data(); }
    void rename()
    {
        QFETCH(int, width);
        QVERIFY(useWidth(width));
        QVERIFY(m_fx->reveal("renameButton", "controllerFlickable"));
        const int unit = currentUnit();
        const QString name = UnitNames[unit];
        const int from = mark();

        const auto edit = [&](const QString& text) {
            QVERIFY(m_fx->click("renameButton"));
            QVERIFY(m_fx->exists("nameTextField"));
            QCOMPARE(m_fx->get("nameTextField", "text").toString(),
                     m_fx->get("controllerNameComboBox", "displayText", {}, false).toString());
            QCOMPARE(m_fx->focus().value("objectName").toString(), QString("nameTextField"));
            QVERIFY(m_fx->key(Qt::Key_A, Qt::ControlModifier));
            QVERIFY(m_fx->type(text));
            QCOMPARE(m_fx->get("nameTextField", "text").toString(), text);
        };
        const auto viewing = [&] {
            return !m_fx->exists("nameTextField") && m_fx->exists("renameButton") &&
                   m_fx->focus().value("objectName").toString() == "renameButtonIcon" &&
                   m_fx->get("focusRing", "visible").toBool();
        };

        edit("Not This");
        QVERIFY(m_fx->click("cancelNameButton"));
        QVERIFY(viewing());
        QCOMPARE(m_fx->get("controllerNameComboBox", "displayText").toString(), name);

        edit("Nor This");
        QVERIFY(m_fx->key(Qt::Key_Escape));
        QVERIFY(viewing());
        QCOMPARE(m_fx->get("controllerNameComboBox", "displayText").toString(), name);

        const QString typed = QString::fromUtf8("Ciné \"%1\"").arg(width);
        // UTF-8, the quotes escaped (docs/protocol.md).
        const QString saved = QString::fromUtf8("SetVyraName {\"vyraName\":\"Ciné \\\"%1\\\"\"}").arg(width);
        edit(typed);
        QVERIFY(m_fx->click("saveNameButton"));
        QVERIFY(viewing());
        QCOMPARE(m_fx->get("controllerNameComboBox", "displayText").toString(), name); // before the echo
        QVERIFY(received(from, {saved}));
        QTRY_COMPARE_WITH_TIMEOUT(m_fx->get("controllerNameComboBox", "displayText").toString(), typed,
                                  EchoTimeoutMs);

        // Enter takes the name back.
        edit(name);
        QVERIFY(m_fx->key(Qt::Key_Return));
        QVERIFY(viewing());
        QCOMPARE(m_fx->get("controllerNameComboBox", "displayText").toString(), typed); // before the echo
        QVERIFY(received(from, {saved, QString(R"(SetVyraName {"vyraName":"%1"})").arg(name)}, unit));
        QTRY_COMPARE_WITH_TIMEOUT(m_fx->get("controllerNameComboBox", "displayText").toString(), name,
                                  EchoTimeoutMs);
    }

    // Library: typing in the search field narrows the list with each key (letter case ignored); the column
    // headers sort what is shown, a second click the other way; the X brings every title back. All of it
    // happens in the program: the unit receives nothing.
    void librarySearchAndSort_data() { journey_data(); }
    void librarySearchAndSort()
    {
        QFETCH(int, width);
        QVERIFY(useWidth(width));
        const int from = mark();
        QVERIFY(showPage("libraryTab", "moviesPage"));
        QTRY_COMPARE_WITH_TIMEOUT(libraryRows().size(), 5, EchoTimeoutMs);
        // One header says how the rows are sorted (by title as the library came, or as the last journey
        // left them).
        const QStringList byTitle{"Title, sorted ascending ^", "Cut", "Duration", "Release Date"};
        QCOMPARE(headers().filter(", sorted ").size(), 1);
        QCOMPARE(headers().filter(" ^").size(), 1);
        // The table fills the page's width, up to the room kept for the scroll bar; five titles fit, so
        // there is no bar.
        const QRectF row = m_fx->rect("titlesRow");
        QVERIFY2(row.right() >= width - 60, qPrintable(QString::number(row.right())));
        QVERIFY(!m_fx->get("moviesScrollBar", "contentItem.visible", {}, false).toBool());

        QVERIFY(m_fx->click("searchBox"));
        QVERIFY(m_fx->type("AL"));
        QCOMPARE(sorted(libraryRows()), (QStringList{"Alpha Run", "Gamma Alpha"}));
        QVERIFY(m_fx->type("pha r"));
        QCOMPARE(libraryRows(), QStringList{"Alpha Run"});
        QVERIFY(m_fx->key(Qt::Key_Backspace));
        QVERIFY(m_fx->key(Qt::Key_Backspace));
        QCOMPARE(sorted(libraryRows()), (QStringList{"Alpha Run", "Gamma Alpha"}));

        QVERIFY(m_fx->click("durationTitle"));
        QCOMPARE(libraryRows(), (QStringList{"Gamma Alpha", "Alpha Run"}));
        QCOMPARE(headers(), (QStringList{"Title", "Cut", "Duration, sorted ascending ^", "Release Date"}));
        QVERIFY(m_fx->click("durationTitle"));
        QCOMPARE(libraryRows(), (QStringList{"Alpha Run", "Gamma Alpha"}));
        QCOMPARE(headers(), (QStringList{"Title", "Cut", "Duration, sorted descending ^", "Release Date"}));

        // Without the search the titles are in the library's order again, and the headers follow.
        QVERIFY(m_fx->click("clearSearchButton"));
        QCOMPARE(m_fx->get("searchBox", "text").toString(), QString());
        QCOMPARE(libraryRows().size(), 5);
        QCOMPARE(headers(), byTitle);
        QVERIFY(m_fx->click("titleTitle"));
        QCOMPARE(libraryRows(),
                 (QStringList{"Alpha Run", "beta Quest", "Delta", "Echo Park", "Gamma Alpha"}));
        QVERIFY(m_fx->click("titleTitle"));
        QCOMPARE(libraryRows(),
                 (QStringList{"Gamma Alpha", "Echo Park", "Delta", "beta Quest", "Alpha Run"}));
        QCOMPARE(headers(), (QStringList{"Title, sorted descending ^", "Cut", "Duration", "Release Date"}));
        QVERIFY(m_fx->click("releaseDateTitle"));
        QCOMPARE(libraryRows(),
                 (QStringList{"Delta", "Alpha Run", "Echo Park", "beta Quest", "Gamma Alpha"}));
        QVERIFY(m_fx->click("durationTitle"));
        QCOMPARE(libraryRows(),
                 (QStringList{"Gamma Alpha", "Alpha Run", "Echo Park", "beta Quest", "Delta"}));
        // Equal cuts keep the order shown before.
        QVERIFY(m_fx->click("cutTitle"));
        QCOMPARE(libraryRows(),
                 (QStringList{"beta Quest", "Gamma Alpha", "Alpha Run", "Echo Park", "Delta"}));
        QVERIFY(m_fx->click("cutTitle"));
        QVERIFY(m_fx->click("releaseDateTitle"));
        QVERIFY(m_fx->click("durationTitle"));

        QCOMPARE(describe(sentSince(from)), QStringList());
        QVERIFY(showPage("statusTab", "statusPage"));
    }

    // The Wi-Fi wizard, both ways. As a client: Next, a network chosen from the list with the mouse, the key
    // typed, Join; the unit receives the network and the key as typed, the page says "configuring" until the
    // unit reports the network joined. As an access point: the radio button turns Next into Apply; the unit
    // receives the request to become the access point, and the page waits for its report.
    void wifiWizard_data() { journey_data(); }
    void wifiWizard()
    {
        QFETCH(int, width);
        QVERIFY(useWidth(width));
        QVERIFY(showPage("networkTab", "networkPage"));
        QTRY_COMPARE_WITH_TIMEOUT(m_fx->get("wifiStackLayout", "currentIndex").toInt(), 1, EchoTimeoutMs);

        // Client of a chosen network.
        int from = mark();
        QVERIFY(m_fx->click("clientRadioButton"));
        QCOMPARE(m_fx->get("clientOrAdHocButton", "text").toString(), QString("Next"));
        QVERIFY(m_fx->click("clientOrAdHocButton"));
        QCOMPARE(m_fx->get("wifiStackLayout", "currentIndex").toInt(), 2);
        QTRY_VERIFY_WITH_TIMEOUT(m_fx->get("wifiNetworksComboBox", "count").toInt() > 1, EchoTimeoutMs);
        QVERIFY(!m_fx->get("joinButton", "enabled").toBool()); // no network chosen yet
        QVERIFY(chooseInPopup("wifiNetworksComboBox", "HomeNet"));
        QCOMPARE(m_fx->get("wifiNetworksComboBox", "currentText").toString(), QString("HomeNet"));
        QVERIFY(m_fx->click("wifiPasswordTextField"));
        QVERIFY(m_fx->type("correct horse battery"));
        QVERIFY(m_fx->click("joinButton"));
        QCOMPARE(m_fx->get("wifiStackLayout", "currentIndex").toInt(), 3); // configuring, before the echo
        QVERIFY(received(from, {R"(SetWifiSetting {"setWifi":{"ssid":"HomeNet","key":"***"}})"}));
        QTRY_COMPARE_WITH_TIMEOUT(m_fx->get("wifiResultMessageLabel", "text").toString(),
                                  QString("VYRA Wi-Fi Successfully Configured"), EchoTimeoutMs);
        QCOMPARE(m_fx->get("wifiStackLayout", "currentIndex").toInt(), 4);
        QVERIFY(m_fx->click("wifiOkButton"));
        QCOMPARE(m_fx->get("wifiStackLayout", "currentIndex").toInt(), 1);

        // Access point.
        from = mark();
        QVERIFY(m_fx->click("adHocRadioButton"));
        QCOMPARE(m_fx->get("clientOrAdHocButton", "text").toString(), QString("Apply"));
        QVERIFY(m_fx->click("clientOrAdHocButton"));
        QCOMPARE(m_fx->get("wifiStackLayout", "currentIndex").toInt(), 5); // configuring, before the echo
        QVERIFY(received(from, {R"(SetWifiSetting {"setWifi":{"clear":true}})"}));
        QTRY_COMPARE_WITH_TIMEOUT(m_fx->get("wifiResultMessageLabel", "text").toString(),
                                  QString("VYRA Wi-Fi Successfully Configured"), EchoTimeoutMs);
        QVERIFY(m_fx->click("wifiOkButton"));
        QCOMPARE(m_fx->get("wifiStackLayout", "currentIndex").toInt(), 1);
        QVERIFY(m_fx->click("clientRadioButton"));
        QVERIFY(received(from, {R"(SetWifiSetting {"setWifi":{"clear":true}})"}));
        QVERIFY(showPage("statusTab", "statusPage"));
    }

    // The unit comes back with a new key (as after a factory reset): refused, nothing reaches it, both
    // fingerprints shown; the user accepts the new key through the dialog, the program connects, and the
    // unit then gets what the user does.
    void changedKeyAccepted_data() { journey_data(); }
    void changedKeyAccepted()
    {
        QFETCH(int, width);
        QVERIFY(useWidth(width));
        const int unit = currentUnit();
        const int keys = m_fx->unit(unit).fingerprints().size();
        QVERIFY(m_fx->restartUnit(m_unitArguments[unit] + QStringList{"--new-key"}, unit));
        const int from = m_fx->commandMark(unit);
        QTRY_COMPARE_WITH_TIMEOUT(m_fx->unit(unit).fingerprints().size(), keys + 1, EchoTimeoutMs);
        const QStringList fingerprints = m_fx->unit(unit).fingerprints();

        QTRY_VERIFY_WITH_TIMEOUT(m_fx->get("unitKeyPanel", "visible").toBool(), 60000);
        QVERIFY(m_fx->get("pinnedKeyFingerprint", "text").toString().endsWith(fingerprints[keys - 1]));
        QVERIFY(m_fx->get("offeredKeyFingerprint", "text").toString().endsWith(fingerprints[keys]));
        QVERIFY(m_fx->get("controllerStatusText", "text").toString() != QString("VYRA Online"));
        QCOMPARE(m_fx->commands(from, unit).size(), 0);

        QVERIFY(m_fx->reveal("acceptUnitKeyButton", "controllerFlickable"));
        QVERIFY(m_fx->click("acceptUnitKeyButton"));
        QVERIFY(still("acceptUnitKeyConfirmButton"));
        QCOMPARE(m_fx->commands(from, unit).size(), 0); // nothing before the user's word
        QVERIFY(m_fx->click("acceptUnitKeyConfirmButton"));
        QTRY_VERIFY_WITH_TIMEOUT(!m_fx->exists("acceptUnitKeyConfirmButton"), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(m_fx->get("controllerStatusText", "text").toString(),
                                  QString("VYRA Online"), 60000);
        QTRY_VERIFY_WITH_TIMEOUT(!m_fx->get("unitKeyPanel", "visible", {}, false).toBool(), EchoTimeoutMs);
        QVERIFY(m_fx->commands(from, unit).size() > 0);

        // A command goes through now: one step of the motion delay with the keyboard.
        QVERIFY(m_fx->reveal("advancedControlsUnfoldButton", "controllerFlickable"));
        if (m_fx->get("advancedControlsUnfoldButton", "folded").toBool())
            QVERIFY(m_fx->click("advancedControlsUnfoldButton"));
        QVERIFY(m_fx->reveal("motionDelaySlider", "controllerFlickable"));
        QTRY_VERIFY_WITH_TIMEOUT(m_fx->get("motionDelaySlider", "enabled").toBool(), EchoTimeoutMs);
        const int before = sliderShows("motionDelaySlider");
        const int mark = m_fx->commandMark(unit);
        QVERIFY(m_fx->click("spinbox", stepButtonX("motionDelaySlider", true), 0.5, "motionDelaySlider"));
        QVERIFY(received(mark, {QString(R"(SetMotionDelay {"motionDelay":%1})").arg(before + 1)}, unit));
        QTRY_COMPARE_WITH_TIMEOUT(sliderText("motionDelayText"),
                                  QString("Motion Delay: %1 ms").arg(before + 1), EchoTimeoutMs);
    }
};

QTEST_GUILESS_MAIN(TestUiJourneys)
#include "tst_ui_journeys.moc"
