// The channel rules on their own, for what the window tests do not reach:
// character codes at their limits, edges that single precision rounds onto
// the limits, reading numbers from text, and the shift of a change of type.
#include "rules/ChannelRules.h"

#include <QTest>

using plandor::ChannelRules;

class RulesTest : public QObject
{
    Q_OBJECT

private slots:
    void name_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("message");
        QTest::newRow("blanks count") << QStringLiteral("   ") << 0;
        QTest::newRow("code 254") << QStringLiteral("\u00fe") << 0;
        QTest::newRow("code 255") << QStringLiteral("\u00ff") << 59;
        QTest::newRow("code 0") << QString(QChar(0)) << 59;
        // Length is checked first: four characters with a Chinese one is 26.
        QTest::newRow("length before characters") << QStringLiteral("ABC\u4e2d") << 26;
        // A character beyond the basic plane is one character, refused for its code.
        QTest::newRow("surrogate pair") << QString::fromUcs4(U"AB\U0001F600") << 59;
    }
    void name()
    {
        QFETCH(QString, name);
        QFETCH(int, message);
        QCOMPARE(int(ChannelRules::checkName(name)), message);
    }

    void freq_data()
    {
        QTest::addColumn<float>("freq");
        QTest::addColumn<float>("audio1");
        QTest::addColumn<int>("message");
        QTest::newRow("zero (not a number)") << 0.0f << 4.5f << 27;
        QTest::newRow("range before sum") << 1001.0f << 100.0f << 27;
        // Edges that lie beyond the limits by less than half a single-precision
        // step round onto them and pass; compared in double they would not.
        QTest::newRow("upper edge rounds to 1000") << 1000.0f << 0.00004f << 0;
        QTest::newRow("upper edge rounds above 1000") << 1000.0f << 0.0001f << 30;
        QTest::newRow("lower edge rounds to 46") << 46.0f << 0.000002f << 0;
        QTest::newRow("lower edge rounds below 46") << 46.0f << 0.00001f << 30;
    }
    void freq()
    {
        QFETCH(float, freq);
        QFETCH(float, audio1);
        QFETCH(int, message);
        QCOMPARE(int(ChannelRules::checkFreq(freq, audio1)), message);
    }

    void textAndTypeChange()
    {
        QCOMPARE(ChannelRules::cellNumber(u" 46 "), 46.0f);
        QCOMPARE(ChannelRules::cellNumber(u"500abc"), 0.0f);
        // The leading number of the bandwidth, 0 without one.
        QCOMPARE(ChannelRules::halfBandwidthShift(u"6 MHz"), 1.75);
        QCOMPARE(ChannelRules::halfBandwidthShift(u"MHz"), -1.25);

        using Change = ChannelRules::TypeChange;
        QCOMPARE(ChannelRules::typeChange(u"tv", u"DIGI"), Change::None);
        for (const char16_t *other : { u"tv", u"Digi", u"TV " })
            QVERIFY(!ChannelRules::isKnownType(other));
        // The leading number of the cell is shifted; the result is not checked.
        QCOMPARE(
            ChannelRules::shiftedFreq(u"47x", Change::DigiToTv, 2.75), QStringLiteral("44.25"));
        // In double precision: a sum that single precision would round.
        QCOMPARE(ChannelRules::shiftedFreq(u"100.1", Change::TvToDigi, 0.05),
            QStringLiteral("100.14999999999999"));
    }
};

QTEST_APPLESS_MAIN(RulesTest)
#include "tst_rules.moc"
