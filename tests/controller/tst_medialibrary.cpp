// Media library: decoding of "GetMediaListNotification" and the virtual model's search, sort and rows.

#include <QAbstractItemModelTester>
#include <QThread>
#include <QtTest>

#include <functional>
#include <random>
#include <thread>

#include "ControllerTestSupport.h"
#include "GetMediaListNotificationHandler.h"
#include "MediaListIndex.h"
#include "MediaListTableModel.h"
#include "MediaListVirtualModel.h"
#include "MessageBody.h"
#include "MessageNames.h"
#include "StringUtils.h"

using namespace Ulmar;
using namespace Ulmar::Messaging;
using ControllerTest::response;

namespace {

// The rows the page would hold: cleared on clearTableSignal, appended on each row signal.
class Table
{
public:
    explicit Table(MediaListVirtualModel& model)
    {
        m_links[0] = QObject::connect(&model, &MediaListVirtualModel::clearTableSignal, [this] {
            rows.clear();
            ++clears;
        });
        m_links[1] = QObject::connect(&model, &MediaListVirtualModel::appendRowToTableSignal,
                                      [this](QVariant row) { rows.push_back(row.toMap()); });
    }
    ~Table()
    {
        for (const auto& link : m_links)
            QObject::disconnect(link);
    }
    QStringList column(const QString& key) const
    {
        QStringList out;
        for (const auto& r : rows)
            out << r.value(key).toString();
        return out;
    }
    QStringList titles() const { return column("title"); }

    QVector<QVariantMap> rows;
    int clears = 0;

private:
    QMetaObject::Connection m_links[2];
};

std::shared_ptr<IResponse> library(const std::string& body)
{
    return response(MessageType::GetMediaListNotification, body);
}

std::string record(const std::string& title, const std::string& more = std::string())
{
    return "{\"title\":\"" + title + "\"" + more + "}";
}

std::string libraryBody(const std::vector<std::string>& records)
{
    std::string out = R"({"list":{"media":[)";
    for (std::size_t i = 0; i < records.size(); ++i)
        out += (i ? "," : "") + records[i];
    return out + "]}}";
}

MediaList items(const QStringList& titles, const QStringList& durations = {})
{
    MediaList list;
    for (int i = 0; i < titles.size(); ++i) {
        auto item = std::make_shared<MediaItem>();
        item->setTitle(titles[i].toStdString());
        if (i < durations.size())
            item->setDuration(durations[i].toStdString());
        item->setCut(std::to_string(i)); // marks the received position
        list.push_back(item);
    }
    return list;
}

// Texts that fold in every way the comparison knows: ASCII, Latin-1 and beyond, one-to-many foldings (left as
// they are by the comparison), titlecase letters, surrogate pairs with case, a lone continuation byte, a
// letter whose folded form is longer in UTF-8.
std::string randomText(std::mt19937& random, int maxPieces)
{
    static const char* const pieces[] = {"a",
                                         "A",
                                         "b",
                                         "B",
                                         "z",
                                         "Z",
                                         "0",
                                         "9",
                                         " ",
                                         "\xC3\xA9",
                                         "\xC3\x89",
                                         "\xC3\x9F",
                                         "\xE1\xBA\x9E",
                                         "\xC4\xB1",
                                         "I",
                                         "\xC4\xB0",
                                         "i",
                                         "\xCE\xA3",
                                         "\xCF\x83",
                                         "\xCF\x82",
                                         "\xC7\x85",
                                         "\xC7\x86",
                                         "\xC7\x84",
                                         "\xF0\x90\x90\x80",
                                         "\xF0\x90\x90\xA8",
                                         "\xFF",
                                         "\xEF\xAC\x80",
                                         "\xE2\x84\xAA",
                                         "k",
                                         "\xEF\xBF\xBF",
                                         "\xC8\xBA"};
    std::uniform_int_distribution<int> count(0, maxPieces);
    std::uniform_int_distribution<int> piece(0, int(sizeof(pieces) / sizeof(pieces[0])) - 1);
    std::string out;
    for (int n = count(random); n > 0; --n)
        out += pieces[piece(random)];
    return out;
}

MediaList randomLibrary(std::mt19937& random, int size)
{
    MediaList list;
    for (int i = 0; i < size; ++i) {
        auto item = std::make_shared<MediaItem>();
        item->setTitle(randomText(random, 6));
        item->setDuration(randomText(random, 2));
        item->setReleaseDate(randomText(random, 3));
        item->setCut(randomText(random, 1));
        item->setLanguage(randomText(random, 2));
        list.push_back(item);
    }
    return list;
}

QVector<QVariantMap> rowsOf(const MediaList& list)
{
    QVector<QVariantMap> out;
    for (const auto& item : list)
        out.push_back(item->toVariantMap());
    return out;
}

// The rows the page's view finds in the table model.
QVector<QVariantMap> tableRows(const MediaListVirtualModel& model)
{
    QVector<QVariantMap> out;
    const MediaListTableModel& table = *model.tableModel();
    for (int r = 0; r < table.rowCount(); ++r) {
        out.push_back(table.get(r));
        // What the view reads through the roles is the same.
        const QHash<int, QByteArray> roles = table.roleNames();
        for (auto role = roles.cbegin(); role != roles.cend(); ++role)
            if (table.data(table.index(r), role.key()) != out.back().value(QString::fromLatin1(role.value())))
                out.back().insert("mismatch", role.value());
    }
    return out;
}

QStringList g_debugLines;
void recordDebug(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (type == QtDebugMsg)
        g_debugLines << text;
}

// The decoding rule on a whole document, member by member: the result, the records' fields and the debug
// lines.
struct Decoded
{
    bool taken = false;
    QVector<QVariantMap> records;
    QStringList lines;
    bool operator==(const Decoded& o) const
    {
        return taken == o.taken && records == o.records && lines == o.lines;
    }
};

Decoded plainDecode(const std::string& body)
{
    Decoded out;
    const auto document = parseBody(library(body));
    if (!document || !document->IsObject() || document->MemberCount() == 0)
        return out;
    out.taken = true;
    for (auto outer = document->MemberBegin(); outer != document->MemberEnd(); ++outer) {
        if (!outer->value.IsObject())
            continue;
        for (auto m = outer->value.MemberBegin(); m != outer->value.MemberEnd(); ++m) {
            if (toStdString(m->name) != JsonKey::Media || !m->value.IsArray())
                continue;
            for (const auto& element : m->value.GetArray()) {
                if (!element.IsObject())
                    continue;
                MediaItem item;
                for (auto f = element.MemberBegin(); f != element.MemberEnd(); ++f) {
                    const std::string key = toStdString(f->name);
                    const std::string value = toStdString(f->value);
                    if (f->value.IsString() && key == JsonKey::Title)
                        item.setTitle(value);
                    else if (f->value.IsString() && key == JsonKey::ReleaseDate)
                        item.setReleaseDate(value);
                    else if (f->value.IsString() && key == JsonKey::Duration)
                        item.setDuration(value);
                    else if (f->value.IsString() && key == JsonKey::Cut)
                        item.setCut(value);
                    else if (f->value.IsString() && key == JsonKey::Language)
                        item.setLanguage(value);
                    else if (key == JsonKey::Title || key == JsonKey::ReleaseDate ||
                             key == JsonKey::ImdbRef || key == JsonKey::Duration || key == JsonKey::Cut ||
                             key == JsonKey::Language) {
                        if (!f->value.IsString())
                            out.lines
                                << "Media property " + QString::fromStdString(key) + " ignored: not a text";
                    } else {
                        out.lines << "Unknown media property " + QString::fromStdString(key);
                    }
                }
                out.records.push_back(item.toVariantMap());
            }
        }
    }
    return out;
}

Decoded fastDecode(const std::string& body)
{
    Decoded out;
    MediaList list;
    g_debugLines.clear();
    const QtMessageHandler previous = qInstallMessageHandler(recordDebug);
    out.taken = GetMediaListNotificationHandler::decodeMediaList(library(body), list);
    qInstallMessageHandler(previous);
    out.lines = g_debugLines;
    out.records = rowsOf(list);
    return out;
}

// A body of random shape: roots of every type, "media" arrays where they count and where they do not,
// records with known and unknown names, values of every type, escapes, nesting; sometimes cut short.
std::string randomBody(std::mt19937& random)
{
    auto pick = [&random](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    static const char* const names[] = {
        "\"title\"", "\"duration\"", "\"releaseDate\"", "\"cut\"",       "\"language\"", "\"imdbRef\"",
        "\"media\"", "\"Media\"",    "\"tit\\u006ce\"", "\"x\\u0000y\"", "\"\"",         "\"other\""};
    static const char* const scalars[] = {
        "\"Alpha\"",     "\"\\u00c9lan \\\"q\\\"\"", "\"\"", "12", "-1.5e3", "true", "null",
        "\"a\\u0000b\"", "\"\\ud83d\\ude00\""};
    std::function<std::string(int)> value = [&](int depth) -> std::string {
        const int kind = depth > 4 ? 0 : pick(5);
        if (kind <= 1)
            return scalars[pick(9)];
        std::string out = kind == 2 ? "[" : "{";
        for (int n = pick(4); n > 0; --n) {
            if (out.size() > 1)
                out += ",";
            if (kind != 2)
                out += std::string(names[pick(12)]) + ":";
            out += value(depth + 1);
        }
        return out + (kind == 2 ? "]" : "}");
    };
    auto record = [&]() {
        std::string out = "{";
        for (int n = pick(6); n > 0; --n)
            out += std::string(out.size() > 1 ? "," : "") + names[pick(6)] + ":" +
                   (pick(4) ? scalars[pick(9)] : value(3));
        return out + "}";
    };
    std::string body;
    switch (pick(8)) {
    case 0:
        body = value(0);
        break;
    default: {
        body = "{";
        for (int n = pick(4); n > 0; --n) {
            body += std::string(body.size() > 1 ? "," : "") + names[pick(12)] + ":";
            if (pick(4) == 0) {
                body += value(1);
                continue;
            }
            body += "{";
            for (int m = pick(4); m > 0; --m) {
                body += std::string(body.back() == '{' ? "" : ",") +
                        (pick(3) ? "\"media\"" : names[pick(12)]) + ":";
                if (pick(5) == 0) {
                    body += value(2);
                    continue;
                }
                body += "[";
                for (int e = pick(5); e > 0; --e)
                    body += std::string(body.back() == '[' ? "" : ",") + (pick(5) ? record() : value(3));
                body += "]";
            }
            body += "}";
        }
        body += "}";
    }
    }
    if (pick(6) == 0)
        body.resize(std::uniform_int_distribution<std::size_t>(0, body.size())(random));
    else if (pick(8) == 0)
        body += pick(2) ? " x" : " ";
    return body;
}

// The search rule, record by record.
MediaList plainSearch(const MediaList& full, const QString& text)
{
    const std::string needle = ToLowercase(text.toUtf8().toStdString());
    if (needle.empty())
        return full;
    MediaList out;
    for (const auto& item : full)
        if (item->title().size() >= needle.size() &&
            ToLowercase(item->title()).find(needle) != std::string::npos)
            out.push_back(item);
    return out;
}

} // namespace

class TestMediaLibrary : public QObject
{
    Q_OBJECT

private slots:
    // Decoding --------------------------------------------------------------------------------------------

    void decodesRecordsAndLogsUnknownMembers()
    {
        MediaList list;
        QTest::ignoreMessage(QtDebugMsg, "Unknown media property director");
        QTest::ignoreMessage(QtDebugMsg, "Media property duration ignored: not a text");
        QVERIFY(GetMediaListNotificationHandler::decodeMediaList(
            library(R"({"l":{"media":[{"title":"Alpha","releaseDate":"2001","imdbRef":"tt1","duration":"90",)"
                    R"("cut":"Extended","language":"fr","director":"x"},{"title":"Beta","duration":95}]}})"),
            list));
        QCOMPARE(int(list.size()), 2);
        const QVariantMap a = list[0]->toVariantMap();
        QCOMPARE(a.value("title").toString(), QString("Alpha"));
        QCOMPARE(a.value("releaseDate").toString(), QString("2001"));
        QCOMPARE(a.value("duration").toString(), QString("90"));
        QCOMPARE(a.value("cut").toString(), QString("Extended"));
        QCOMPARE(a.value("language").toString(), QString("fr"));
        QCOMPARE(a.size(), 5);
        QCOMPARE(QString::fromStdString(list[1]->title()), QString("Beta"));
        QVERIFY(list[1]->duration().empty());
    }

    void skipsNonObjectsAndAccumulatesArrays()
    {
        MediaList list;
        QVERIFY(GetMediaListNotificationHandler::decodeMediaList(
            library(
                R"({"a":[{"media":[{"title":"no"}]}],"b":3,"c":{"media":[1,"x",null,[],{"title":"One"}],)"
                R"("Media":[{"title":"no"}],"media":{"title":"no"}},"d":{"media":[{},{"title":"Two"}]}})"),
            list));
        QStringList titles;
        for (const auto& i : list)
            titles << QString::fromStdString(i->title());
        QCOMPARE(titles, (QStringList{"One", "", "Two"})); // a record without known members is still listed
    }

    void decodingFollowsTheDocumentRuleOnRandomBodies()
    {
        std::mt19937 random(1207);
        int taken = 0, records = 0, lines = 0;
        for (int round = 0; round < 3000; ++round) {
            const std::string body = randomBody(random);
            const Decoded expected = plainDecode(body);
            const Decoded decoded = fastDecode(body);
            if (!(decoded == expected))
                QFAIL(qPrintable(QString::fromStdString("differs on: " + body)));
            taken += expected.taken;
            records += expected.records.size();
            lines += expected.lines.size();
        }
        // The bodies reached every branch: refused ones, records, and members logged as unknown.
        QVERIFY(taken > 500 && taken < 2900);
        QVERIFY(records > 1000);
        QVERIFY(lines > 1000);
    }

    void aBodyRefusedAtItsEndKeepsNothingAndSaysNothing()
    {
        // Records and an over-long text before the fault: no rows, no line about unknown members, no cut
        // noted.
        const std::string body =
            "{\"l\":{\"media\":[{\"title\":\"" + std::string(5000, 't') + "\",\"x\":1}]}} trailing";
        MediaList list;
        g_debugLines.clear();
        const QtMessageHandler previous = qInstallMessageHandler(recordDebug);
        QVERIFY(!GetMediaListNotificationHandler::decodeMediaList(library(body), list));
        qInstallMessageHandler(previous);
        QVERIFY(list.empty());
        QVERIFY(g_debugLines.isEmpty());
        // A body nested far deeper than any stack would allow is still read.
        const std::string deep = "{\"l\":{\"media\":[{\"title\":\"Deep\",\"x\":" + std::string(200000, '[') +
                                 std::string(200000, ']') + "}]}}";
        QTest::ignoreMessage(QtDebugMsg, "Unknown media property x");
        QVERIFY(GetMediaListNotificationHandler::decodeMediaList(library(deep), list));
        QCOMPARE(int(list.size()), 1);
        QCOMPARE(QString::fromStdString(list[0]->title()), QString("Deep"));
    }

    void emptyOrInvalidBodiesChangeNothing()
    {
        GetMediaListNotificationHandler handler;
        auto model = handler.getModel();
        Table table(*model);
        handler.handleResponse(library(libraryBody({record("Kept")})));
        QCOMPARE(table.titles(), QStringList{"Kept"});
        for (const char* body : {"", "{", "{}", "[1,2]", "\"text\""})
            handler.handleResponse(library(body));
        QCOMPARE(table.clears, 1);
        QCOMPARE(table.titles(), QStringList{"Kept"});
        // A notification without any "media" array empties the library; an empty array does too.
        handler.handleResponse(library(R"({"x":{"other":[]}})"));
        QCOMPARE(table.clears, 2);
        QVERIFY(table.rows.isEmpty());
        handler.handleResponse(library(R"({"x":{"media":[]}})"));
        QCOMPARE(table.clears, 3);
        QVERIFY(table.rows.isEmpty());
    }

    void listFromAnotherThreadIsAppliedOnTheModelsThread()
    {
        GetMediaListNotificationHandler handler;
        auto model = handler.getModel();
        Table table(*model);
        QThread* rowThread = nullptr;
        QObject::connect(model.get(), &MediaListVirtualModel::appendRowToTableSignal,
                         [&rowThread] { rowThread = QThread::currentThread(); });
        std::thread worker([&handler] {
            handler.handleResponse(library(libraryBody({record("b"), record("A")})));
        });
        worker.join();
        QTRY_COMPARE_WITH_TIMEOUT(table.rows.size(), 2, 10000);
        QCOMPARE(rowThread, QThread::currentThread());
        QCOMPARE(table.titles(), (QStringList{"A", "b"})); // sorted by title on arrival
    }

    // Search ----------------------------------------------------------------------------------------------

    void searchIgnoresCaseAndMatchesTitlesOnly()
    {
        MediaListVirtualModel model;
        QAbstractItemModelTester tester(model.tableModel(),
                                        QAbstractItemModelTester::FailureReportingMode::Fatal);
        Table table(model);
        model.setMediaList(items({"The Matrix", "matrix reloaded", "Heat", "Mat"}, {"", "", "matrix", ""}));
        model.triggerSearchMediaLibrary(QString("MATRIX"));
        QCOMPARE(table.titles(), (QStringList{"matrix reloaded", "The Matrix"}));
        model.triggerSearchMediaLibrary(QString("mAt"));
        QCOMPARE(table.titles(), (QStringList{"Mat", "matrix reloaded", "The Matrix"}));
        model.triggerSearchMediaLibrary(QString::fromUtf8("ÉLAN"));
        QVERIFY(table.rows.isEmpty());
        model.triggerSearchMediaLibrary(QString());
        QCOMPARE(table.titles(), (QStringList{"Heat", "Mat", "matrix reloaded", "The Matrix"}));
    }

    void searchFoldsBeyondAscii()
    {
        MediaListVirtualModel model;
        QAbstractItemModelTester tester(model.tableModel(),
                                        QAbstractItemModelTester::FailureReportingMode::Fatal);
        Table table(model);
        model.setMediaList(items({QString::fromUtf8("Élan vital"), "Elan"}));
        model.triggerSearchMediaLibrary(QString::fromUtf8("élan"));
        QCOMPARE(table.titles(), QStringList{QString::fromUtf8("Élan vital")});
        // U+023A folds to a longer letter (two bytes to three): a title shorter than the needle in bytes
        // never matches, even where its folded form holds the needle.
        model.setMediaList(items({QString::fromUtf8("\u023A\u023A"), QString::fromUtf8("x\u023A\u023Ay")}));
        model.triggerSearchMediaLibrary(QString::fromUtf8("\u2C65\u2C65"));
        QCOMPARE(table.titles(), QStringList{QString::fromUtf8("x\u023A\u023Ay")});
        model.triggerSearchMediaLibrary(QString::fromUtf8("\u2C65"));
        QCOMPARE(table.titles().size(), 2);
    }

    void searchStaysActiveWhenANewListArrives()
    {
        GetMediaListNotificationHandler handler;
        auto model = handler.getModel();
        Table table(*model);
        handler.handleResponse(library(libraryBody({record("Zed"), record("Alien")})));
        model->triggerSearchMediaLibrary(QString("e"));
        QCOMPARE(table.titles(), (QStringList{"Alien", "Zed"}));
        // New library while searching: only matches, in the notification's order (not sorted).
        handler.handleResponse(
            library(libraryBody({record("Speed"), record("Up"), record("Beta"), record("Ant")})));
        QCOMPARE(table.titles(), (QStringList{"Speed", "Beta"}));
        // Clearing the search shows the whole new library in the full list's (received) order.
        model->triggerSearchMediaLibrary(QString(""));
        QCOMPARE(table.titles(), (QStringList{"Speed", "Up", "Beta", "Ant"}));
        // Not searching any more: the next library is sorted again.
        handler.handleResponse(library(libraryBody({record("b"), record("C"), record("a")})));
        QCOMPARE(table.titles(), (QStringList{"a", "b", "C"}));
    }

    void searchWhileAListArrivesFromAnotherThread()
    {
        GetMediaListNotificationHandler handler;
        auto model = handler.getModel();
        Table table(*model);
        std::vector<std::string> many;
        for (int i = 0; i < 2000; ++i)
            many.push_back(record((i % 2 ? "Odd " : "Even ") + std::to_string(i)));
        const std::string body = libraryBody(many);
        std::thread worker([&handler, &body] {
            for (int i = 0; i < 5; ++i)
                handler.handleResponse(library(body));
        });
        for (int i = 0; i < 20; ++i) {
            model->triggerSearchMediaLibrary(QString(i % 2 ? "odd" : "1"));
            model->triggerSortMediaLibrary(0, i % 3 == 0);
            QCoreApplication::processEvents();
        }
        worker.join();
        model->triggerSearchMediaLibrary(QString("odd 19"));
        // Every list arrived while a search was active, so the full list keeps the notification's order.
        QStringList expected;
        for (int i = 1; i < 2000; i += 2)
            if (std::to_string(i).rfind("19", 0) == 0)
                expected << QString("Odd %1").arg(i);
        QCOMPARE(expected.size(), 56);
        QTRY_COMPARE_WITH_TIMEOUT(table.titles(), expected, 10000);
        QCoreApplication::processEvents();
        QCOMPARE(table.titles(), expected);
    }

    // Sort ------------------------------------------------------------------------------------------------

    void sortIgnoresCaseAndIsStableBothWays()
    {
        MediaListVirtualModel model;
        QAbstractItemModelTester tester(model.tableModel(),
                                        QAbstractItemModelTester::FailureReportingMode::Fatal);
        Table table(model);
        model.setMediaList(items({"Bravo", "alpha", "ALPHA", "Charlie", "Alpha"}));
        // Received order of the three alphas (cut holds the received position) is kept both ways.
        QCOMPARE(table.titles(), (QStringList{"alpha", "ALPHA", "Alpha", "Bravo", "Charlie"}));
        model.triggerSortMediaLibrary(0, false);
        QCOMPARE(table.titles(), (QStringList{"Charlie", "Bravo", "alpha", "ALPHA", "Alpha"}));
        QCOMPARE(table.column("cut"), (QStringList{"3", "0", "1", "2", "4"}));
        model.triggerSortMediaLibrary(0, true);
        QCOMPARE(table.column("cut"), (QStringList{"1", "2", "4", "0", "3"}));
        QCOMPARE(table.clears, 3);
    }

    void sortByOtherColumnsComparesText()
    {
        MediaListVirtualModel model;
        QAbstractItemModelTester tester(model.tableModel(),
                                        QAbstractItemModelTester::FailureReportingMode::Fatal);
        Table table(model);
        model.setMediaList(items({"a", "b", "c"}, {"9", "10", "100"}));
        model.triggerSortMediaLibrary(QString("1"), QString("true"));
        QCOMPARE(table.column("duration"), (QStringList{"10", "100", "9"}));
        // Column 3 and unknown columns have no key: rows re-emitted, order unchanged.
        for (const QVariant& column : {QVariant(3), QVariant(17), QVariant(-1)}) {
            const int clears = table.clears;
            model.triggerSortMediaLibrary(column, false);
            QCOMPARE(table.clears, clears + 1);
            QCOMPARE(table.column("duration"), (QStringList{"10", "100", "9"}));
        }
        // A column that does not convert is the title; a direction that does not convert is descending.
        model.triggerSortMediaLibrary(QString("x"), QVariant());
        QCOMPARE(table.titles(), (QStringList{"c", "b", "a"}));
    }

    void sortDoesNotTouchTheFullList()
    {
        MediaListVirtualModel model;
        QAbstractItemModelTester tester(model.tableModel(),
                                        QAbstractItemModelTester::FailureReportingMode::Fatal);
        Table table(model);
        model.setMediaList(items({"b", "a", "c"}));
        model.triggerSortMediaLibrary(0, false);
        QCOMPARE(table.titles(), (QStringList{"c", "b", "a"}));
        model.triggerSearchMediaLibrary(QString(""));
        QCOMPARE(table.titles(), (QStringList{"a", "b", "c"}));
    }

    // Prepared search and sort against the plain rules ------------------------------------------------------

    void preparedSearchAndSortFollowThePlainRules()
    {
        std::mt19937 random(20261207);
        for (int round = 0; round < 40; ++round) {
            MediaListVirtualModel model;
            QAbstractItemModelTester tester(model.tableModel(),
                                            QAbstractItemModelTester::FailureReportingMode::Fatal);
            Table table(model);
            MediaList full = randomLibrary(random, std::uniform_int_distribution<int>(0, 200)(random));
            model.setMediaList(full);
            MediaListVirtualModel::sortList(full, 0, true);
            QCOMPARE(table.rows, rowsOf(full));
            QCOMPARE(tableRows(model), rowsOf(full));
            MediaList displayed = full;
            for (int step = 0; step < 12; ++step) {
                if (random() % 2) {
                    const int column = std::uniform_int_distribution<int>(-1, 6)(random);
                    const bool ascending = random() % 2;
                    model.triggerSortMediaLibrary(column, ascending);
                    MediaListVirtualModel::sortList(displayed, column, ascending);
                } else {
                    // A piece of a title (case changed at random), or any text.
                    QString text;
                    if (!full.empty() && random() % 3) {
                        const QString title = QString::fromStdString(full[random() % full.size()]->title());
                        const int from = title.isEmpty() ? 0 : int(random() % title.size());
                        text = title.mid(from, int(random() % 4));
                        if (random() % 2)
                            text = random() % 2 ? text.toUpper() : text.toLower();
                    } else {
                        text = QString::fromStdString(randomText(random, 2));
                    }
                    model.triggerSearchMediaLibrary(text);
                    displayed = plainSearch(full, text);
                }
                QCOMPARE(table.rows, rowsOf(displayed));
                QCOMPARE(tableRows(model), rowsOf(displayed));
            }
        }
    }

    void caseCompareKeysOrderAsTheComparison()
    {
        std::mt19937 random(7);
        for (int i = 0; i < 20000; ++i) {
            const std::string a = randomText(random, 4), b = randomText(random, 4);
            const int expected = StringCaseCompare(a, b);
            const int c = MediaListIndex::caseCompareKey(a).compare(MediaListIndex::caseCompareKey(b));
            QCOMPARE((c > 0) - (c < 0), expected);
        }
    }

    // Long tables, tables made later
    // ----------------------------------------------------------------------------

    void longTablesComeInSlicesAndANewTableDropsTheRest()
    {
        QStringList titles;
        for (int i = 0; i < 20000; ++i)
            titles << QString("t%1").arg(i, 5, 10, QChar('0'));
        MediaListVirtualModel model;
        QAbstractItemModelTester tester(model.tableModel(),
                                        QAbstractItemModelTester::FailureReportingMode::Fatal);
        Table table(model);
        model.setMediaList(items(titles));
        QVERIFY(table.rows.size() >= int(MediaListVirtualModel::kRowsPerSlice));
        QTRY_COMPARE_WITH_TIMEOUT(table.rows.size(), titles.size(), 30000);
        QCOMPARE(table.titles(), titles);
        QCOMPARE(table.clears, 1);

        // A search while the sorted table is still coming: only the search's rows remain.
        model.triggerSortMediaLibrary(0, false);
        model.triggerSearchMediaLibrary(QString("t1999"));
        QTest::qWait(50);
        QCOMPARE(table.titles(), (QStringList{"t19990", "t19991", "t19992", "t19993", "t19994", "t19995",
                                              "t19996", "t19997", "t19998", "t19999"}));

        // A clear while a table is coming stays a clear.
        model.triggerSearchMediaLibrary(QString());
        model.onOnlineStatusChanged(QString("redStatus"));
        QTest::qWait(50);
        QVERIFY(table.rows.isEmpty());
    }

    void aTableMadeLaterAsksForTheRowsShownNow()
    {
        MediaListVirtualModel model;
        QAbstractItemModelTester tester(model.tableModel(),
                                        QAbstractItemModelTester::FailureReportingMode::Fatal);
        {
            Table early(model);
            model.triggerShowMediaLibrary(); // nothing has arrived: the table keeps its first look
            QCOMPARE(early.clears, 0);
        }
        model.setMediaList(items({"b", "a", "c"})); // nobody shows it yet
        model.triggerSortMediaLibrary(0, false);
        Table late(model);
        model.triggerShowMediaLibrary();
        QCOMPARE(late.clears, 1);
        QCOMPARE(late.titles(), (QStringList{"c", "b", "a"}));
    }

    // The table model the page's view shows
    // ------------------------------------------------------------------

    void tableModelShowsOneEmptyRowUntilTheFirstTable()
    {
        MediaListVirtualModel model;
        QAbstractItemModelTester tester(model.tableModel(),
                                        QAbstractItemModelTester::FailureReportingMode::Fatal);
        const MediaListTableModel& table = *model.tableModel();
        QCOMPARE(table.rowCount(), 1);
        QCOMPARE(table.get(0), MediaItem().toVariantMap());
        QCOMPARE(table.data(table.index(0), MediaListTableModel::TitleRole).toString(), QString(""));
        QVERIFY(table.get(1).isEmpty());
        QVERIFY(!table.data(table.index(0), Qt::DisplayRole).isValid());
        QCOMPARE(table.roleNames().value(MediaListTableModel::ReleaseDateRole), QByteArray("releaseDate"));
        model.triggerShowMediaLibrary(); // nothing arrived yet
        QCOMPARE(table.rowCount(), 1);
        model.setMediaList({});
        QCOMPARE(table.rowCount(), 0);
    }

    void tableModelChangesOnceForEachTable()
    {
        MediaListVirtualModel model;
        QAbstractItemModelTester tester(model.tableModel(),
                                        QAbstractItemModelTester::FailureReportingMode::Fatal);
        MediaListTableModel& table = *model.tableModel();
        QSignalSpy resets(&table, &QAbstractItemModel::modelReset);
        QSignalSpy inserts(&table, &QAbstractItemModel::rowsInserted);
        QSignalSpy counts(&table, &MediaListTableModel::countChanged);
        QStringList titles;
        for (int i = 0; i < 3000; ++i)
            titles << QString("t%1").arg(i, 4, 10, QChar('0'));
        model.setMediaList(items(titles));
        QCOMPARE(resets.count(), 1); // all rows at once, although the row signals come in slices
        QCOMPARE(table.rowCount(), 3000);
        QCOMPARE(counts.count(), 1);
        model.triggerSearchMediaLibrary(QString("T29"));
        QCOMPARE(resets.count(), 2);
        QCOMPARE(table.rowCount(), 100);
        QCOMPARE(table.get(0).value("title").toString(), QString("t2900"));
        // A sort keeps the records: a layout change, which the view takes without making its rows again, and
        // an index held on a record follows it.
        qRegisterMetaType<QList<QPersistentModelIndex>>();
        qRegisterMetaType<QAbstractItemModel::LayoutChangeHint>();
        QSignalSpy layouts(&table, &QAbstractItemModel::layoutChanged);
        const QPersistentModelIndex held(table.index(3));
        QCOMPARE(table.data(held, MediaListTableModel::TitleRole).toString(), QString("t2903"));
        model.triggerSortMediaLibrary(0, false);
        QCOMPARE(resets.count(), 2);
        QCOMPARE(layouts.count(), 1);
        QCOMPARE(ControllerTest::arg(layouts, 0, 1).value<QAbstractItemModel::LayoutChangeHint>(),
                 QAbstractItemModel::VerticalSortHint);
        QCOMPARE(table.get(0).value("title").toString(), QString("t2999"));
        QCOMPARE(held.row(), 96);
        QCOMPARE(table.data(held, MediaListTableModel::TitleRole).toString(), QString("t2903"));
        QCOMPARE(counts.count(), 2);             // a sort keeps the count
        model.triggerSortMediaLibrary(3, false); // no key: the order stays, nothing changes
        QCOMPARE(layouts.count(), 1);
        QCOMPARE(resets.count(), 2);
        // Offline: the table empties; the rows come back with the next sort, as the row signals do.
        model.onOnlineStatusChanged(QString("redStatus"));
        QCOMPARE(table.rowCount(), 0);
        model.onOnlineStatusChanged(QString("greenStatus"));
        QCOMPARE(table.rowCount(), 0);
        model.triggerSortMediaLibrary(3, true);
        QCOMPARE(table.rowCount(), 100);
        QCOMPARE(table.get(99).value("title").toString(), QString("t2900"));
        QCOMPARE(resets.count(), 4); // after the clear the rows come back as a new table
        QCOMPARE(inserts.count(), 0);
    }

    void tableModelFollowsAListFromAnotherThread()
    {
        GetMediaListNotificationHandler handler;
        auto model = handler.getModel();
        MediaListTableModel& table = *model->tableModel();
        QThread* resetThread = nullptr;
        QObject::connect(&table, &QAbstractItemModel::modelReset,
                         [&resetThread] { resetThread = QThread::currentThread(); });
        std::thread worker([&handler] {
            handler.handleResponse(library(libraryBody({record("b"), record("A")})));
        });
        worker.join();
        QTRY_COMPARE_WITH_TIMEOUT(table.rowCount(), 2, 10000);
        QCOMPARE(resetThread, QThread::currentThread());
        QCOMPARE(table.get(0).value("title").toString(), QString("A"));
    }

    // Online status -----------------------------------------------------------------------------------------

    void onlyGreenKeepsTheTable()
    {
        MediaListVirtualModel model;
        QAbstractItemModelTester tester(model.tableModel(),
                                        QAbstractItemModelTester::FailureReportingMode::Fatal);
        Table table(model);
        model.setMediaList(items({"a"}));
        model.onOnlineStatusChanged(QString("greenStatus"));
        QCOMPARE(table.clears, 1);
        model.onOnlineStatusChanged(QString("GreenStatus"));
        QCOMPARE(table.clears, 2);
        model.onOnlineStatusChanged(QString("yellowStatus"));
        QCOMPARE(table.clears, 3);
        QVERIFY(table.rows.isEmpty());
        model.onOnlineStatusChanged(QString("greenStatus"));
        QVERIFY(table.rows.isEmpty()); // rows come back only with the next list, search or sort
        model.triggerSortMediaLibrary(3, true);
        QCOMPARE(table.titles(), QStringList{"a"});
    }
};

QTEST_MAIN(TestMediaLibrary)
#include "tst_medialibrary.moc"
