// The real program, offscreen, in French, Chinese, an untranslated language and the C locale, against the
// simulated unit on loopback; the interface probe plugin (tests/ui/probe) reads the window by objectName.
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include "AppUnitFixture.h"

class TestTranslationsEndToEnd : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<AppUnitFixture> m_fx;

    QJsonObject ask(const QJsonObject& request) { return m_fx->ask(request); }

    // Hidden items too: the texts of other tabs are set whether shown or not.
    QString text(const QString& name, const QString& prop = "text")
    {
        return ask({{"cmd", "get"}, {"name", name}, {"prop", prop}, {"visibleOnly", false}})
            .value("value")
            .toString();
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

        // Online at once: a unit playing one long title.
        QFile scenario(m_dir.filePath("scenario.json"));
        QVERIFY(scenario.open(QIODevice::WriteOnly));
        scenario.write(R"({"loop": false, "steps": [{"duration": 3600, "mediaIdState": "ident_success",
            "motionCodeState": "available", "media": "The Godfather", "offset": 100}]})");
        scenario.close();

        m_fx = std::make_unique<AppUnitFixture>(m_dir.path());
        QVERIFY(m_fx->startUnit({"--seats", "2", "--scenario", scenario.fileName()}));
    }

    void cleanupTestCase() { m_fx.reset(); }

    void languageShown_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("logLine");
        QTest::addColumn<QString>("library");
        QTest::addColumn<QString>("cut");
        QTest::addColumn<QString>("online");
        QTest::addColumn<QString>("username");
        QTest::addColumn<bool>("errorLogged");
        QTest::newRow("fr") << "fr"
                            << "Successfully loaded translation." << QString::fromUtf8("Bibliothèque")
                            << "Version"
                            << "VYRA en ligne"
                            << "Nom d'utilisateur" << false;
        // A language and country finds the bare language's catalogue.
        QTest::newRow("zh_CN") << "zh_CN"
                               << "Successfully loaded translation." << QString::fromUtf8("库")
                               << QString::fromUtf8("剪辑") << QString::fromUtf8("在线 VYRA")
                               << QString::fromUtf8("用户名") << false;
        // The first preferred language has no catalogue: the next one's is taken.
        QTest::newRow("de:zh_CN") << "de:zh_CN"
                                  << "Successfully loaded translation." << QString::fromUtf8("库")
                                  << QString::fromUtf8("剪辑") << QString::fromUtf8("在线 VYRA")
                                  << QString::fromUtf8("用户名") << false;
        // A language without a catalogue, and no English among the preferred: that is an error.
        QTest::newRow("de") << "de"
                            << "Could not load translation."
                            << "Library"
                            << "Cut"
                            << "VYRA Online"
                            << "Username" << true;
        // The C locale of containers and remote sessions asks for no language: English is what it gets,
        // which is no error. An empty language stands for LANGUAGE unset and LANG=C.UTF-8.
        QTest::newRow("C.UTF-8") << ""
                                 << "Could not load translation."
                                 << "Library"
                                 << "Cut"
                                 << "VYRA Online"
                                 << "Username" << false;
    }

    void languageShown()
    {
        QFETCH(QString, language);
        QFETCH(QString, logLine);
        QFETCH(QString, library);
        QFETCH(QString, cut);
        QFETCH(QString, online);
        QFETCH(QString, username);
        QFETCH(bool, errorLogged);

        // The language comes from LANGUAGE alone: the locale stays "C", as on a machine without glibc
        // locales.
        QVERIFY(m_fx->startApp({{"LANGUAGE", language.isEmpty() ? QString() : language},
                                {"LC_ALL", QString()},
                                {"LC_MESSAGES", QString()},
                                {"LANG", "C.UTF-8"}}));
        auto guard = qScopeGuard([&] { m_fx->stopApp(); });
        const auto log = [this] { return m_fx->appLog(); };

        QVERIFY2(log().contains(logLine), qPrintable(log()));
        const auto errorLines = [&] {
            QStringList lines;
            for (const QString& line : log().split('\n'))
                if (line.contains(" ERROR ") && line.contains("translation", Qt::CaseInsensitive))
                    lines << line;
            return lines;
        };
        QVERIFY2(errorLines().isEmpty() != errorLogged, qPrintable(errorLines().join('\n')));
        QCOMPARE(text("libraryTab"), library);
        // The library page is made when first shown (behind the start-up dialog, which takes the clicks).
        QTRY_VERIFY_WITH_TIMEOUT(
            ask({{"cmd", "get"}, {"name", "startupDialogCloseButton"}, {"prop", "visible"}})
                .value("value")
                .toBool(),
            20000);
        QVERIFY(ask({{"cmd", "click"}, {"name", "startupDialogCloseButton"}}).value("ok").toBool());
        QTRY_VERIFY_WITH_TIMEOUT(ask({{"cmd", "click"}, {"name", "libraryTab"}}).value("ok").toBool() &&
                                     !text("cutTitle").isEmpty(),
                                 20000);
        QTRY_COMPARE_WITH_TIMEOUT(text("cutTitle"), cut, 20000);
        // Made by a message handler from the unit's report, translated where it is made.
        QTRY_COMPARE_WITH_TIMEOUT(text("controllerStatusText"), online, 60000);
        // The sign-in fields are made once the unit answers for the library service.
        QTRY_COMPARE_WITH_TIMEOUT(text("usernameTextInput", "placeholderText"), username, 20000);
    }
};

QTEST_GUILESS_MAIN(TestTranslationsEndToEnd)
#include "tst_translations_endtoend.moc"
