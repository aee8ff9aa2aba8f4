// The simulated unit's parts without a network: scenario files, film lists, bodies and log summaries, the
// inbox.
#include <atomic>
#include <thread>
#include <vector>

#include <QRegularExpression>
#include <QSet>
#include <QtTest>

#include <rapidjson/document.h>

#include "MediaLibrary.h"
#include "PosterRenderer.h"
#include "Scenario.h"
#include "SimulatedUnit.h"
#include "UnitBodies.h"
#include "UnitInbox.h"

using namespace Ulmar::Simulator;

class TestSimulatorParts : public QObject
{
    Q_OBJECT

private slots:
    void shippedFilmList();
    void filmListFromJson_data();
    void filmListFromJson();
    void generatedLibrary();
    void scenarioFile();
    void scenarioFileErrors_data();
    void scenarioFileErrors();
    void scenarioWithoutLoopStaysAtLastStep();
    void scenarioPicksNamedTitleAndClearsMediaOnOtherStates();
    void bodiesKeepTypesTheApplicationReads();
    void summariesMaskSecrets();
    void postersDifferByTitle();
    void inboxBoundsMessagesButKeepsConnectionEvents();
};

void TestSimulatorParts::shippedFilmList()
{
    const MediaLibrary library = MediaLibrary::builtIn();
    QVERIFY(library.size() >= 300);
    QSet<QString> posters, languages, cuts;
    bool amelie = false, chinese = false;
    const QRegularExpression duration(QStringLiteral("^\\d+h \\d\\dm$"));
    const QRegularExpression year(QStringLiteral("^(18|19|20)\\d\\d$"));
    for (const MediaEntry& e : library.entries()) {
        QVERIFY2(duration.match(e.duration).hasMatch(), qPrintable(e.title + ' ' + e.duration));
        QVERIFY2(year.match(e.releaseDate).hasMatch(), qPrintable(e.title));
        QVERIFY(e.durationSeconds > 0);
        QVERIFY(!e.cut.isEmpty() && !e.language.isEmpty());
        // File names must be safe to pass around and unique, or the wrong poster is served.
        QVERIFY2(QRegularExpression(QStringLiteral("^[a-z0-9-]+\\.jpg$")).match(e.posterFile).hasMatch(),
                 qPrintable(e.posterFile));
        posters.insert(e.posterFile);
        languages.insert(e.language);
        cuts.insert(e.cut);
        amelie = amelie || e.title == QStringLiteral("Amélie");
        chinese = chinese || e.title == QStringLiteral("卧虎藏龙");
        QCOMPARE(library.byPosterFile(e.posterFile), &e);
    }
    QCOMPARE(posters.size(), library.size());
    QVERIFY(amelie && chinese);
    QVERIFY(languages.contains(QStringLiteral("French")) && languages.contains(QStringLiteral("Chinese")));
    QVERIFY(cuts.contains(QStringLiteral("Director's Cut")) && cuts.contains(QStringLiteral("Extended")));
    QVERIFY(library.byPosterFile(QStringLiteral("_NotAvailable.jpg")) == nullptr);
}

void TestSimulatorParts::filmListFromJson_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("titles");
    QTest::newRow("array")
        << QByteArray(R"([{"title":"A","minutes":90},{"title":"B","minutes":61,"cut":"Extended"}])") << true
        << QStringList{"A", "B"};
    QTest::newRow("object") << QByteArray(R"({"films":[{"title":"A","minutes":90}]})") << true
                            << QStringList{"A"};
    // Unusable entries are skipped, the rest kept.
    QTest::newRow("skips") << QByteArray(
                                  R"([1,{"minutes":90},{"title":"","minutes":9},{"title":"C","minutes":"90"},
                                           {"title":"D","minutes":0},{"title":"E","minutes":100000},{"title":"F","minutes":5}])")
                           << true << QStringList{"F"};
    // The same film twice is listed once; another cut of it is another entry.
    QTest::newRow("duplicates") << QByteArray(R"([{"title":"A","minutes":90},{"title":"A","minutes":90},
                                                {"title":"A","minutes":120,"cut":"Extended"}])")
                                << true << QStringList{"A", "A"};
    QTest::newRow("not json") << QByteArray("[{") << false << QStringList();
    QTest::newRow("wrong root") << QByteArray(R"({"movies":[]})") << false << QStringList();
}

void TestSimulatorParts::filmListFromJson()
{
    QFETCH(QByteArray, json);
    QFETCH(bool, ok);
    QFETCH(QStringList, titles);
    MediaLibrary library;
    QString error;
    QCOMPARE(MediaLibrary::fromJson(json, &library, &error), ok);
    QCOMPARE(error.isEmpty(), ok);
    QStringList got;
    for (const auto& e : library.entries())
        got << e.title;
    QCOMPARE(got, titles);
}

void TestSimulatorParts::generatedLibrary()
{
    const MediaLibrary library = MediaLibrary::generated(5000);
    QCOMPARE(library.size(), 5000);
    QSet<QString> posters;
    for (const auto& e : library.entries())
        posters.insert(e.posterFile);
    QCOMPARE(posters.size(), 5000);
    QCOMPARE(MediaLibrary::generated(0).size(), 0);
    QCOMPARE(MediaLibrary::formatDuration(148), QStringLiteral("2h 28m"));
    QCOMPARE(MediaLibrary::formatDuration(45), QStringLiteral("0h 45m"));
}

void TestSimulatorParts::scenarioFile()
{
    Scenario s;
    QString error;
    const QByteArray json = R"({"loop":true,"loopFrom":1,"steps":[
        {"duration":0.5,"mediaIdState":"listening"},
        {"duration":3,"mediaIdState":"ident_success","motionCodeState":"searching","media":"Heat","offset":120},
        {"duration":2,"upgrade":{"status":"scheduled","version":"3.0.0"},"update":{"status":"in_progress"}},
        {"duration":1,"mediaIdState":"ident_success","media":"next","message":"hello"}]})";
    QVERIFY2(Scenario::fromJson(json, &s, &error), qPrintable(error));
    QCOMPARE(s.steps().size(), 4);
    QVERIFY(s.loops());
    QCOMPARE(s.loopFrom(), 1);
    QCOMPARE(s.steps()[0].durationSeconds, 0.5);
    QCOMPARE(s.steps()[1].media, ScenarioStep::Media::Title);
    QCOMPARE(s.steps()[1].mediaTitle, QStringLiteral("Heat"));
    QCOMPARE(*s.steps()[1].offsetSeconds, 120);
    QCOMPARE(*s.steps()[2].upgradeStatus, QStringLiteral("scheduled"));
    QCOMPARE(s.steps()[2].upgradeVersion, QStringLiteral("3.0.0"));
    QCOMPARE(*s.steps()[2].updateStatus, QStringLiteral("in_progress"));
    QVERIFY(!s.steps()[2].mediaIdState.has_value());
    QCOMPARE(s.steps()[3].media, ScenarioStep::Media::Next);

    // The example shipped beside the simulator parses too.
    const QString example =
        qEnvironmentVariable("VYRA_SOURCE_DIR", QStringLiteral(SIMULATOR_SOURCE_DIR "/..")) +
        QStringLiteral("/simulator/scenarios/example.json");
    QVERIFY2(Scenario::fromFile(example, &s, &error), qPrintable(error));
}

void TestSimulatorParts::scenarioFileErrors_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("mentions");
    QTest::newRow("not json") << QByteArray("{") << "object";
    QTest::newRow("no steps") << QByteArray(R"({"loop":true})") << "steps";
    QTest::newRow("empty steps") << QByteArray(R"({"steps":[]})") << "steps";
    QTest::newRow("step not object") << QByteArray(R"({"steps":[3]})") << "step 0";
    QTest::newRow("no duration") << QByteArray(R"({"steps":[{"mediaIdState":"listening"}]})") << "duration";
    QTest::newRow("zero duration") << QByteArray(R"({"steps":[{"duration":0}]})") << "duration";
    QTest::newRow("endless duration") << QByteArray(R"({"steps":[{"duration":1e9}]})") << "duration";
    QTest::newRow("state not string")
        << QByteArray(R"({"steps":[{"duration":1,"mediaIdState":7}]})") << "mediaIdState";
    QTest::newRow("bad upgrade") << QByteArray(R"({"steps":[{"duration":1,"upgrade":{"status":"done"}}]})")
                                 << "upgrade";
    QTest::newRow("scheduled update")
        << QByteArray(R"({"steps":[{"duration":1,"update":{"status":"scheduled"}}]})") << "update";
    QTest::newRow("negative offset") << QByteArray(R"({"steps":[{"duration":1,"offset":-5}]})") << "offset";
    QTest::newRow("loopFrom past end")
        << QByteArray(R"({"loopFrom":1,"steps":[{"duration":1}]})") << "loopFrom";
    QTest::newRow("loop not bool") << QByteArray(R"({"loop":"yes","steps":[{"duration":1}]})") << "loop";
}

void TestSimulatorParts::scenarioFileErrors()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, mentions);
    Scenario s;
    QString error;
    QVERIFY(!Scenario::fromJson(json, &s, &error));
    QVERIFY2(error.contains(mentions), qPrintable(error));
}

void TestSimulatorParts::scenarioWithoutLoopStaysAtLastStep()
{
    Scenario s;
    QString error;
    QVERIFY(Scenario::fromJson(R"({"loop":false,"steps":[{"duration":1,"mediaIdState":"starting"},
                                  {"duration":1,"mediaIdState":"shutdown"}]})",
                               &s, &error));
    UnitConfig c;
    c.runScenario = false;
    c.timeScale = 0.01;
    SimulatedUnit unit(c); // never started: the scenario runs without a network
    unit.setScenario(s);
    QSignalSpy steps(&unit, &SimulatedUnit::stepStarted);
    unit.setScenarioRunning(true);
    QTRY_COMPARE_WITH_TIMEOUT(unit.state().media.mediaIdState, QStringLiteral("shutdown"), 5000);
    QTest::qWait(200); // twenty scenario seconds: a loop would have come round several times
    QCOMPARE(steps.count(), 2);
    QCOMPARE(unit.state().media.mediaIdState, QStringLiteral("shutdown"));

    // Replacing the scenario while it runs starts the new one from its beginning; an empty one stops it.
    unit.setScenario(Scenario::builtIn());
    QCOMPARE(steps.count(), 3);
    QCOMPARE(unit.state().media.mediaIdState, QStringLiteral("initializing"));
    unit.setScenario(Scenario());
    QTest::qWait(100);
    QCOMPARE(steps.count(), 3);
    QCOMPARE(unit.scenarioStep(), -1);
}

void TestSimulatorParts::scenarioPicksNamedTitleAndClearsMediaOnOtherStates()
{
    Scenario s;
    QString error;
    QVERIFY(Scenario::fromJson(R"({"steps":[
        {"duration":1,"mediaIdState":"ident_success","media":"Heat","offset":99999},
        {"duration":1,"motionCodeState":"not_available"},
        {"duration":1,"mediaIdState":"lost_audio"},
        {"duration":1,"mediaIdState":"ident_success","media":"No Such Film"}]})",
                               &s, &error));
    UnitConfig c;
    c.runScenario = false;
    SimulatedUnit unit(c);
    unit.setScenario(s);
    unit.goToStep(0);
    const MediaStatus& m = unit.state().media;
    QCOMPARE(m.mediaTitle, QStringLiteral("Heat"));
    QCOMPARE(m.mediaDuration, 170 * 60);
    QCOMPARE(m.mediaOffset, m.mediaDuration); // held at the end, never past it
    QVERIFY(unit.library().byPosterFile(m.imageFilename));
    unit.goToStep(1); // another motion code state keeps the title
    QCOMPARE(m.mediaTitle, QStringLiteral("Heat"));
    QCOMPARE(m.motionCodeState, QStringLiteral("not_available"));
    unit.goToStep(2);
    QVERIFY(m.mediaTitle.isEmpty() && m.imageFilename.isEmpty());
    QCOMPARE(m.mediaOffset, 0);
    QCOMPARE(m.mediaDuration, 0);
    // An unknown title falls back to the next one of the library rather than an empty identification.
    QTest::ignoreMessage(QtWarningMsg, "Scenario: no title \"No Such Film\" in the library");
    unit.goToStep(3);
    QVERIFY(!m.mediaTitle.isEmpty());
    QVERIFY(unit.library().byPosterFile(m.imageFilename));
}

void TestSimulatorParts::bodiesKeepTypesTheApplicationReads()
{
    SeatState whole, fraction;
    whole.motion = -5.0;
    fraction.index = 1;
    fraction.motion = -7.25;
    rapidjson::Document doc;
    doc.Parse(UnitBodies::seats({whole, fraction}).c_str());
    const auto& seats = doc["seats"]["seat"];
    QVERIFY(seats[0]["motion"].IsInt());
    QCOMPARE(seats[0]["motion"].GetInt(), -5);
    QVERIFY(seats[1]["motion"].IsDouble());
    QCOMPARE(seats[1]["motion"].GetDouble(), -7.25);

    // Integers for offsets and durations: the application skips anything with a fraction.
    MediaStatus m;
    m.mediaOffset = 3601;
    m.mediaDuration = 7200;
    doc.Parse(UnitBodies::mediaStatus(m).c_str());
    QVERIFY(doc.MemberBegin()->value["mediaOffset"].IsInt());
    QVERIFY(doc.MemberBegin()->value["mediaDuration"].IsInt());

    // Names with quotes, backslashes and control characters come back intact.
    const QString name = QStringLiteral("a\"b\\c\n影院");
    doc.Parse(UnitBodies::vyraName(name).c_str());
    QVERIFY(!doc.HasParseError());
    QCOMPARE(QString::fromUtf8(doc["vyraName"].GetString()), name);
    QCOMPARE(QString::fromStdString(UnitBodies::motionDelay(-150)), QStringLiteral("{\"motionDelay\":-150}"));

    // No network in use: "ssid" is left out, so the application shows its own placeholder.
    NetworkState n;
    doc.Parse(UnitBodies::networkState(n).c_str());
    QVERIFY(!doc["network"].HasMember("ssid"));
}

void TestSimulatorParts::summariesMaskSecrets()
{
    const std::string wifi =
        UnitBodies::summary("SetWifiSetting", R"({"setWifi":{"ssid":"HomeNet","key":"hunter2hunter2"}})");
    QVERIFY(wifi.find("HomeNet") != std::string::npos);
    QVERIFY(wifi.find("hunter2") == std::string::npos);
    const std::string creds =
        UnitBodies::summary("SetLibraryServiceCredentials",
                            R"({"username":"ada","access_token":"tok-abcdef","refresh_token":"ref-123456"})");
    QVERIFY(creds.find("ada") != std::string::npos);
    QVERIFY(creds.find("abcdef") == std::string::npos && creds.find("123456") == std::string::npos);
    // A secret nested deeper, or under a key that is not a string, is masked too.
    const std::string nested = UnitBodies::summary("X", R"({"a":{"b":{"password":{"x":"pw-secret"}}}})");
    QVERIFY(nested.find("pw-secret") == std::string::npos);
    // Names and texts from the network cannot start a line of their own in the log.
    const std::string forged = UnitBodies::summary("X", "{\"a\\nb\":\"c\\r\\nd\u2028e\",\"\\u0000\":1}");
    QVERIFY2(forged.find_first_of("\r\n") == std::string::npos && forged.find('\0') == std::string::npos,
             forged.c_str());
    QVERIFY(forged.find("\xE2\x80\xA8") == std::string::npos); // U+2028
    QCOMPARE(UnitBodies::printable(QStringLiteral("ab\ncd"), 3), QStringLiteral("ab?..."));
    QCOMPARE(UnitBodies::summary("X", "not json"), std::string("not JSON, 8 bytes"));
    QCOMPARE(UnitBodies::summary("X", ""), std::string("(no body)"));
    QVERIFY(UnitBodies::summary("X", std::string(10000, '[') + std::string(10000, ']')).size() < 300);
}

void TestSimulatorParts::postersDifferByTitle()
{
    MediaEntry a, b;
    a.title = QStringLiteral("Heat");
    b.title = QStringLiteral("Jaws");
    a.posterFile = QStringLiteral("a.jpg");
    b.posterFile = QStringLiteral("b.jpg");
    const QImage ia = PosterRenderer::render(a);
    const QImage ib = PosterRenderer::render(b);
    QCOMPARE(ia.size(), QSize(PosterRenderer::Width, PosterRenderer::Height));
    QVERIFY(ia != ib);
    QCOMPARE(PosterRenderer::hueFor(a.title), PosterRenderer::hueFor(QStringLiteral("Heat")));
    PosterRenderer renderer;
    const QByteArray jpeg = renderer.jpeg(a);
    QVERIFY(jpeg.startsWith("\xFF\xD8"));
    QCOMPARE(QImage::fromData(jpeg, "JPG").size(), ia.size());
}

void TestSimulatorParts::inboxBoundsMessagesButKeepsConnectionEvents()
{
    using Item = UnitInbox::Item;
    std::atomic<int> wakes{0};
    UnitInbox inbox(100, [&] { ++wakes; });

    // Several network threads flood it while the owner is busy: the limit holds, every drop is counted, and
    // the owner is woken once for the whole batch.
    std::vector<std::thread> posters;
    for (int t = 0; t < 4; ++t)
        posters.emplace_back([&inbox, t] {
            for (int i = 0; i < 500; ++i)
                inbox.post({Item::Message, std::to_string(t), nullptr});
        });
    for (auto& p : posters)
        p.join();
    QCOMPARE(inbox.pending(), 100);
    QCOMPARE(inbox.dropped(), 1900);
    QCOMPARE(wakes.load(), 1);

    // A full inbox still takes connection events: they are few, and a lost one leaves the unit's view of its
    // applications wrong.
    inbox.post({Item::Connected, "a", nullptr});
    inbox.post({Item::Gone, "a", nullptr});
    UnitInbox::Batch batch = inbox.take();
    QCOMPARE(int(batch.items.size()), 102);
    QCOMPARE(batch.dropped, 1900);
    QCOMPARE(batch.items[100].kind, Item::Connected);
    QCOMPARE(batch.items[101].kind, Item::Gone);
    QCOMPARE(inbox.pending(), 0);
    QCOMPARE(inbox.dropped(), 0);

    // After a take the next item wakes the owner again (else it would never be handled), once.
    inbox.post({Item::Message, "b", nullptr});
    inbox.post({Item::Message, "b", nullptr});
    QCOMPARE(wakes.load(), 2);
    QCOMPARE(inbox.pending(), 2);
}

QTEST_MAIN(TestSimulatorParts)
#include "tst_simulator_parts.moc"
