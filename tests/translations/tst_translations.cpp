// The compiled catalogues in the application's resources, their sources against the code, and the
// font the Chinese locale selects.
#include <QFontDatabase>
#include <QFontInfo>
#include <QProcess>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QRawFont>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

#include "TsCatalogue.h"

namespace {

const QString kTsDir = QStringLiteral(VYRA_TS_DIR);

QSet<QString> placeholders(const QString& text)
{
    QSet<QString> found;
    QRegularExpressionMatchIterator it = QRegularExpression("%\\d+").globalMatch(text);
    while (it.hasNext())
        found.insert(it.next().captured());
    return found;
}

} // namespace

class TestTranslations : public QObject
{
    Q_OBJECT

private slots:
    void tellingRows_data()
    {
        QTest::addColumn<QString>("context");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("french");
        QTest::addColumn<QString>("chinese");
        auto row = [](const char* context, const char* source, const char* fr, const char* zh) {
            QTest::addRow("%s: %s", context, source)
                << QString(context) << QString(source) << QString::fromUtf8(fr) << QString::fromUtf8(zh);
        };
        row("Main", "Tavik", "Tavik", "Tavik");
        row("Main", "Library", "Bibliothèque", "库");
        row("PageMovies", "Cut", "Version", "剪辑");
        row("PageMotionController", "Motion Delay: %1 ms", "Délai du mouvement : %1 ms", "动感延迟：%1 毫秒");
        row("PageMotionController", "Recognition Tolerance: %1 s", "Tolérance reconnaissance : %1 s",
            "识别容差：%1 秒");
        row("WidgetSeats", "Motion: %1 dB", "Mouvement : %1 dB", "转动：%1 分贝");
        row("WidgetSeats", "Seat %1", "Fauteuil %1", "座椅 %1");
        row("WidgetMotionCodeLibraryService", "Username", "Nom d'utilisateur", "用户名");
        row("Ulmar::Messaging::GetMediaStatusNotificationHandler", "VYRA Online", "VYRA en ligne",
            "在线 VYRA");
        row("Ulmar::SeatPaneMgr", "Seats Ready", "Fauteuils prêts", "座椅就绪");
        row("QObject", "An error has occured. The application must exit.",
            "Une erreur est survenue. L'application doit quitter.", "发生错误。必须关闭应用程序。");
    }

    void tellingRows()
    {
        QFETCH(QString, context);
        QFETCH(QString, source);
        QFETCH(QString, french);
        QFETCH(QString, chinese);
        QTranslator fr, zh, en;
        QVERIFY(fr.load(":/translations/vyraapp_fr.qm"));
        QVERIFY(zh.load(":/translations/vyraapp_zh.qm"));
        QVERIFY(en.load(":/translations/vyraapp_en.qm"));
        const QByteArray ctx = context.toUtf8(), src = source.toUtf8();
        QCOMPARE(fr.translate(ctx, src), french);
        QCOMPARE(zh.translate(ctx, src), chinese);
        // English is the source language: its catalogue has nothing to say (the caller falls back).
        QCOMPARE(en.translate(ctx, src), QString());
    }

    // What lrelease compiled is what the sources say, for every entry.
    void compiledMatchesSources_data()
    {
        QTest::addColumn<QString>("language");
        QTest::newRow("fr") << "fr";
        QTest::newRow("zh") << "zh";
    }

    void compiledMatchesSources()
    {
        QFETCH(QString, language);
        const TsCatalogue ts = TsCatalogue::read(kTsDir + "/vyraapp_" + language + ".ts");
        QVERIFY2(ts.error.isEmpty(), qPrintable(ts.error));
        QCOMPARE(ts.language, language);
        QTranslator translator;
        QVERIFY(translator.load(":/translations/vyraapp_" + language + ".qm"));
        QCOMPARE(translator.language(), language);
        for (auto it = ts.messages.cbegin(); it != ts.messages.cend(); ++it) {
            const QString where = it.key().first + " / " + it.key().second;
            QVERIFY2(it->type.isEmpty(), qPrintable(where + " is " + it->type));
            QVERIFY2(!it->translation.trimmed().isEmpty(), qPrintable(where + " has no translation"));
            QCOMPARE(translator.translate(it.key().first.toUtf8(), it.key().second.toUtf8()),
                     it->translation);
        }
    }

    void englishCatalogueIsEmpty()
    {
        const TsCatalogue ts = TsCatalogue::read(kTsDir + "/vyraapp_en.ts");
        QVERIFY2(ts.error.isEmpty(), qPrintable(ts.error));
        QCOMPARE(ts.language, QString("en"));
        QVERIFY(ts.messages.isEmpty());
        QTranslator en;
        QVERIFY(en.load(":/translations/vyraapp_en.qm"));
        QCOMPARE(en.language(), QString("en"));
        QVERIFY(en.isEmpty());
    }

    // A text added to the code (or changed) without a translation shows up here.
    void everySourceTextTranslated()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QDir app(QStringLiteral(VYRA_APP_SOURCE_DIR));
        QStringList inputs;
        for (const QFileInfo& f : app.entryInfoList({"*.cpp", "*.h"}, QDir::Files, QDir::Name))
            inputs << f.absoluteFilePath();
        for (const QFileInfo& f : QDir(app.filePath("qml")).entryInfoList({"*.qml", "*.js"}, QDir::Files))
            inputs << f.absoluteFilePath();
        QVERIFY(inputs.size() > 10);
        const QString extracted = dir.filePath("extracted.ts");
        QProcess lupdate;
        lupdate.setProcessChannelMode(QProcess::MergedChannels);
        lupdate.start(QStringLiteral(VYRA_LUPDATE), QStringList{"-no-obsolete", "-locations", "none"} +
                                                        inputs + QStringList{"-ts", extracted});
        QVERIFY(lupdate.waitForFinished(60000));
        QVERIFY2(lupdate.exitCode() == 0, lupdate.readAll().constData());
        const TsCatalogue code = TsCatalogue::read(extracted);
        QVERIFY2(code.error.isEmpty(), qPrintable(code.error));

        // Entries per context of the user interface and the handlers; a lost qsTr shows up here too.
        const QMap<QString, int> expected{{"Ulmar::Messaging::GetMediaStatusNotificationHandler", 22},
                                          {"Ulmar::Messaging::GetUpgradeAndUpdateNotificationHandler", 10},
                                          {"Ulmar::SeatPaneMgr", 3},
                                          {"Ulmar::CrashReportBox", 1},
                                          {"Ulmar::UnitAddress", 6},
                                          {"Ulmar::Facade", 2},
                                          {"QObject", 5},
                                          {"Main", 8},
                                          {"PageMotionController", 37},
                                          {"PageMovies", 12},
                                          {"PageNetwork", 34},
                                          {"PageSeats", 1},
                                          {"Style", 5},
                                          {"WidgetMotionCodeLibraryService", 21},
                                          {"WidgetSeats", 12},
                                          {"WidgetSortHeader", 3},
                                          {"WidgetStartupDialog", 14},
                                          {"WidgetUnfoldButton", 2},
                                          {"WidgetUnitSearch", 16},
                                          {"js_motionCodeLibraryService", 4}};
        QCOMPARE(code.countsPerContext(), expected);

        for (const QString language : {"fr", "zh"}) {
            const TsCatalogue ts = TsCatalogue::read(kTsDir + "/vyraapp_" + language + ".ts");
            QVERIFY2(ts.error.isEmpty(), qPrintable(ts.error));
            for (auto it = code.messages.cbegin(); it != code.messages.cend(); ++it)
                QVERIFY2(ts.messages.contains(it.key()),
                         qPrintable(language + " lacks " + it.key().first + " / " + it.key().second));
            for (auto it = ts.messages.cbegin(); it != ts.messages.cend(); ++it)
                QVERIFY2(code.messages.contains(it.key()),
                         qPrintable(language + " keeps a text the code no longer has: " + it.key().first +
                                    " / " + it.key().second));
        }
    }

    void placeholdersAndTypography()
    {
        const TsCatalogue fr = TsCatalogue::read(kTsDir + "/vyraapp_fr.ts");
        const TsCatalogue zh = TsCatalogue::read(kTsDir + "/vyraapp_zh.ts");
        QVERIFY(!fr.messages.isEmpty() && !zh.messages.isEmpty());
        // French wants a (no-break or plain) space before the colon; Chinese the full-width colon and stop.
        const QRegularExpression frenchColon("[^ \\x{00A0}\\x{202F}]:");
        const QRegularExpression asciiAfterHan("[\\x{4E00}-\\x{9FFF}][:.,;!?()]");
        for (const TsCatalogue* ts : {&fr, &zh}) {
            for (auto it = ts->messages.cbegin(); it != ts->messages.cend(); ++it) {
                const QString where = ts->language + ": " + it.key().first + " / " + it.key().second;
                QVERIFY2(placeholders(it.key().second) == placeholders(it->translation), qPrintable(where));
                if (ts == &fr)
                    QVERIFY2(!frenchColon.match(it->translation).hasMatch(), qPrintable(where));
                else
                    QVERIFY2(!asciiAfterHan.match(it->translation).hasMatch() &&
                                 !it->translation.contains(':'),
                             qPrintable(where));
            }
        }
    }

    // The catalogue follows the locale's languages and their fallbacks; others stay in English.
    void catalogueChosenByLocale_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("language"); // empty: nothing loads
        QTest::newRow("fr_FR") << "fr_FR"
                               << "fr";
        QTest::newRow("fr_CA") << "fr_CA"
                               << "fr";
        QTest::newRow("zh_CN") << "zh_CN"
                               << "zh";
        QTest::newRow("zh_TW") << "zh_TW"
                               << "zh";
        QTest::newRow("en_GB") << "en_GB"
                               << "en";
        QTest::newRow("de_DE") << "de_DE"
                               << "";
    }

    void catalogueChosenByLocale()
    {
        QFETCH(QString, locale);
        QFETCH(QString, language);
        QTranslator translator;
        const bool loaded = translator.load(QLocale(locale), "vyraapp", "_", ":/translations");
        QCOMPARE(loaded, !language.isEmpty());
        QCOMPARE(translator.language(), language);
    }

    // Chinese picks a font that really holds every glyph of the Chinese catalogue; other languages do not
    // need one (and must not get a CJK face for Latin text).
    void fontForLanguage_data()
    {
        QTest::addColumn<QString>("uiLanguage");
        QTest::addColumn<bool>("chinese");
        QTest::newRow("zh") << "zh" << true;
        QTest::newRow("fr") << "fr" << false;
        QTest::newRow("none") << "" << false;
    }

    void fontForLanguage()
    {
        QFETCH(QString, uiLanguage);
        QFETCH(bool, chinese);
        QQmlEngine engine;
        engine.setUiLanguage(uiLanguage);
        QQmlComponent component(&engine);
        component.setData("import QtQuick 2.12\nimport \"qrc:/\"\nQtObject { property string family: "
                          "Style.font_FAMILY }",
                          QUrl("qrc:/fontprobe.qml"));
        std::unique_ptr<QObject> object(component.create());
        QVERIFY2(object, qPrintable(component.errorString()));
        const QString family = object->property("family").toString();
        QVERIFY(!family.isEmpty());
        const QRawFont raw = QRawFont::fromFont(QFont(family));
        QVERIFY(raw.isValid());
        const QString han = QString::fromUtf8("库座椅在线");
        const bool hasHan =
            std::all_of(han.cbegin(), han.cend(), [&](QChar c) { return raw.supportsCharacter(c); });
        QCOMPARE(hasHan, chinese);
        if (!chinese)
            return;
        // An installed face of that name, not a fallback.
        QCOMPARE(QFontInfo(QFont(family)).family(), family);
        const TsCatalogue zh = TsCatalogue::read(kTsDir + "/vyraapp_zh.ts");
        QVERIFY(!zh.messages.isEmpty());
        for (const TsMessage& m : zh.messages)
            for (const QChar c : m.translation)
                QVERIFY2(c.isSpace() || raw.supportsCharacter(c), qPrintable(QString("no glyph for ") + c));
    }
};

QTEST_MAIN(TestTranslations)
#include "tst_translations.moc"
