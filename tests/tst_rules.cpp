// The channel rules on their own, for what the window tests do not reach:
// character codes at their limits, edges that single precision rounds onto
// the limits, and the shift of a change of type.
#include "rules/ChannelRules.h"

#include <QTest>

using plandor::ChannelRules;

class RulesTest : public QObject
{
    Q_OBJECT

private slots:
    void name_data();
    void name();
    void freq_data();
    void freq();
    void cellNumber_data();
    void cellNumber();
    void shift_data();
    void shift();
    void typeChangeAndFreq();
    void knownTypes();
};

void RulesTest::name_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("message");
    QTest::newRow("one") << QStringLiteral("5") << 0;
    QTest::newRow("blanks count") << QStringLiteral("   ") << 0;
    QTest::newRow("latin-1 accent") << QStringLiteral("A\u00e9") << 0;
    QTest::newRow("code 254") << QStringLiteral("\u00fe") << 0;
    QTest::newRow("code 255") << QStringLiteral("\u00ff") << 59;
    QTest::newRow("code 0") << QString(QChar(0)) << 59;
    QTest::newRow("chinese after latin") << QStringLiteral("A\u4e2d") << 59;
    QTest::newRow("euro sign") << QStringLiteral("\u20ac") << 59;
    // Length is checked first: four characters with a Chinese one is 26.
    QTest::newRow("length before characters") << QStringLiteral("ABC\u4e2d") << 26;
    // A character beyond the basic plane is one character, refused for its code.
    QTest::newRow("surrogate pair") << QString::fromUcs4(U"AB\U0001F600") << 59;
}

void RulesTest::name()
{
    QFETCH(QString, name);
    QFETCH(int, message);
    QCOMPARE(int(ChannelRules::checkName(name)), message);
}

void RulesTest::freq_data()
{
    QTest::addColumn<float>("freq");
    QTest::addColumn<float>("audio1");
    QTest::addColumn<int>("message");
    QTest::newRow("lowest") << 46.0f << 0.0f << 0;
    QTest::newRow("highest") << 1000.0f << 0.0f << 0;
    QTest::newRow("zero (not a number)") << 0.0f << 4.5f << 27;
    QTest::newRow("range before sum") << 1001.0f << 100.0f << 27;
    QTest::newRow("lower edge under") << 46.0f << 2.0f << 30;
    QTest::newRow("upper edge on 1000") << 996.0f << 8.0f << 0;
    QTest::newRow("upper edge over by a little") << 996.01f << 8.0f << 30;
    QTest::newRow("negative audio widens") << 500.0f << -4.0f << 0;
    // Edges that lie beyond the limits by less than half a single-precision
    // step round onto them and pass; compared in double they would not.
    QTest::newRow("upper edge rounds to 1000") << 1000.0f << 0.00004f << 0;
    QTest::newRow("upper edge rounds above 1000") << 1000.0f << 0.0001f << 30;
    QTest::newRow("lower edge rounds to 46") << 46.0f << 0.000002f << 0;
    QTest::newRow("lower edge rounds below 46") << 46.0f << 0.00001f << 30;
}

void RulesTest::freq()
{
    QFETCH(float, freq);
    QFETCH(float, audio1);
    QFETCH(int, message);
    QCOMPARE(int(ChannelRules::checkFreq(freq, audio1)), message);
}

void RulesTest::cellNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<float>("value");
    QTest::newRow("blanks around") << QStringLiteral(" 46 ") << 46.0f;
    QTest::newRow("trailing letters") << QStringLiteral("500abc") << 0.0f;
    QTest::newRow("empty") << QString() << 0.0f;
    QTest::newRow("rounded to single") << QStringLiteral("45.99") << 45.99f;
}

void RulesTest::cellNumber()
{
    QFETCH(QString, text);
    QFETCH(float, value);
    QCOMPARE(ChannelRules::cellNumber(text), value);
}

void RulesTest::shift_data()
{
    QTest::addColumn<QString>("bandwidth");
    QTest::addColumn<double>("shift");
    QTest::newRow("8") << QStringLiteral("8") << 2.75;
    QTest::newRow("empty") << QString() << -1.25;
    QTest::newRow("no leading number") << QStringLiteral("MHz") << -1.25;
    QTest::newRow("leading number only") << QStringLiteral("6 MHz") << 1.75;
}

void RulesTest::shift()
{
    QFETCH(QString, bandwidth);
    QFETCH(double, shift);
    QCOMPARE(ChannelRules::halfBandwidthShift(bandwidth), shift);
}

void RulesTest::typeChangeAndFreq()
{
    using Change = ChannelRules::TypeChange;
    QCOMPARE(ChannelRules::typeChange(u"TV", u"DIGI"), Change::TvToDigi);
    QCOMPARE(ChannelRules::typeChange(u"DIGI", u"TV"), Change::DigiToTv);
    QCOMPARE(ChannelRules::typeChange(u"TV", u"TV"), Change::None);
    QCOMPARE(ChannelRules::typeChange(u" ", u" "), Change::None);
    QCOMPARE(ChannelRules::typeChange(u"tv", u"DIGI"), Change::None);

    const double eight = ChannelRules::halfBandwidthShift(u"8");
    QCOMPARE(ChannelRules::shiftedFreq(u"471.25", Change::TvToDigi, eight), QStringLiteral("474"));
    QCOMPARE(ChannelRules::shiftedFreq(u"474", Change::DigiToTv, eight), QStringLiteral("471.25"));
    // The leading number of the cell is shifted; the result is not checked.
    QCOMPARE(ChannelRules::shiftedFreq(u"47x", Change::DigiToTv, eight), QStringLiteral("44.25"));
    QCOMPARE(ChannelRules::shiftedFreq(u"471.25", Change::TvToDigi, -1.25), QStringLiteral("470"));
    QCOMPARE(ChannelRules::shiftedFreq(u"471.25", Change::None, eight), QStringLiteral("471.25"));
    // In double precision: a sum that single precision would round.
    QCOMPARE(ChannelRules::shiftedFreq(u"100.1", Change::TvToDigi, 0.05),
        QStringLiteral("100.14999999999999"));

    QCOMPARE(ChannelRules::restoredFreq(471.25f), QStringLiteral("471.25"));
    QCOMPARE(ChannelRules::restoredFreq(100.1f), QStringLiteral("100.1"));
    QCOMPARE(ChannelRules::restoredFreq(46.0f), QStringLiteral("46"));
}

void RulesTest::knownTypes()
{
    QVERIFY(ChannelRules::isKnownType(u"TV"));
    QVERIFY(ChannelRules::isKnownType(u"DIGI"));
    for (const char16_t *other : { u"", u"tv", u"Digi", u"DUAL", u"TV " })
        QVERIFY2(!ChannelRules::isKnownType(other), QString::fromUtf16(other).toUtf8());
}

QTEST_APPLESS_MAIN(RulesTest)
#include "tst_rules.moc"
