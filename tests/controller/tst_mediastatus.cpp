// Media status: the status lines, media information and poster requests of "GetMediaStatusNotification".

#include <QtTest>

#include "ControllerTestSupport.h"
#include "GetMediaStatusNotificationHandler.h"
#include "ImageDataRequestSender.h"
#include "MessageNames.h"

using namespace Ulmar::Messaging;
using ControllerTest::response;

namespace {

// Every signal of the handler, in emission order, as "name(arg,arg)".
class Recorder
{
public:
    explicit Recorder(GetMediaStatusNotificationHandler& h)
    {
        using H = GetMediaStatusNotificationHandler;
        QObject::connect(&h, &H::updateVyraOnlineStatusLabelSignal, [this](QVariant c, QVariant t) {
            add("controller", {c, t});
        });
        QObject::connect(&h, &H::updateVyraConnnectionStatusSignal,
                         [this](QVariant t) { add("connection", {t}); });
        QObject::connect(&h, &H::updateSourceDetectedStatusLabelSignal, [this](QVariant c, QVariant t) {
            add("audio", {c, t});
        });
        QObject::connect(&h, &H::updateMotionCodeStatusLabelSignal, [this](QVariant c, QVariant t) {
            add("motion", {c, t});
        });
        QObject::connect(&h, &H::updateMediaInfoTitleLabelSignal, [this](QVariant k, QVariant t) {
            add("title", {k, t});
        });
        QObject::connect(&h, &H::updateMediaImageSignal, [this](QVariant f) { add("image", {f}); });
        QObject::connect(&h, &H::updateMediaInfoProgressBarSignal, [this](QVariant o, QVariant d) {
            add("progress", {o, d});
        });
        QObject::connect(&h, &H::mediaIdentifiedSignal, [this] { add("identified", {}); });
        QObject::connect(&h, &H::mediaUnknownSignal, [this] { add("unknown", {}); });
    }

    QStringList take()
    {
        QStringList out;
        out.swap(log);
        return out;
    }

    QStringList log;

private:
    void add(const QString& name, const QVariantList& values)
    {
        QStringList parts;
        for (const auto& v : values)
            parts << v.toString();
        log << name + "(" + parts.join(",") + ")";
    }
};

const QStringList Reset{"unknown()", "title(mediaTitle,)", "image(_NotAvailable.jpg)", "progress(-1,-1)"};

std::shared_ptr<IResponse> status(const std::string& body)
{
    return response(MessageType::GetMediaStatusNotification, body);
}

std::string state(const std::string& s, const std::string& extra = std::string())
{
    return R"({"status":{"mediaIdState":")" + s + "\"" + extra + "}}";
}

} // namespace

class TestMediaStatus : public QObject
{
    Q_OBJECT

private slots:
    // Connection ------------------------------------------------------------------------------------------

    void ignoresNotificationsUntilConnected()
    {
        GetMediaStatusNotificationHandler handler(std::make_shared<ImageDataRequestSender>(nullptr));
        Recorder rec(handler);
        handler.handleResponse(status(state("ident_success", R"(,"mediaTitle":"X")")));
        QVERIFY(rec.log.isEmpty());
        handler.handleConnected();
        handler.handleConnected();
        QCOMPARE(rec.take(), (QStringList{"controller(greenStatus,VYRA Online)", "connection(VYRA Online)"}));
    }

    void connectionLossAndDisconnection()
    {
        GetMediaStatusNotificationHandler handler(nullptr);
        Recorder rec(handler);
        handler.handleDisconnected(); // offline: only the controller line
        QCOMPARE(rec.take(),
                 (QStringList{"controller(blankStatus,VYRA Offline)", "connection(VYRA Offline)"}));

        handler.handleConnected();
        rec.take();
        handler.handleConnectionLost();
        const QStringList lost =
            QStringList{"audio(blankStatus,No Audio Source)", "motion(blankStatus,No Motion Code Found)"} +
            Reset + QStringList{"controller(redStatus,VYRA Unavailable)", "connection(VYRA Unavailable)"};
        QCOMPARE(rec.take(), lost);
        handler.handleConnectionLost(); // offline now
        QCOMPARE(rec.take(),
                 (QStringList{"controller(redStatus,VYRA Unavailable)", "connection(VYRA Unavailable)"}));
        handler.handleResponse(status(state("listening")));
        QVERIFY(rec.log.isEmpty());
    }

    // Dispatch ------------------------------------------------------------------------------------------

    void dispatchTable_data()
    {
        QTest::addColumn<QString>("wire");
        QTest::addColumn<QStringList>("expected");
        const QString noCode = "motion(blankStatus,No Motion Code Found)";
        auto audio = [&](const QString& colour, const QString& text) {
            return QStringList{"audio(" + colour + "," + text + ")", noCode} + Reset;
        };
        QTest::newRow("configuring") << "configuring" << audio("yellowStatus", "Configuring Audio Capture");
        QTest::newRow("configured") << "configured" << audio("yellowStatus", "Audio Capture Configured");
        QTest::newRow("starting") << "starting" << audio("yellowStatus", "Starting Audio Capture");
        QTest::newRow("started") << "started" << audio("yellowStatus", "Audio Capture Started");
        QTest::newRow("stopping") << "stopping" << audio("yellowStatus", "Stopping Audio Capture");
        QTest::newRow("listening") << "listening" << audio("yellowStatus", "Capturing Audio");
        QTest::newRow("silence") << "silence_detected" << audio("yellowStatus", "Silence Detected");
        QTest::newRow("failure") << "ident_failure" << audio("yellowStatus", "Content Identification Failed");
        QTest::newRow("stopped") << "stopped" << audio("blankStatus", "Audio Capture Stopped");
        QTest::newRow("lost_audio") << "lost_audio" << audio("redStatus", "Audio Capture Error");
        QTest::newRow("program_error") << "program_error" << audio("redStatus", "Audio Capture Error");
        QTest::newRow("initializing")
            << "initializing"
            << QStringList{"controller(yellowStatus,VYRA Initializing)", "connection(VYRA Initializing)"} +
                   Reset;
        QTest::newRow("shutting_down")
            << "shutting_down"
            << QStringList{"controller(yellowStatus,VYRA Shutting Down)", "connection(VYRA Shutting Down)"} +
                   Reset;
        QTest::newRow("shutdown") << "shutdown"
                                  << QStringList{"controller(blankStatus,VYRA Offline)",
                                                 "connection(VYRA Offline)"} +
                                         Reset;
        QTest::newRow("wrong case is unknown") << "Listening" << Reset;
        QTest::newRow("unknown text") << "idle" << Reset;
    }

    void dispatchTable()
    {
        QFETCH(QString, wire);
        QFETCH(QStringList, expected);
        GetMediaStatusNotificationHandler handler(nullptr);
        Recorder rec(handler);
        handler.handleConnected();
        rec.take();
        handler.handleResponse(status(state(wire.toStdString())));
        QCOMPARE(rec.take(), expected);
    }

    void identSuccessShowsMediaAndMotionCode_data()
    {
        QTest::addColumn<QString>("motionCode");
        QTest::addColumn<QString>("line");
        QTest::newRow("listening") << R"(,"motionCodeState":"listening")"
                                   << "motion(greenStatus,Motion Code Found)";
        QTest::newRow("searching") << R"(,"motionCodeState":"searching")"
                                   << "motion(yellowStatus,Looking for Motion Code)";
        QTest::newRow("available") << R"(,"motionCodeState":"available")"
                                   << "motion(greenStatus,Motion Code Available)";
        QTest::newRow("not_available") << R"(,"motionCodeState":"not_available")"
                                       << "motion(yellowStatus,Motion Code not Available)";
        QTest::newRow("missing") << ""
                                 << "motion(,)";
        QTest::newRow("mistyped") << R"(,"motionCodeState":1)"
                                  << "motion(,)";
    }

    void identSuccessShowsMediaAndMotionCode()
    {
        QFETCH(QString, motionCode);
        QFETCH(QString, line);
        GetMediaStatusNotificationHandler handler(nullptr);
        Recorder rec(handler);
        handler.handleConnected();
        rec.take();
        handler.handleResponse(status(state(
            "ident_success", R"(,"mediaTitle":"Ça va","mediaOffset":-3,"mediaDuration":7200,"message":"m")" +
                                 motionCode.toStdString())));
        QCOMPARE(rec.take(),
                 (QStringList{"identified()", "audio(greenStatus,Audio Source Detected)", line,
                              QString::fromUtf8("title(mediaTitle,Ça va)"), "progress(-3,7200)"}));
    }

    void integersMustBeWholeAndFit_data()
    {
        QTest::addColumn<QString>("offset");
        QTest::addColumn<QString>("shown");
        QTest::newRow("fraction") << "12.5"
                                  << "0";
        QTest::newRow("integral double") << "12.0"
                                         << "0";
        QTest::newRow("exponent") << "1e3"
                                  << "0";
        QTest::newRow("too big") << "2147483648"
                                 << "0";
        QTest::newRow("too small") << "-2147483649"
                                   << "0";
        QTest::newRow("string") << "\"5\""
                                << "0";
        QTest::newRow("negative") << "-3"
                                  << "-3";
        QTest::newRow("minimum") << "-2147483648"
                                 << "-2147483648";
        QTest::newRow("maximum") << "2147483647"
                                 << "2147483647";
    }

    void integersMustBeWholeAndFit()
    {
        QFETCH(QString, offset);
        QFETCH(QString, shown);
        GetMediaStatusNotificationHandler handler(nullptr);
        Recorder rec(handler);
        handler.handleConnected();
        rec.take();
        handler.handleResponse(status(state("ident_success", ",\"mediaOffset\":" + offset.toStdString())));
        QCOMPARE(rec.log.last(), "progress(" + shown + ",0)");
    }

    // A unit that starts while the application is connected reports "initializing", then the states of its
    // audio capture; the first of those shows it online again, once. Its own controller states keep theirs.
    void initializingEndsWithTheNextUnitState_data()
    {
        QTest::addColumn<QString>("wire");
        for (const char* s :
             {"configuring", "configured", "starting", "started", "stopping", "listening", "silence_detected",
              "ident_failure", "ident_success", "stopped", "lost_audio", "program_error"})
            QTest::newRow(s) << s;
    }

    void initializingEndsWithTheNextUnitState()
    {
        QFETCH(QString, wire);
        const QStringList online{"controller(greenStatus,VYRA Online)", "connection(VYRA Online)"};
        auto controllerLines = [](const QStringList& log) {
            return log.filter(QRegularExpression("^(controller|connection)\\("));
        };
        GetMediaStatusNotificationHandler handler(nullptr);
        Recorder rec(handler);
        handler.handleConnected();
        handler.handleResponse(status(state("initializing")));
        handler.handleResponse(status(state("idle"))); // unknown: the lines stay as they were
        rec.take();
        handler.handleResponse(status(state(wire.toStdString())));
        const QStringList first = rec.take();
        QCOMPARE(first.mid(0, 2), online);
        QCOMPARE(controllerLines(first), online);
        QVERIFY(first.size() > 2);
        handler.handleResponse(status(state(wire.toStdString())));
        QCOMPARE(controllerLines(rec.take()), QStringList());

        // Shutting down, then the audio states of the way down: the line stays.
        handler.handleResponse(status(state("initializing")));
        handler.handleResponse(status(state("shutting_down")));
        rec.take();
        handler.handleResponse(status(state("stopping")));
        QCOMPARE(controllerLines(rec.take()), QStringList());

        // A connection event in between has shown its own line.
        handler.handleResponse(status(state("initializing")));
        handler.handleConnectionLost();
        handler.handleConnected();
        rec.take();
        handler.handleResponse(status(state(wire.toStdString())));
        QCOMPARE(controllerLines(rec.take()), QStringList());
    }

    void suppressionAfterIdentSuccess()
    {
        GetMediaStatusNotificationHandler handler(nullptr);
        Recorder rec(handler);
        handler.handleConnected();
        handler.handleResponse(status(state("ident_success")));
        rec.take();
        for (const char* s : {"initializing", "configuring", "configured", "starting", "started"})
            handler.handleResponse(status(state(s)));
        QVERIFY(rec.log.isEmpty());
        // An empty root object or invalid JSON changes nothing either, not even the remembered state.
        handler.handleResponse(status("{}"));
        handler.handleResponse(status("{\"status\":"));
        handler.handleResponse(status(""));
        handler.handleResponse(status(state("starting")));
        QVERIFY(rec.log.isEmpty());
        handler.handleResponse(status(state("listening")));
        const QStringList listening =
            QStringList{"audio(yellowStatus,Capturing Audio)", "motion(blankStatus,No Motion Code Found)"} +
            Reset;
        QCOMPARE(rec.take(), listening);
        handler.handleResponse(status(state("starting"))); // no longer suppressed
        QCOMPARE(rec.log.first(), "audio(yellowStatus,Starting Audio Capture)");
    }

    void scanSkipsNonObjectsAndMatchesKeysExactly()
    {
        GetMediaStatusNotificationHandler handler(nullptr);
        Recorder rec(handler);
        handler.handleConnected();
        rec.take();
        handler.handleResponse(status(
            R"({"a":5,"b":[{"mediaIdState":"stopped"}],"c":"x","d":{"MediaIdState":"stopped","mediaIdState ":"stopped"}})"));
        QCOMPARE(rec.take(), Reset); // nothing counted: unknown
        handler.handleResponse(status(R"({"a":{"mediaIdState":"ident_success","mediaTitle":"First"},)"
                                      R"("b":null,"c":{"mediaTitle":"Second","mediaTitle":7}})"));
        QVERIFY(rec.log.contains("title(mediaTitle,Second)"));
    }

    // Posters -------------------------------------------------------------------------------------------

    void requestsEachPosterOnceAndAgainAfterReconnection()
    {
        ControllerTest::LoopbackUnit unit;
        QVERIFY(unit.connect());
        GetMediaStatusNotificationHandler handler(std::make_shared<ImageDataRequestSender>(unit.messenger()));
        handler.handleConnected();
        const std::string abc = state("ident_success", R"(,"imageFilename":"abc.jpg")");
        handler.handleResponse(status(abc));
        handler.handleResponse(status(abc));
        handler.handleResponse(status(state("ident_success"))); // no file name: the placeholder
        handler.handleResponse(status(state("ident_failure"))); // the placeholder again: not repeated
        handler.handleResponse(status(state("listening", R"(,"imageFilename":"def.jpg")")));
        handler.handleDisconnected();
        handler.handleResponse(status(state("listening", R"(,"imageFilename":"ghi.jpg")"))); // offline
        handler.handleConnected();
        handler.handleResponse(status(state("listening", R"(,"imageFilename":"def.jpg")")));
        handler.handleConnectionLost();
        handler.handleConnected();
        handler.handleResponse(status(state("ident_failure")));

        // The unit receives in order, so the last request proves that no duplicate went before it.
        QTRY_COMPARE_WITH_TIMEOUT(unit.count(MessageType::GetImageData), 5, 10000);
        QCOMPARE(unit.bodies(MessageType::GetImageData),
                 (QStringList{R"({"imageFileName":"abc.jpg"})", R"({"imageFileName":"_NotAvailable.jpg"})",
                              R"({"imageFileName":"def.jpg"})", R"({"imageFileName":"def.jpg"})",
                              R"({"imageFileName":"_NotAvailable.jpg"})"}));
    }

    // The poster leaves with its title: a state without a picture of its own clears it once, and the title
    // coming back asks for its poster again. A state that keeps the title (suppressed) or names the unit's
    // "not available" picture clears nothing.
    void posterLeavesWithItsTitle()
    {
        ControllerTest::LoopbackUnit unit;
        QVERIFY(unit.connect());
        GetMediaStatusNotificationHandler handler(std::make_shared<ImageDataRequestSender>(unit.messenger()));
        QSignalSpy cleared(&handler, &GetMediaStatusNotificationHandler::posterClearedSignal);
        handler.handleConnected();
        const std::string abc = state("ident_success", R"(,"imageFilename":"abc.jpg","mediaTitle":"A")");
        handler.handleResponse(status(abc));
        QCOMPARE(cleared.count(), 0);
        handler.handleResponse(status(state("listening", R"(,"imageFilename":"","mediaTitle":"")")));
        QCOMPARE(cleared.count(), 1);
        handler.handleResponse(status(state("listening")));
        handler.handleResponse(status(state("no_such_state")));
        QCOMPARE(cleared.count(), 1);
        handler.handleResponse(status(abc));               // asked for again
        handler.handleResponse(status(state("starting"))); // suppressed after ident_success: title stays
        QCOMPARE(cleared.count(), 1);
        handler.handleResponse(status(state("ident_failure")));
        QCOMPARE(cleared.count(), 1);
        handler.handleResponse(status(state("silence_detected")));
        QCOMPARE(cleared.count(), 2);

        QTRY_COMPARE_WITH_TIMEOUT(unit.count(MessageType::GetImageData), 3, 10000);
        QCOMPARE(unit.bodies(MessageType::GetImageData),
                 (QStringList{R"({"imageFileName":"abc.jpg"})", R"({"imageFileName":"abc.jpg"})",
                              R"({"imageFileName":"_NotAvailable.jpg"})"}));
    }
};

QTEST_MAIN(TestMediaStatus)
#include "tst_mediastatus.moc"
