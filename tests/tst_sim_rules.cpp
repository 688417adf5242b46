// The content rules of the line at each edge, then every refusal of the
// serial protocol, once, against the simulated instrument on a real
// pseudo-terminal: a 1.0 session is opened, the row's requests go out in
// turn, and each gets the answer the protocol document gives it (an
// acceptance, or a refusal with its reason).

#include "SimProcess.h"

#include "transfer/serial/FrameTransport.h"
#include "transfer/serial/Messages.h"
#include "transfer/serial/Records.h"

#include <QSerialPort>
#include <QtTest>

#include <limits>

using namespace plandor;
using protocol::MessageType;
using protocol::NakReason;

namespace {

// One request and the answer it must get: 0 an acceptance, else the reason
// of the refusal.
struct Step
{
    MessageType type;
    QByteArray payload;
    int refusal = 0;
};
using Steps = QList<Step>;

// Channels 1..count and their whole check value.
QList<LinkRecord> channels(int count)
{
    QList<LinkRecord> plan;
    for (int i = 1; i <= count; ++i)
        plan.append({ 0, "TV", quint8(i), 49.75f, 0, "C" + QString::number(i), 6.5f, 0, {} });
    return plan;
}
quint32 crcOf(int count)
{
    return RecordCodec::planCrc(channels(count));
}

const FavoritesRecord kPanel { 1, 2, 3, 4, 5, 250, 8, kUnitDbmV, 0 };

Step hello(quint8 min, quint8 max, int refusal = 0)
{
    return { MessageType::Hello, Messages::encode(Messages::HelloRequest { min, max }), refusal };
}

Step begin(int count, int refusal = 0, FavoritesRecord panel = kPanel)
{
    return { MessageType::WriteBegin,
        Messages::encode(
            Messages::WriteBeginRequest { 0, quint16(count), crcOf(count), panel, {} }),
        refusal };
}

// A 1.2 WriteBegin of the one-channel plan's header carrying these records.
Step opening(const QList<LinkRecord> &batch, int refusal = 0)
{
    return { MessageType::WriteBegin,
        Messages::encode(Messages::WriteBeginRequest { 0, 1, crcOf(1), kPanel, batch }), refusal };
}

Step records(QList<LinkRecord> batch, int refusal = 0, quint16 first = 0,
    Messages::RecordLayout layout = Messages::RecordLayout::Plain)
{
    return { MessageType::WriteRecords,
        Messages::encode(Messages::RecordBatch { first, std::move(batch) }, layout), refusal };
}

// A WriteCheck or EndTransfer, of the one-channel plan unless told otherwise.
Step commit(MessageType type, int refusal = 0, quint32 crc = crcOf(1), int count = 1,
    protocol::StagedKind kind = protocol::StagedKind::Plan)
{
    return { type, Messages::encode(Messages::Commitment { kind, quint16(count), crc }), refusal };
}

} // namespace

Q_DECLARE_METATYPE(Steps)

class TestSimRules : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    // What a record and a panel may hold, as the instrument applies it to a
    // write and the PC to a read: the refusal names the field.
    void contentRules()
    {
        const auto record = [](quint8 position, const QString &type, float freq, float audio,
                                const QString &name) {
            return ContentRules::refuseRecord({ 0, type, position, freq, 0, name, audio, 0, {} }, 0)
                .value_or(QStringLiteral("channel 1: none"));
        };
        const auto panel = [](qint16 span, quint8 unit, quint8 favorite, quint8 filler) {
            return ContentRules::refusePanel({ 1, 2, favorite, 4, 5, 6, span, unit, filler })
                .value_or(QStringLiteral("none"));
        };
        constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
        QCOMPARE(record(1, "TV", 5.0f, 0.0f, QStringLiteral(" ~\u00A0")), "channel 1: none");
        QCOMPARE(record(1, "DIGI", 1000.0f, 10.0f, QStringLiteral("\u00FE99")), "channel 1: none");
        QCOMPARE(record(2, "TV", 49.75f, 6.5f, "C1"), "channel 1: position");
        QCOMPARE(record(1, "tv", 49.75f, 6.5f, "C1"), "channel 1: type");
        for (const QString &name : { QString(), QStringLiteral("C123"), QStringLiteral("C\x1F"),
                 QStringLiteral("C\x7F"), QStringLiteral("C\u009F"), QStringLiteral("C\u00FF") })
            QCOMPARE(record(1, "TV", 49.75f, 6.5f, name), "channel 1: name");
        for (float freq : { 4.99f, 1000.01f, kNaN })
            QCOMPARE(record(1, "TV", freq, 6.5f, "C1"), "channel 1: frequency");
        for (float audio : { -0.01f, 10.01f, kNaN })
            QCOMPARE(record(1, "TV", 49.75f, audio, "C1"), "channel 1: audio/bandwidth");
        QCOMPARE(panel(0, kUnitDbuV, 250, 0), "none");
        QCOMPARE(panel(10, kUnitDbmV, 0, 0), "none");
        QCOMPARE(panel(8, kUnitDbmV, 251, 0), "favourite above 250");
        QCOMPARE(panel(-1, kUnitDbmV, 3, 0), "span");
        QCOMPARE(panel(11, kUnitDbmV, 3, 0), "span");
        QCOMPARE(panel(8, 3, 3, 0), "unit");
        QCOMPARE(panel(8, kUnitDbmV, 3, 1), "filler");
    }

    void refusals_data()
    {
        QTest::addColumn<Steps>("steps");
        QTest::addColumn<QStringList>("simArguments");
        const auto row = [](const char *name, const Steps &steps, const QStringList &args = {}) {
            QTest::newRow(name) << steps << args;
        };
        constexpr int kContent = int(NakReason::ContentRefused);
        using K = protocol::StagedKind;
        constexpr MessageType kCheck = MessageType::WriteCheck, kEnd = MessageType::EndTransfer;
        const auto staged = [] { return Steps { begin(1), records(channels(1)) }; }; // sent

        // The content rules at each door of a write.
        row("11 count 0", { begin(0, kContent) });
        row("11 panel in WriteBegin",
            { begin(1, kContent, { 1, 2, 3, 4, 5, 251, 8, kUnitDbmV, 0 }) });
        row("11 panel in WriteFavorites",
            { { MessageType::WriteFavorites,
                Messages::encodeFavorites({ 1, 2, 3, 4, 5, 6, 8, 3, 0 }), kContent } });
        row("11 record in WriteRecords, and the staging discarded",
            { begin(1), records(channels(2).mid(1), kContent), records(channels(1), 6) });
        row("2 content refused by 1.0 firmware",
            { begin(0, 2), begin(1), records(channels(2).mid(1), 2) },
            { "--protocol-version", "1" });

        row("1 no version in common", { hello(4, 5, 1) });

        row("2 bytes left over", { { MessageType::ReadBegin, QByteArray(5, '\0'), 2 } });
        row("2 WriteRecords of no record", { begin(1), records({}, 2) });
        row("2 kind 2 in WriteCheck", staged() << commit(kCheck, 2, crcOf(1), 1, K::Favorites));
        row("2 kind 3 in EndTransfer", { commit(kEnd, 2, crcOf(1), 1, K(3)) });

        row("3 writes refused", { begin(1, 3) }, { "--refuse-writes" });

        row("4 first not the number staged", { begin(2), records(channels(2).mid(1), 4, 1) });
        row("4 more records than the count", { begin(1), records(channels(2), 4) });
        row("4 ReadRecords of an empty plan",
            { { MessageType::ReadRecords, Messages::encode(Messages::ReadRecordsRequest { 0, 0 }),
                4 } });

        row("5 WriteCheck with another CRC", staged() << commit(kCheck, 5, crcOf(1) ^ 1));
        row("5 EndTransfer with another CRC",
            staged() << commit(kCheck) << commit(kEnd, 5, crcOf(1) ^ 1));
        // 1.2 checks the batch that completes the write; the end follows it.
        QList<LinkRecord> other = channels(1);
        other[0].Name = "C9";
        row("5 the last batch of a 1.2 write with another CRC",
            { hello(1, 3), begin(1), records(other, 5, 0, Messages::RecordLayout::Packed) });
        row("11 record in a 1.2 WriteBegin, and the staging discarded",
            { hello(1, 3), opening(channels(2).mid(1), kContent),
                records(channels(1), 6, 0, Messages::RecordLayout::Packed) });
        row("5 a 1.2 WriteBegin whose records give another CRC",
            { hello(1, 3), opening(other, 5) });
        row("2 records after the WriteBegin of a 1.1 session",
            { hello(1, 2), opening(channels(1), 2) });
        row("0 a 1.2 WriteBegin with the whole plan, then the end",
            { hello(1, 3), opening(channels(1)), commit(kEnd) });
        row("0 a 1.2 write ended without WriteCheck",
            { hello(1, 3), begin(1), records(channels(1), 0, 0, Messages::RecordLayout::Packed),
                commit(kEnd) });

        row("6 records without a write begun", { records(channels(1), 6) });
        row("6 EndTransfer of a write not checked", staged() << commit(kEnd, 6));
        row("6 EndTransfer of the other kind",
            staged() << commit(kCheck)
                     << commit(kEnd, 6, RecordCodec::favoritesCrc(kPanel), 0, K::Favorites));
        row("6 panel end in a 1.1 session",
            { hello(1, 2), { MessageType::WriteFavorites, Messages::encodeFavorites(kPanel) },
                commit(kEnd, 6, RecordCodec::favoritesCrc(kPanel), 0, K::Favorites) });

        row("7 more than maxChannels", { begin(3, 7) }, { "--max-channels", "2" });
        row("8 unknown request type", { { MessageType(0x0A), {}, 8 } });
        row("9 storage failed", staged() << commit(kCheck) << commit(kEnd, 9), { "unstorable" });
        row("10 selector 1", { { MessageType::ReadBegin, Messages::encodeSelector(1), 10 } });
    }

    void refusals()
    {
        QFETCH(Steps, steps);
        QFETCH(QStringList, simArguments);
        // A state file under a plain file cannot be written.
        QString state = m_dir.filePath(QTest::currentDataTag());
        if (simArguments.removeAll("unstorable")) {
            QVERIFY(QFile(state).open(QIODevice::WriteOnly));
            state += QStringLiteral("/state");
        }
        test::SimProcess sim(state, m_dir.filePath("ports"));
        QVERIFY(sim.start(QStringList { "--blank" } + simArguments));
        QSerialPort port(sim.port());
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
        FrameTransport line(&port, LinkTiming {});

        steps.prepend(hello(1, 1));
        for (qsizetype i = 0; i < steps.size(); ++i) {
            const Step &step = steps[i];
            QString error;
            const auto reply
                = line.exchange(quint8(step.type), step.payload, protocol::kMaxWireFrame, &error);
            QVERIFY2(reply, qPrintable(error));
            const auto nak = reply->type == quint8(MessageType::Nak)
                ? Messages::decodeNak(reply->payload)
                : std::nullopt;
            QVERIFY2((nak ? int(nak->reason) : 0) == step.refusal,
                qPrintable(QString::number(i) + ": " + (nak ? nak->text : "accepted")));
            QVERIFY(!nak
                || (nak->requestType == quint8(step.type)
                    && nak->text.toUtf8().size() <= protocol::kMaxRefusalBytes));
        }
    }
};

QTEST_MAIN(TestSimRules)
#include "tst_sim_rules.moc"
