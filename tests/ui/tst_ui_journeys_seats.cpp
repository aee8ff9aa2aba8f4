// The seat cards of the real program against the simulated unit, driven as a person drives them: mouse
// presses, moves and releases, and key clicks, at 1280 and at 700 pixels of window width. For every input:
// the "SetSeatSetting" bodies the unit received, byte for byte; what the card shows at once, before the unit
// answers; and what it shows once the unit's report came back. The unit answers a little late, and the
// program shows a report only after the user has left the seat alone for a second: the card that shows the
// input right after it shows the program's own state.
#include <functional>

#include <QJsonArray>
#include <QTemporaryDir>
#include <QtTest>

#include "AppUnitFixture.h"

namespace {

struct Seat
{
    bool muted = false;
    bool chained = true;
    double motion = -5;
    double vibration = -10;
};

// The simulated unit's seats before anybody touched them.
const Seat UnitDefault{};

QString number(double v)
{
    return QString::number(v, 'f', 1); // the journeys set whole numbers, which the writer ends with ".0"
}

QString body(int index, const Seat& s)
{
    return QStringLiteral(R"({"seat":{"index":%1,"muted":%2,"chained":%3,"motion":%4,"vibration":%5}})")
        .arg(index)
        .arg(s.muted ? "true" : "false", s.chained ? "true" : "false", number(s.motion), number(s.vibration));
}

// What a card shows for a seat, in the form shown() reads it.
QString expected(const Seat& s)
{
    const auto control = [](const QString& name, double v) {
        const QString whole = QString::number(qRound(v));
        return QStringLiteral("%1 %2 slider %2 box %3 \"%4: %2 dB\"")
            .arg(name, QString::number(v), whole, name == "motion" ? "Motion" : "Vibration");
    };
    return QStringLiteral("muted %1 chained %2 | %3 | %4")
        .arg(int(s.muted))
        .arg(int(s.chained))
        .arg(control("motion", s.motion), control("vibration", s.vibration));
}

} // namespace

// Runs a step and leaves the test function at its first failure.
#define STEP(...)                                                                                            \
    do {                                                                                                     \
        step(__VA_ARGS__);                                                                                   \
        if (QTest::currentTestFailed())                                                                      \
            return;                                                                                          \
    } while (false)

class TestUiJourneysSeats : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<AppUnitFixture> m_fx;
    QString m_page;     // the seat list shown at this width
    QString m_scroller; // the page that holds it

    QString card(int seat) const { return QStringLiteral("%1/seatCard%2").arg(m_page).arg(seat + 1); }

    QVariant get(int seat, const QString& path, const QString& name, const QString& prop)
    {
        return m_fx->get(name, prop, path.isEmpty() ? card(seat) : card(seat) + "/" + path);
    }

    // Every part of the card: both switches (state and knob), and for motion and vibration the value, the
    // slider, the number box and the label.
    QString shown(int seat)
    {
        const auto sw = [&](const QString& name) {
            const bool checked = get(seat, {}, name, "checked").toBool();
            const double position = get(seat, {}, name, "position").toDouble();
            return position == (checked ? 1.0 : 0.0)
                       ? QString::number(int(checked))
                       : QStringLiteral("%1 (knob at %2)").arg(checked).arg(position);
        };
        const auto control = [&](const QString& name, const QString& label) {
            return QStringLiteral("%1 %2 slider %3 box %4 \"%5\"")
                .arg(name, QString::number(get(seat, {}, name + "Slider", "value").toDouble()),
                     QString::number(get(seat, name + "Slider", "slider", "value").toDouble()),
                     QString::number(get(seat, name + "Slider", "spinbox", "value").toInt()),
                     get(seat, {}, label, "text").toString());
        };
        return QStringLiteral("muted %1 chained %2 | %3 | %4")
            .arg(sw("mutedSwitch"), sw("chainSwitch"), control("motion", "motionLabel"),
                 control("vibration", "vibrationLabel"));
    }

    QStringList sentSince(int mark)
    {
        QStringList bodies;
        for (const auto& c : m_fx->commands(mark)) {
            if (c.type == "SetSeatSetting")
                bodies << c.body;
        }
        return bodies;
    }

    int modelChanges()
    {
        return m_fx->ask({{"cmd", "modelChanges"}, {"model", "seatsModel"}}).value("changes").toInt(-1);
    }

    bool reveal(int seat, const QString& path, const QString& name)
    {
        return m_fx->reveal(name, m_scroller, path.isEmpty() ? card(seat) : card(seat) + "/" + path);
    }

    // Where on the slider of `control` ("motionSlider", "vibrationSlider") the handle stands for `value`, as
    // a fraction of the slider's width.
    double sliderX(int seat, const QString& control, double value)
    {
        const auto prop = [&](const char* p) { return get(seat, control, "slider", p).toDouble(); };
        const double handle = prop("handle.width");
        const double position = (value - prop("from")) / (prop("to") - prop("from"));
        return (prop("leftPadding") + handle / 2 + position * (prop("availableWidth") - handle)) /
               prop("width");
    }

    bool clickSlider(int seat, const QString& control, double value)
    {
        return reveal(seat, control, "slider") &&
               m_fx->click("slider", sliderX(seat, control, value), 0.5, card(seat) + "/" + control);
    }

    bool dragSlider(int seat, const QString& control, double to)
    {
        const double from = get(seat, {}, control, "value").toDouble();
        return reveal(seat, control, "slider") &&
               m_fx->drag("slider", sliderX(seat, control, from), sliderX(seat, control, to), 12,
                          card(seat) + "/" + control);
    }

    // A click on the number box's plus ("up") or minus ("down").
    bool clickNumberBox(int seat, const QString& control, const QString& button)
    {
        const auto prop = [&](const QString& p) { return get(seat, control, "spinbox", p).toDouble(); };
        const double x = prop(button + ".indicator.x") + prop(button + ".indicator.width") / 2;
        return reveal(seat, control, "spinbox") &&
               m_fx->click("spinbox", x / prop("width"), 0.5, card(seat) + "/" + control);
    }

    // A click on the number box's text, which takes the keyboard focus (its buttons leave it where it was).
    bool clickNumberText(int seat, const QString& control)
    {
        return reveal(seat, control, "spinbox") &&
               m_fx->click("spinbox", 0.5, 0.5, card(seat) + "/" + control) && focusIn("spinbox");
    }

    bool clickOn(int seat, const QString& name)
    {
        return reveal(seat, {}, name) && m_fx->click(name, 0.5, 0.5, card(seat));
    }

    bool focusIn(const QString& name) { return m_fx->focus().value("path").toArray().contains(name); }

    // One input and what follows from it. Right after the input the card shows `after`; the unit receives
    // `bodies` (with `steps`, bodies of the input's intermediate states may come first: a drag or quick
    // clicks send at most what the send timer lets through); with `echo`, once the unit's report is back the
    // card shows `after` still. No other seat is sent.
    void step(const QString& what, const std::function<bool()>& input, int seat, const Seat& after,
              const QStringList& bodies, bool echo = true, const QStringList& steps = {})
    {
        const int mark = m_fx->commandMark();
        const int changes = modelChanges();
        QVERIFY2(changes >= 0, "the probe does not see the seat model");
        QVERIFY2(input(), qPrintable(what + ": the input did not reach the window"));
        QCOMPARE(shown(seat), expected(after));
        QTRY_VERIFY_WITH_TIMEOUT(
            sentSince(mark).size() >= bodies.size() && sentSince(mark).last() == bodies.last(), 20000);
        const QStringList sent = sentSince(mark);
        if (steps.isEmpty()) {
            QVERIFY2(sent == bodies, qPrintable(what + ": sent " + sent.join(" | ")));
        } else {
            // The intermediate states, in the order of the input, each at most once, then the final one.
            int at = -1;
            for (int i = 0; i + 1 < sent.size(); ++i) {
                const int found = steps.indexOf(sent[i], at + 1);
                QVERIFY2(found > at, qPrintable(what + ": unexpected " + sent[i]));
                at = found;
            }
        }
        if (echo) {
            QTRY_VERIFY_WITH_TIMEOUT(modelChanges() > changes, 20000);
            QTRY_COMPARE_WITH_TIMEOUT(shown(seat), expected(after), 20000);
        }
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
    }

    void everySeatControl_data()
    {
        QTest::addColumn<int>("width");
        QTest::newRow("1280") << 1280;
        QTest::newRow("700") << 700;
    }

    void everySeatControl()
    {
        QFETCH(int, width);
        m_fx = std::make_unique<AppUnitFixture>(m_dir.filePath(QString::number(width)));
        // Each command's report leaves the unit 200 ms later: the card must not wait for it.
        QVERIFY(m_fx->startUnit(
            {"--name", "Seat Unit", "--seats", "2", "--no-scenario", "--report-delay", "200"}));
        QVERIFY(m_fx->startApp());
        // The start-up dialog of a first start covers the window.
        QTRY_VERIFY_WITH_TIMEOUT(m_fx->exists("startupDialogCloseButton"), 30000);
        QVERIFY(m_fx->click("startupDialogCloseButton"));
        QTRY_VERIFY_WITH_TIMEOUT(!m_fx->exists("startupDialogCloseButton"), 10000);
        // Tall enough for both cards without scrolling.
        QVERIFY(m_fx->resize(width, 1400));
        if (width < 768) {
            m_page = "seatsPageSeats";
            m_scroller = "seatsFlickable";
            QTRY_VERIFY_WITH_TIMEOUT(m_fx->click("seatsTab"), 20000);
            // Once the pages have slid into place.
            QTRY_COMPARE_WITH_TIMEOUT(m_fx->rect("seatsPage").x(), 0.0, 20000);
        } else {
            m_page = "statusPageSeats";
            m_scroller = "controllerFlickable";
        }
        QTRY_COMPARE_WITH_TIMEOUT(m_fx->count("seatCard", m_page), 2, 30000);
        // The unit's seats are chained with two different values: shown as they are, and not sent back.
        QTRY_COMPARE_WITH_TIMEOUT(shown(0), expected(UnitDefault), 30000);
        QCOMPARE(shown(1), expected(UnitDefault));

        const QString motion = "motionSlider";
        const QString vibration = "vibrationSlider";
        Seat s = UnitDefault;
        const auto at = [&](double m, double v) {
            s.motion = m;
            s.vibration = v;
            return s;
        };

        // Chained: whichever control moves, both take its value.
        STEP("click on the motion slider", [&] { return clickSlider(0, motion, -12); }, 0, at(-12, -12),
             {body(0, at(-12, -12))});
        for (double v : {-11, -10, -9}) {
            STEP(
                "Right key on the motion slider", [&] { return m_fx->key(Qt::Key_Right); }, 0, at(v, v),
                {body(0, at(v, v))}, v == -9);
        }
        QStringList dragged;
        for (double v = -8; v <= -3; ++v)
            dragged << body(0, at(v, v));
        STEP(
            "drag of the vibration slider", [&] { return dragSlider(0, vibration, -3); }, 0, at(-3, -3),
            {body(0, at(-3, -3))}, true, dragged);
        QVERIFY(focusIn(vibration));
        const QStringList minus{body(0, at(-4, -4)), body(0, at(-5, -5)), body(0, at(-6, -6))};
        STEP(
            "three quick clicks on the vibration box's minus",
            [&] {
                return clickNumberBox(0, vibration, "down") && clickNumberBox(0, vibration, "down") &&
                       clickNumberBox(0, vibration, "down");
            },
            0, at(-6, -6), {minus.last()}, true, minus);
        STEP(
            "Up key in the vibration box",
            [&] { return clickNumberText(0, vibration) && m_fx->key(Qt::Key_Up); }, 0, at(-5, -5),
            {body(0, at(-5, -5))}, false);
        STEP("Up key in the vibration box", [&] { return m_fx->key(Qt::Key_Up); }, 0, at(-4, -4),
             {body(0, at(-4, -4))});
        STEP("a number typed into the motion box",
             [&] {
                 return clickNumberText(0, motion) && m_fx->key(Qt::Key_A, Qt::ControlModifier) &&
                        m_fx->type("-15") && m_fx->key(Qt::Key_Return);
             },
             0, at(-15, -15), {body(0, at(-15, -15))});

        // Reset unchains.
        STEP("Reset to Defaults", [&] { return clickOn(0, "seatResetButton"); }, 0,
             s = Seat{false, false, 0, -5}, {body(0, Seat{false, false, 0, -5})});

        // Unchained: each control moves its own value.
        STEP("click on the motion slider", [&] { return clickSlider(0, motion, -8); }, 0, at(-8, -5),
             {body(0, at(-8, -5))});
        for (double v : {-9, -10}) {
            STEP(
                "Left key on the motion slider", [&] { return m_fx->key(Qt::Key_Left); }, 0, at(v, -5),
                {body(0, at(v, -5))}, v == -10);
        }
        dragged.clear();
        for (double v = -6; v >= -15; --v)
            dragged << body(0, at(-10, v));
        STEP(
            "drag of the vibration slider", [&] { return dragSlider(0, vibration, -15); }, 0, at(-10, -15),
            {body(0, at(-10, -15))}, true, dragged);
        const QStringList plus{body(0, at(-9, -15)), body(0, at(-8, -15))};
        STEP(
            "two quick clicks on the motion box's plus",
            [&] { return clickNumberBox(0, motion, "up") && clickNumberBox(0, motion, "up"); }, 0,
            at(-8, -15), {plus.last()}, true, plus);
        STEP("Down key in the motion box",
             [&] { return clickNumberText(0, motion) && m_fx->key(Qt::Key_Down); }, 0, at(-9, -15),
             {body(0, at(-9, -15))});

        // The switches by click, Space, Tab and Return.
        s.muted = true;
        STEP(
            "click on Muted", [&] { return clickOn(0, "mutedSwitch"); }, 0, s, {body(0, s)}, false);
        s.muted = false;
        STEP("Space on Muted", [&] { return m_fx->key(Qt::Key_Space); }, 0, s, {body(0, s)});
        QVERIFY(m_fx->key(Qt::Key_Tab));
        QVERIFY(focusIn("chainSwitch"));
        // Chaining sends the values as they are; the next move makes them one.
        s.chained = true;
        STEP("Return on Chain Motion and Vibration", [&] { return m_fx->key(Qt::Key_Return); }, 0, s,
             {body(0, s)});
        STEP("click on the vibration slider", [&] { return clickSlider(0, vibration, -2); }, 0, at(-2, -2),
             {body(0, at(-2, -2))});

        // Only the seat the user touched went to the unit.
        for (const QString& b : sentSince(0))
            QVERIFY2(b.contains(R"({"seat":{"index":0,)"), qPrintable(b));
        QCOMPARE(shown(1), expected(UnitDefault));

        // The card follows the unit again after every kind of input: a unit that starts afresh reports
        // its defaults.
        const int mark = m_fx->commandMark();
        QVERIFY(m_fx->restartUnit({"--name", "Seat Unit", "--seats", "2", "--no-scenario"}));
        QTRY_COMPARE_WITH_TIMEOUT(shown(0), expected(UnitDefault), 60000);
        QCOMPARE(shown(1), expected(UnitDefault));
        QCOMPARE(sentSince(mark), QStringList());
        QVERIFY(m_fx->appRunning());
        m_fx.reset();
    }
};

QTEST_MAIN(TestUiJourneysSeats)
#include "tst_ui_journeys_seats.moc"
