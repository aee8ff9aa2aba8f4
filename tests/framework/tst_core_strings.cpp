// Case folding of UTF-8 texts for search and sorting.
#include <QtTest>

#include <algorithm>

#include "StringUtils.h"

using namespace Ulmar;

Q_DECLARE_METATYPE(std::string)

namespace {

bool validUtf8(const std::string& s)
{
    const QByteArray bytes(s.data(), static_cast<int>(s.size()));
    return QString::fromUtf8(bytes.constData(), bytes.size()).toUtf8() == bytes;
}

int sign(int v)
{
    return (v > 0) - (v < 0);
}

} // namespace

class TestCoreStrings : public QObject
{
    Q_OBJECT

private slots:
    void lowercaseFoldsBeyondAscii_data()
    {
        QTest::addColumn<std::string>("input");
        QTest::addColumn<std::string>("expected");
        QTest::newRow("empty") << std::string() << std::string();
        QTest::newRow("ascii") << std::string("The MATRIX 2") << std::string("the matrix 2");
        QTest::newRow("french") << std::string("ÉLAN À L'ÉCOLE, ÇA VA")
                                << std::string("élan à l'école, ça va");
        QTest::newRow("greek") << std::string("ΑΒΓ") << std::string("αβγ");
        QTest::newRow("greek final sigma folds") << std::string("ΟΔΌΣ οδός") << std::string("οδόσ οδόσ");
        QTest::newRow("german sharp s stays") << std::string("STRAßE") << std::string("straße");
        QTest::newRow("capital sharp s") << std::string("ẞ") << std::string("ß");
        QTest::newRow("chinese unchanged") << std::string("卧虎藏龙") << std::string("卧虎藏龙");
        QTest::newRow("chinese with latin") << std::string("电影 ABC") << std::string("电影 abc");
        QTest::newRow("outside the basic plane") << std::string("𐐀😀A") << std::string("𐐨😀a");
        QTest::newRow("embedded nul") << std::string("A\0B", 3) << std::string("a\0b", 3);
    }

    void lowercaseFoldsBeyondAscii()
    {
        QFETCH(std::string, input);
        QFETCH(std::string, expected);
        const std::string result = ToLowercase(input);
        QCOMPARE(result, expected);
        QVERIFY(validUtf8(result));
        QCOMPARE(ToLowercase(result), result);
    }

    void invalidUtf8IsReturnedUnchanged_data()
    {
        QTest::addColumn<std::string>("input");
        QTest::newRow("lone continuation byte") << std::string("ABC\x80");
        QTest::newRow("truncated sequence") << std::string("ÉTÉ \xE4\xB8");
        QTest::newRow("bad lead byte") << std::string("\xFF\xFE TITLE");
        QTest::newRow("overlong slash") << std::string("A\xC0\xAF");
        QTest::newRow("encoded surrogate") << std::string("A\xED\xA0\x80");
        QTest::newRow("latin-1 text") << std::string("\xC9LAN");
    }

    void invalidUtf8IsReturnedUnchanged()
    {
        QFETCH(std::string, input);
        QCOMPARE(ToLowercase(input), input);
    }

    void lowercaseSupportsByteWiseSearch()
    {
        const std::string title = ToLowercase("LE FABULEUX DESTIN D'AMÉLIE POULAIN");
        QVERIFY(title.find(ToLowercase("Amélie")) != std::string::npos);
        QVERIFY(title.find(ToLowercase("AMÉLIE")) != std::string::npos);
        QVERIFY(title.find(ToLowercase("amelie")) == std::string::npos);
        QVERIFY(ToLowercase("Η ΟΔΥΣΣΕΙΑ").find(ToLowercase("οδύσσεια")) == std::string::npos);
        QVERIFY(ToLowercase("Η ΟΔΎΣΣΕΙΑ").find(ToLowercase("οδύσσεια")) != std::string::npos);
    }

    void compareIgnoresCase_data()
    {
        QTest::addColumn<std::string>("a");
        QTest::addColumn<std::string>("b");
        QTest::addColumn<int>("expected");
        QTest::newRow("equal ascii") << std::string("Matrix") << std::string("MATRIX") << 0;
        QTest::newRow("case does not order") << std::string("apple") << std::string("Banana") << -1;
        QTest::newRow("case does not order, reversed") << std::string("Banana") << std::string("apple") << 1;
        QTest::newRow("french") << std::string("élan") << std::string("ÉLAN") << 0;
        QTest::newRow("greek") << std::string("αβγ") << std::string("ΑΒΓ") << 0;
        QTest::newRow("greek order") << std::string("Α") << std::string("β") << -1;
        QTest::newRow("sharp s is not ss") << std::string("straße") << std::string("STRASSE") << 1;
        QTest::newRow("chinese equal") << std::string("卧虎藏龙") << std::string("卧虎藏龙") << 0;
        QTest::newRow("prefix first") << std::string("Alien") << std::string("ALIENS") << -1;
        QTest::newRow("empty first") << std::string() << std::string("a") << -1;
        QTest::newRow("text, not numbers") << std::string("9") << std::string("10") << 1;
    }

    void compareIgnoresCase()
    {
        QFETCH(std::string, a);
        QFETCH(std::string, b);
        QFETCH(int, expected);
        QCOMPARE(sign(StringCaseCompare(a, b)), expected);
        QCOMPARE(sign(StringCaseCompare(b, a)), -expected);
    }

    // Sorting needs a consistent order, invalid texts included.
    void compareIsAConsistentOrder()
    {
        const std::vector<std::string> texts = {"",      "a",     "A", "b",  "Ä",  "ä",    "z",    "ß",
                                                "ss",    "Σ",     "ς", "σ",  "卧", "电影", "\xFF", "\xFE",
                                                "a\xC3", "A\xC3", "😀", "ａ", "10", "9"};
        for (const auto& a : texts) {
            QCOMPARE(StringCaseCompare(a, a), 0);
            for (const auto& b : texts) {
                const int ab = sign(StringCaseCompare(a, b));
                QCOMPARE(ab, -sign(StringCaseCompare(b, a)));
                for (const auto& c : texts) {
                    if (ab <= 0 && sign(StringCaseCompare(b, c)) <= 0)
                        QVERIFY2(StringCaseCompare(a, c) <= 0, (a + " " + b + " " + c).c_str());
                }
            }
        }
        std::vector<std::string> sorted = texts;
        std::stable_sort(sorted.begin(), sorted.end(), [](const std::string& x, const std::string& y) {
            return StringCaseCompare(x, y) < 0;
        });
        QVERIFY(std::is_sorted(sorted.begin(), sorted.end(), [](const std::string& x, const std::string& y) {
            return StringCaseCompare(x, y) < 0;
        }));
        // Stable: "a" before "A" as given.
        QVERIFY(std::find(sorted.begin(), sorted.end(), "a") < std::find(sorted.begin(), sorted.end(), "A"));
    }
};

QTEST_GUILESS_MAIN(TestCoreStrings)
#include "tst_core_strings.moc"
