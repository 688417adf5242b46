// The channel and panel rules, every boundary in one place: what each door
// (grid, plan file, paste, send, command line) accepts is what these accept.
#include "base/Language.h"
#include "base/NumberText.h"
#include "base/ShownValue.h"
#include "rules/ChannelRules.h"
#include "rules/FavoritesPanelCheck.h"
#include "rules/PlanSizeLimit.h"
#include "transfer/PlanRecords.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace plandor;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// "26", "59", "file" (the phrase), or "" when the channel passes; then the column.
QString verdict(const std::optional<ChannelRefusal> &refusal)
{
    if (!refusal)
        return QString();
    const QString message
        = refusal->phrase ? QStringLiteral("file") : QString::number(refusal->messageId);
    return message + QLatin1Char('@') + QString::number(refusal->column);
}

ChannelFields fields(const QString &name, const QString &type, std::optional<double> freq,
    std::optional<double> audio1)
{
    return ChannelFields { name, type, freq, audio1 };
}

} // namespace

class RulesTest : public QObject
{
    Q_OBJECT

private slots:
    void channel_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("type");
        QTest::addColumn<double>("freq");
        QTest::addColumn<double>("audio1");
        QTest::addColumn<QString>("expected");
        auto add = [](const char *row, const QString &name, const char *type, double freq,
                       double audio1, const char *expected) {
            QTest::newRow(row) << name << QString::fromLatin1(type) << freq << audio1
                               << QString::fromLatin1(expected);
        };
        // Name: length, codes, what the file cannot carry.
        add("name empty", "", "TV", 55.25, 4.5, "26@1");
        add("name of 1", "A", "TV", 55.25, 4.5, "");
        add("name of 3 blanks", "   ", "TV", 55.25, 4.5, "");
        add("name of 4", "ABCD", "TV", 55.25, 4.5, "26@1");
        add("length before characters", QStringLiteral("ABC\u4e2d"), "TV", 55.25, 4.5, "26@1");
        add("code 254", QStringLiteral("\u00fe"), "TV", 55.25, 4.5, "");
        add("code 255", QStringLiteral("\u00ff"), "TV", 55.25, 4.5, "59@1");
        add("Chinese", QStringLiteral("\u4e2d"), "TV", 55.25, 4.5, "59@1");
        add("beyond the basic plane", QString::fromUcs4(U"A\U0001F600"), "TV", 55.25, 4.5, "59@1");
        add("code 0", QString(QChar(0)), "TV", 55.25, 4.5, "59@1");
        add("TAB", "A\tB", "TV", 55.25, 4.5, "file@1");
        add("DEL", QStringLiteral("A\u007f"), "TV", 55.25, 4.5, "file@1");
        // U+009F is no character of Windows-1252 (its 0x9F is "Ÿ").
        add("C1 control 159", QStringLiteral("A\u009f"), "TV", 55.25, 4.5, "59@1");
        add("code 160", QStringLiteral("A\u00a0"), "TV", 55.25, 4.5, "");
        add("asterisk", "S*", "TV", 55.25, 4.5, "file@1");
        add("xID", "xID", "TV", 55.25, 4.5, "file@1");
        add("lowercase id", "id", "TV", 55.25, 4.5, "");
        add("I and D apart", "IxD", "TV", 55.25, 4.5, "");
        add("quote", "\"", "TV", 55.25, 4.5, "");
        // Type, exactly.
        add("DIGI", "S1", "DIGI", 474, 8, "");
        add("DUAL", "S1", "DUAL", 474, 8, "39@2");
        add("lowercase tv", "S1", "tv", 474, 8, "39@2");
        // Frequency: range, then the channel's edges.
        // 46 and 1000 pass the range; a channel there still has edges beyond.
        add("46", "A", "TV", 46, 0.01, "30@3");
        add("1000", "A", "TV", 1000, 0.01, "30@3");
        add("lowest channel", "A", "TV", 46.005, 0.01, "");
        add("highest channel", "A", "TV", 999.995, 0.01, "");
        add("45.99", "A", "TV", 45.99, 4.5, "27@3");
        add("1000.01", "A", "TV", 1000.01, 4.5, "27@3");
        add("1e39 MHz", "A", "TV", 1e39, 4.5, "27@3");
        add("infinite", "A", "TV", kInf, 4.5, "27@3");
        add("not a number", "A", "TV", kNaN, 4.5, "27@3");
        add("upper edge", "A", "TV", 998, 4.5, "30@3");
        add("lower edge passes", "A", "TV", 47, 2, "");
        add("bad frequency before bad audio", "A", "TV", 0, kNaN, "27@3");
        // Audio offset (TV) and bandwidth (DIGI).
        add("audio 0.01", "A", "TV", 100, 0.01, "");
        add("audio 9.99", "A", "TV", 100, 9.99, "");
        add("audio 0", "A", "TV", 100, 0, "28@4");
        add("audio 10", "A", "TV", 100, 10, "28@4");
        add("audio not a number", "A", "TV", 100, kNaN, "28@4");
        add("bandwidth 4", "A", "DIGI", 100, 4, "");
        add("bandwidth 9.9", "A", "DIGI", 100, 9.9, "");
        add("bandwidth 3.99", "A", "DIGI", 100, 3.99, "29@4");
        add("bandwidth 9.91", "A", "DIGI", 100, 9.91, "29@4");
        add("bandwidth infinite", "A", "DIGI", 100, kInf, "29@4");
    }
    void channel()
    {
        QFETCH(QString, name);
        QFETCH(QString, type);
        QFETCH(double, freq);
        QFETCH(double, audio1);
        QFETCH(QString, expected);
        QCOMPARE(verdict(ChannelRules::checkChannel(fields(name, type, freq, audio1))), expected);
    }

    // The code of a name's character is its byte in the run's code page:
    // Windows-1252 in an English run, GB18030 (ASCII alone single-byte) in a
    // Chinese one.
    void nameInRunCodePage_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("message");
        QTest::newRow("euro, English") << QStringLiteral("\u20ac1") << int(kEnglishOffset) << 0;
        QTest::newRow("euro, Chinese") << QStringLiteral("\u20ac1") << int(kChineseOffset) << 59;
        QTest::newRow("e acute, English") << QStringLiteral("\u00e9") << int(kEnglishOffset) << 0;
        QTest::newRow("e acute, Chinese") << QStringLiteral("\u00e9") << int(kChineseOffset) << 59;
        QTest::newRow("A macron, English") << QStringLiteral("\u0100") << int(kEnglishOffset) << 59;
        QTest::newRow("Chinese, Chinese") << QStringLiteral("\u4e2d") << int(kChineseOffset) << 59;
        QTest::newRow("ASCII, Chinese") << QStringLiteral("Z~1") << int(kChineseOffset) << 0;
    }
    void nameInRunCodePage()
    {
        QFETCH(QString, name);
        QFETCH(int, language);
        QFETCH(int, message);
        QCOMPARE(int(ChannelRules::checkName(name, qint16(language))), message);
    }

    void missingNumbersAndPlans()
    {
        QCOMPARE(verdict(ChannelRules::checkChannel(fields("A", "TV", std::nullopt, 4.5))),
            QStringLiteral("27@3"));
        QCOMPARE(verdict(ChannelRules::checkChannel(fields("A", "TV", 100, std::nullopt))),
            QStringLiteral("28@4"));
        const QList<RowRefusal> refusals = ChannelRules::checkPlan({ fields("A", "TV", 100, 4.5),
            fields("ID", "TV", 100, 4.5), fields("B", "TV", 100, 4.5), fields("C", "X", 0, 0) });
        QCOMPARE(refusals.size(), 2);
        QCOMPARE(refusals[0].row, 1);
        QCOMPARE(refusals[1].row, 3);
        QCOMPARE(refusals[1].refusal.messageId, ChannelRules::kTypeMessage);
        // The message in either language, catalogue or phrase.
        QCOMPARE(refusals[1].refusal.text(kEnglishOffset), QStringLiteral("The 'Type' is error !"));
        QVERIFY(refusals[0].refusal.text(kEnglishOffset).contains(QLatin1String("\"ID\"")));
        QVERIFY(refusals[0].refusal.text(kChineseOffset).contains(QStringLiteral("标准频道号")));
    }

    // The single-precision edges of the grid's frequency check.
    void freqEdges_data()
    {
        QTest::addColumn<float>("freq");
        QTest::addColumn<float>("audio1");
        QTest::addColumn<int>("message");
        QTest::newRow("upper edge rounds to 1000") << 1000.0f << 0.00004f << 0;
        QTest::newRow("upper edge rounds above 1000") << 1000.0f << 0.0001f << 30;
        QTest::newRow("lower edge rounds to 46") << 46.0f << 0.000002f << 0;
        QTest::newRow("lower edge rounds below 46") << 46.0f << 0.00001f << 30;
    }
    void freqEdges()
    {
        QFETCH(float, freq);
        QFETCH(float, audio1);
        QFETCH(int, message);
        QCOMPARE(int(ChannelRules::checkFreq(freq, audio1)), message);
    }

    void panel_data()
    {
        QTest::addColumn<QStringList>("favorites");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("span");
        QTest::addColumn<int>("box"); // -1: sendable
        auto add = [](const char *row, const QStringList &favorites, const char *unit,
                       const char *span, int box) {
            QTest::newRow(row) << favorites << QString::fromLatin1(unit)
                               << QString::fromLatin1(span) << box;
        };
        const QStringList ok = { "0", "250", "", "4", "5", "6" };
        add("0, 250 and empty", ok, "dBmV", "8", -1);
        add("251", { "1", "2", "251", "", "", "" }, "dBmV", "8", 2);
        add("999 in the 5th", { "1", "2", "3", "4", "999", "" }, "dBuV", "8", 5);
        add("minus", { "-1", "", "", "", "", "" }, "dBuV", "8", 0);
        add("blank", { " ", "", "", "", "", "" }, "dBuV", "8", 0);
        // Sent as it is: whole MHz from 4 to 10, what the window's 4.0..9.9
        // reaches the instrument as.
        add("span 4", ok, "dBuV", "4", -1);
        add("span 10, as 9.9 is sent", ok, "dBuV", "10", -1);
        add("span 8.0", ok, "dBuV", "8.0", -1);
        add("span 9.9, sent as 10", ok, "dBuV", "9.9", 4);
        add("span 8.5, sent as 8", ok, "dBuV", "8.5", 4);
        add("span 11", ok, "dBuV", "11", 4);
        add("span 8e0", ok, "dBuV", "8e0", 4);
        add("span not set", ok, "", "", -1);
        add("span 0 (not set)", ok, "dBuV", "0", -1);
        add("span 3.9", ok, "dBuV", "3.9", 4);
        add("span 9.95", ok, "dBuV", "9.95", 4);
        add("span 1e39", ok, "dBuV", "1e39", 4);
        add("span nan", ok, "dBuV", "nan", 4);
        add("unit dbmv", ok, "dbmv", "8", FavoritesPanelCheck::kUnitField);
    }
    void panel()
    {
        QFETCH(QStringList, favorites);
        QFETCH(QString, unit);
        QFETCH(QString, span);
        QFETCH(int, box);
        std::array<QString, 6> texts;
        std::copy(favorites.begin(), favorites.end(), texts.begin());
        const auto refusal = FavoritesPanelCheck::checkSendable(texts, unit, span);
        QCOMPARE(refusal ? refusal->box : -1, box);
    }

    // The panel's 16-bit span field gets a number only from a finite value in
    // range; anything else is no number at all, never what a cast makes of it.
    void panelInt16_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("expected"); // -99999: no 16-bit number
        QTest::newRow("NaN") << kNaN << -99999;
        QTest::newRow("+inf") << kInf << -99999;
        QTest::newRow("-inf") << -kInf << -99999;
        QTest::newRow("8.5 to even") << 8.5 << 8;
        QTest::newRow("9.5 to even") << 9.5 << 10;
        QTest::newRow("32767") << 32767.0 << 32767;
        QTest::newRow("32767.5") << 32767.5 << -99999;
        QTest::newRow("-32768.5") << -32768.5 << -32768;
        QTest::newRow("-32769") << -32769.0 << -99999;
    }
    void panelInt16()
    {
        QFETCH(double, value);
        QFETCH(int, expected);
        const auto number = NumberText::toInt16(value);
        QCOMPARE(number ? int(*number) : -99999, expected);
    }

    // The number a box's text starts with (blanks between digits are
    // skipped); nothing past the end of the text is read.
    void leadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("length");
        QTest::addColumn<double>("expected");
        QTest::newRow("blanks between digits") << " 1 2.5 MHz" << 10 << 12.5;
        QTest::newRow("exponent") << "-3.5e2x" << 7 << -350.0;
        QTest::newRow("stops at the end of its part") << "12 5" << 3 << 12.0;
        QTest::newRow("out of range") << "1e999" << 5 << kInf;
    }
    void leadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(int, length);
        QFETCH(double, expected);
        QCOMPARE(NumberText::leadingNumber(QStringView(text).left(length)), expected);
    }

    // What a panel's boxes become on the way to the instrument: the span in
    // whole MHz, halves to even, and the user told when that is not the box's
    // number; a value out of any range goes to the nearest end, not a wrapped
    // or made-up number.
    void panelReachingTheLink_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("span");
        QTest::addColumn<int>("favorite");
        QTest::addColumn<bool>("told");
        QTest::newRow("8") << "8" << 8 << 8 << false;
        QTest::newRow("8.5") << "8.5" << 8 << 8 << true;
        QTest::newRow("9.9") << "9.9" << 10 << 10 << true;
        QTest::newRow("empty") << "" << 0 << 0 << false;
        QTest::newRow("1e999") << "1e999" << 32767 << 255 << true;
        QTest::newRow("-1e999") << "-1e999" << -32768 << 0 << true;
        QTest::newRow("nan") << "nan" << 0 << 0 << false;
        QTest::newRow("300") << "300" << 300 << 255 << false;
    }
    void panelReachingTheLink()
    {
        QFETCH(QString, text);
        QFETCH(int, span);
        QFETCH(int, favorite);
        QFETCH(bool, told);
        PanelTexts panel;
        panel.favorites[5] = text;
        panel.span = text;
        const FavoritesRecord record = PlanRecords::toFavorites(panel);
        QCOMPARE(int(record.Span), span);
        QCOMPARE(int(record.Favorite6), favorite);
        const auto note = FavoritesPanelCheck::roundedSpanNote(text);
        QCOMPARE(bool(note), told);
        if (note)
            QVERIFY2(
                note->contains(text + " MHz") && note->contains(QString::number(span) + " MHz"),
                qPrintable(*note));
    }

    // A quoted value keeps 40 characters and says how long it was; a
    // character beyond the basic plane is not split.
    void shownValueIsCut()
    {
        const QString forty(40, QLatin1Char('x'));
        QCOMPARE(ShownValue::cut(forty), forty);
        QCOMPARE(ShownValue::cut(forty + "y"), forty + "\u2026 (41 characters)");
        const QString emoji = QString(39, QLatin1Char('x')) + QString::fromUcs4(U"\U0001F600z");
        QCOMPARE(ShownValue::cut(emoji), QString(39, QLatin1Char('x')) + "\u2026 (42 characters)");
    }

    void planSize()
    {
        QVERIFY(PlanSizeLimit::fits(255));
        QVERIFY(!PlanSizeLimit::fits(256));
        LanguageOffset = kChineseOffset;
        const QString text = PlanSizeLimit::tooLargeText(300);
        LanguageOffset = kEnglishOffset;
        QVERIFY2(text.contains(QLatin1String("300")) && text.contains(QLatin1String("255"))
                && text.contains(QStringLiteral("频道")),
            qPrintable(text));
    }

    void textAndTypeChange()
    {
        QCOMPARE(ChannelRules::cellNumber(u" 46 "), 46.0f);
        QCOMPARE(ChannelRules::cellNumber(u"500abc"), 0.0f);
        // The leading number of the bandwidth, 0 without one.
        QCOMPARE(ChannelRules::halfBandwidthShift(u"6 MHz"), 1.75);
        QCOMPARE(ChannelRules::halfBandwidthShift(u"MHz"), -1.25);
        using Change = ChannelRules::TypeChange;
        QCOMPARE(ChannelRules::typeChange(ChannelType::Other, ChannelType::Digi), Change::None);
        QCOMPARE(ChannelRules::typeChange(std::nullopt, ChannelType::Tv), Change::None);
        QCOMPARE(ChannelRules::shiftedFreq(47.0, Change::DigiToTv, 2.75), 44.25);
        // In double precision: a sum that single precision would round.
        QCOMPARE(ChannelRules::shiftedFreq(100.1, Change::TvToDigi, 0.05), 100.1 + 0.05);
        // A received single-precision value is stored as its shortest text names.
        QCOMPARE(ChannelRules::fromSingle(100.1f), std::optional<double>(100.1));
        QCOMPARE(ChannelRules::fromSingle(std::numeric_limits<float>::infinity()), std::nullopt);
    }
};

QTEST_APPLESS_MAIN(RulesTest)
#include "tst_rules.moc"
