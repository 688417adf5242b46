// Every refusal of the serial protocol, once, against the simulated
// instrument on a real pseudo-terminal: a 1.0 session is opened, the row's
// requests go out in turn, and each gets the answer the protocol document
// gives it (an acceptance, or a refusal with its reason).

#include "SimProcess.h"

#include "transfer/serial/FrameTransport.h"
#include "transfer/serial/Messages.h"
#include "transfer/serial/RecordCodec.h"

#include <QSerialPort>
#include <QTemporaryDir>
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

LinkRecord channel(quint8 position = 1)
{
    LinkRecord r;
    r.Position = position;
    r.Type = QStringLiteral("TV");
    r.Freq = 49.75f;
    r.Audio1 = 6.5f;
    r.Name = QStringLiteral("C%1").arg(position);
    return r;
}

const FavoritesRecord kPanel { 1, 2, 3, 4, 5, 250, 8, kUnitDbmV, 0 };

Step hello(quint8 min, quint8 max, int refusal = 0)
{
    return { MessageType::Hello, Messages::encode(Messages::HelloRequest { min, max }), refusal };
}

Step begin(int count, int refusal = 0, FavoritesRecord panel = kPanel, qint32 selector = 0)
{
    QList<LinkRecord> plan;
    for (int i = 1; i <= count; ++i)
        plan.append(channel(quint8(i)));
    const Messages::WriteBeginRequest m { selector, quint16(count), RecordCodec::planCrc(plan),
        panel };
    return { MessageType::WriteBegin, Messages::encode(m), refusal };
}

Step records(QList<LinkRecord> batch, int refusal = 0, quint16 first = 0)
{
    return { MessageType::WriteRecords,
        Messages::encode(Messages::RecordBatch { first, std::move(batch) }), refusal };
}

Step commitment(
    MessageType type, protocol::StagedKind kind, int count, quint32 crc, int refusal = 0)
{
    return { type, Messages::encode(Messages::Commitment { kind, quint16(count), crc }), refusal };
}

// The whole check value of channels 1..count.
quint32 crcOf(int count)
{
    QList<LinkRecord> plan;
    for (int i = 1; i <= count; ++i)
        plan.append(channel(quint8(i)));
    return RecordCodec::planCrc(plan);
}

// A one-channel write with the channel changed, refused for its content.
Steps badChannel(void (*change)(LinkRecord &))
{
    LinkRecord r = channel();
    change(r);
    return { begin(1), records({ r }, int(NakReason::ContentRefused)) };
}

FavoritesRecord panelWith(void (*change)(FavoritesRecord &))
{
    FavoritesRecord f = kPanel;
    change(f);
    return f;
}

} // namespace

Q_DECLARE_METATYPE(Steps)

class TestSimRules : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void refusals_data()
    {
        QTest::addColumn<Steps>("steps");
        QTest::addColumn<QStringList>("simArguments");

        constexpr int kContent = int(NakReason::ContentRefused);
        using K = protocol::StagedKind;
        const QStringList plain;

        // Content rules: records as their WriteRecords arrives.
        QTest::newRow("11 position not index + 1")
            << badChannel([](LinkRecord &r) { r.Position = 2; }) << plain;
        QTest::newRow("11 type other than TV or DIGI")
            << badChannel([](LinkRecord &r) { r.Type = QStringLiteral("tv"); }) << plain;
        QTest::newRow("11 name empty")
            << badChannel([](LinkRecord &r) { r.Name.clear(); }) << plain;
        QTest::newRow("11 name of 4 characters")
            << badChannel([](LinkRecord &r) { r.Name = QStringLiteral("C123"); }) << plain;
        QTest::newRow("11 name with a control character")
            << badChannel([](LinkRecord &r) { r.Name = QStringLiteral("C\x7F"); }) << plain;
        QTest::newRow("11 name beyond U+00FE")
            << badChannel([](LinkRecord &r) { r.Name = QStringLiteral("C\u00FF"); }) << plain;
        QTest::newRow("11 frequency below 5 MHz")
            << badChannel([](LinkRecord &r) { r.Freq = 4.99f; }) << plain;
        QTest::newRow("11 frequency above 1000 MHz")
            << badChannel([](LinkRecord &r) { r.Freq = 1000.01f; }) << plain;
        QTest::newRow("11 audio negative")
            << badChannel([](LinkRecord &r) { r.Audio1 = -0.01f; }) << plain;
        QTest::newRow("11 audio above 10 MHz")
            << badChannel([](LinkRecord &r) { r.Audio1 = 10.01f; }) << plain;
        QTest::newRow("11 audio infinite")
            << badChannel([](LinkRecord &r) { r.Audio1 = std::numeric_limits<float>::infinity(); })
            << plain;
        // The values at the edges pass.
        LinkRecord edges = channel();
        std::tie(edges.Freq, edges.Audio1, edges.Name)
            = std::tuple(5.0f, 0.0f, QStringLiteral("\u00A0~\u00FE"));
        QTest::newRow("edges accepted") << Steps { begin(1), records({ edges }) } << plain;

        // Content rules of the panel and the count.
        QTest::newRow("11 count 0") << Steps { begin(0, kContent) } << plain;
        QTest::newRow("11 favourite 251") << Steps {
            begin(1, kContent, panelWith([](FavoritesRecord &f) { f.Favorite3 = 251; }))
        } << plain;
        QTest::newRow("11 span negative")
            << Steps { begin(1, kContent, panelWith([](FavoritesRecord &f) { f.Span = -1; })) }
            << plain;
        QTest::newRow("11 span above 10")
            << Steps { begin(1, kContent, panelWith([](FavoritesRecord &f) { f.Span = 11; })) }
            << plain;
        QTest::newRow("11 unit 3 in a panel write") << Steps { { MessageType::WriteFavorites,
            Messages::encodeFavorites(panelWith([](FavoritesRecord &f) { f.Unit = 3; })),
            kContent } } << plain;
        QTest::newRow("11 filler not 0")
            << Steps { begin(1, kContent, panelWith([](FavoritesRecord &f) { f.Filler = 1; })) }
            << plain;

        QTest::newRow("1 no version in common") << Steps { hello(3, 4, 1) } << plain;

        QByteArray badUtf8 = Messages::encode(Messages::RecordBatch { 0, { channel() } });
        badUtf8[badUtf8.size() - 1] = char(0xC3); // "C" then a lead byte alone
        QTest::newRow("2 bytes left over")
            << Steps { { MessageType::ReadBegin, QByteArray(5, '\0'), 2 } } << plain;
        QTest::newRow("2 WriteRecords of no record") << Steps { begin(1), records({}, 2) } << plain;
        QTest::newRow("2 text not UTF-8")
            << Steps { begin(1), { MessageType::WriteRecords, badUtf8, 2 } } << plain;
        QTest::newRow("2 kind 2 in WriteCheck") << Steps { begin(1), records({ channel() }),
            commitment(MessageType::WriteCheck, K::Favorites, 1, crcOf(1), 2) }
                                                << plain;
        QTest::newRow("2 kind 3 in EndTransfer")
            << Steps { commitment(MessageType::EndTransfer, K(3), 1, crcOf(1), 2) } << plain;

        QTest::newRow("3 writes refused")
            << Steps { begin(1, 3) } << QStringList { "--refuse-writes" };

        QTest::newRow("4 first not the number staged")
            << Steps { begin(2), records({ channel(2) }, 4, 1) } << plain;
        QTest::newRow("4 more records than the count")
            << Steps { begin(1), records({ channel(1), channel(2) }, 4) } << plain;
        QTest::newRow("4 ReadRecords of an empty plan") << Steps {
            { MessageType::ReadRecords, Messages::encode(Messages::ReadRecordsRequest { 0, 0 }), 4 }
        } << plain;

        QTest::newRow("5 WriteCheck with another count") << Steps { begin(1),
            records({ channel() }), commitment(MessageType::WriteCheck, K::Plan, 2, crcOf(1), 5) }
                                                         << plain;
        QTest::newRow("5 WriteCheck with another CRC") << Steps { begin(1), records({ channel() }),
            commitment(MessageType::WriteCheck, K::Plan, 1, crcOf(1) ^ 1, 5) }
                                                       << plain;
        QTest::newRow("5 EndTransfer with another CRC") << Steps { begin(1), records({ channel() }),
            commitment(MessageType::WriteCheck, K::Plan, 1, crcOf(1)),
            commitment(MessageType::EndTransfer, K::Plan, 1, crcOf(1) ^ 1, 5) }
                                                        << plain;

        QTest::newRow("6 records without a write begun")
            << Steps { records({ channel() }, 6) } << plain;
        QTest::newRow("6 staging discarded by a refusal")
            << Steps { begin(1), records({ channel(2) }, kContent), records({ channel() }, 6) }
            << plain;
        QTest::newRow("6 staging discarded by a repeated Hello")
            << Steps { begin(1), records({ channel() }), hello(1, 1),
                   commitment(MessageType::WriteCheck, K::Plan, 1, crcOf(1), 6) }
            << plain;
        QTest::newRow("6 EndTransfer of a write not checked") << Steps { begin(1),
            records({ channel() }), commitment(MessageType::EndTransfer, K::Plan, 1, crcOf(1), 6) }
                                                              << plain;
        QTest::newRow("6 panel end in a 1.1 session") << Steps { hello(1, 2),
            { MessageType::WriteFavorites, Messages::encodeFavorites(kPanel) },
            commitment(MessageType::EndTransfer, K::Favorites, 0, RecordCodec::favoritesCrc(kPanel),
                6) } << plain;

        QTest::newRow("7 more than maxChannels")
            << Steps { begin(3, 7) } << QStringList { "--max-channels", "2" };
        QTest::newRow("8 unknown request type") << Steps { { MessageType(0x09), {}, 8 } } << plain;
        QTest::newRow("9 storage failed") << Steps { begin(1), records({ channel() }),
            commitment(MessageType::WriteCheck, K::Plan, 1, crcOf(1)),
            commitment(MessageType::EndTransfer, K::Plan, 1, crcOf(1), 9) }
                                          << QStringList { "unstorable" };
        QTest::newRow("10 selector 1")
            << Steps { { MessageType::ReadBegin, Messages::encodeSelector(1), 10 } } << plain;
    }

    void refusals()
    {
        QFETCH(Steps, steps);
        QFETCH(QStringList, simArguments);
        if (!QFileInfo(test::SimProcess::program()).isExecutable())
            QSKIP("the simulated instrument is not built");
        // A state file under a plain file cannot be written.
        QString state = m_dir.filePath(QTest::currentDataTag());
        if (simArguments.removeAll("unstorable")) {
            QFile blocker(state);
            QVERIFY(blocker.open(QIODevice::WriteOnly));
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
            const QByteArray where = QByteArray::number(i) + ": "
                + (nak ? nak->text.toUtf8() : QByteArray("accepted"));
            QVERIFY2(step.refusal || !nak, where);
            if (step.refusal) {
                QVERIFY2(nak, where);
                QCOMPARE(int(nak->reason), step.refusal);
                QCOMPARE(nak->requestType, quint8(step.type));
                QVERIFY(nak->text.toUtf8().size() <= protocol::kMaxRefusalBytes);
            }
        }
    }
};

QTEST_MAIN(TestSimRules)
#include "tst_sim_rules.moc"
