// The protocol's byte codecs on plain buffers: framing, check values,
// records and message payloads.

#include "transfer/serial/Framing.h"
#include "transfer/serial/LinkTiming.h"
#include "transfer/serial/Messages.h"
#include "transfer/serial/Protocol.h"
#include "transfer/serial/Records.h"
#include "transfer/serial/instrument/InstrumentSide.h"

#include <QtTest>

using namespace plandor;
using protocol::MessageType;

Q_DECLARE_METATYPE(plandor::LinkRecord)

namespace {

// Each byte is zero with a chance of zeros in 4: none at all to all zeros.
QByteArray randomBytes(QRandomGenerator &rng, int n, int zeros)
{
    QByteArray b(n, '\0');
    for (int i = 0; i < n; ++i)
        b[i] = char(int(rng.bounded(4)) < zeros ? 0 : 1 + rng.bounded(255));
    return b;
}

constexpr auto kCompact = Messages::RecordLayout::Compact;
constexpr auto kPacked = Messages::RecordLayout::Packed;

LinkRecord channel(int position, const char *type, float freq, float audio, const QString &name)
{
    return { 0, QString::fromUtf8(type), quint8(position), freq, 0, name, audio, 0, {} };
}

} // namespace

class TestSerialCodec : public QObject
{
    Q_OBJECT

private slots:
    void frameRoundTrip_data()
    {
        QTest::addColumn<int>("length");
        for (int n : { 0, 1, 253, 254, 255, 508, protocol::kMaxPayload - 1, protocol::kMaxPayload })
            QTest::addRow("%d", n) << n;
    }

    // Random, all-zero and zero-free payloads come back whole; every single
    // bit flip on the wire is rejected (a flip may split the frame at a new
    // zero: no part may pass).
    void frameRoundTrip()
    {
        QFETCH(int, length);
        QRandomGenerator rng(quint32(length) + 17);
        QByteArray wire;
        for (int round = 0; round < 20; ++round) {
            const Frame frame { quint8(round), quint8(rng.bounded(256)),
                randomBytes(rng, length, round % 5) };
            wire = FrameCodec::encode(frame);
            QVERIFY(wire.size() <= protocol::kMaxWireFrame);
            QCOMPARE(FrameDecoder().feed(wire), QList<Frame> { frame });
        }
        for (qsizetype bit = 0; bit < wire.size() * 8; ++bit) {
            QByteArray damaged = wire;
            damaged[bit / 8] = char(quint8(damaged[bit / 8]) ^ (1u << bit % 8));
            QVERIFY2(FrameDecoder().feed(damaged).isEmpty(), qPrintable(QString::number(bit)));
        }
    }

    // The check value of "123456789", in two pieces; stuffing that cannot be
    // undone is refused. Garbage, a frame broken by noise, stray zeros and an
    // overlong run are skipped; the sound frames come through, whole or byte
    // by byte.
    void decoderResynchronises()
    {
        QCOMPARE(Crc32("56789", Crc32("1234")), 0xCBF43926u);
        QVERIFY(!Cobs::decode(QByteArray("\x05\x01", 2))); // code past the end
        QVERIFY(!Cobs::decode(QByteArray("\x03\x01\0", 3))); // zero inside
        QRandomGenerator rng(99);
        const Frame a { 0x81, 1, QByteArray("hello") };
        const Frame b { 0x90, 2, QByteArray(1, '\x05') };
        const Frame c { 0x83, 9, randomBytes(rng, 600, 1) }; // several stuffing blocks
        QByteArray broken = FrameCodec::encode(b);
        broken.insert(4, "\x33\x44");
        QByteArray stream = QByteArray("\xff\x13garbage\x01\x02", 11) + FrameCodec::encode(a)
            + broken + QByteArray(3, '\0') + FrameCodec::encode(b)
            + QByteArray(protocol::kMaxEncodedBody * 3, '\x11') + FrameCodec::encode(c);
        FrameDecoder whole, single;
        QCOMPARE(whole.feed(stream), (QList<Frame> { a, b, c }));
        QList<Frame> got;
        for (char ch : std::as_const(stream))
            got += single.feed(QByteArrayView(&ch, 1));
        QCOMPARE(got, (QList<Frame> { a, b, c }));
    }

    // Payload decoders give nothing unless the bytes are exactly right.
    void messagePayloads()
    {
        const LinkRecord r = channel(0, "DIGI", std::numeric_limits<float>::quiet_NaN(), 0,
            QString(QChar(0xFEFF)) + QStringLiteral("中文")); // a leading BOM is kept
        const QByteArray payload = Messages::encode(Messages::RecordBatch { 300, { r } });
        const auto back = Messages::decodeRecordBatch(payload);
        QVERIFY(back && back->first == 300 && back->records.size() == 1);
        QCOMPARE(RecordCodec::encodeRecord(back->records[0]), RecordCodec::encodeRecord(r));
        for (qsizetype n = 0; n < payload.size(); ++n)
            QVERIFY(!Messages::decodeRecordBatch(payload.first(n)));
        QVERIFY(!Messages::decodeRecordBatch(payload + 'x'));
        QByteArray lying = payload, cut = payload;
        lying[2] = char(2); // a count the bytes cannot hold
        cut.back() = char(0xC3); // a name cut inside a character
        QVERIFY(!Messages::decodeRecordBatch(lying) && !Messages::decodeRecordBatch(cut));

        const FavoritesRecord f { 1, 2, 3, 4, 5, 250, -300, 2, 0 };
        const QByteArray fb = Messages::encodeFavorites(f);
        QCOMPARE(fb, QByteArray("\x01\x02\x03\x04\x05\xfa\xd4\xfe\x02\x00", 10));
        QCOMPARE(Messages::decodeFavorites(fb), f);
    }

    // A repeated request (its reply was lost) gets the cached answer, not a
    // second append or a second store; a repeated Hello still drops the
    // staging.
    void instrumentRepeatsCachedReply()
    {
        InstrumentSide side;
        int stores = 0;
        side.setStoreHook([&](const InstrumentPlan &) { return ++stores > 0; });
        const QList<LinkRecord> plan { channel(1, "TV", 49.75f, 6.5f, "C1") };
        const quint32 crc = RecordCodec::planCrc(plan);
        const QByteArray batch = Messages::encode(Messages::RecordBatch { 0, plan });
        const QByteArray commit
            = Messages::encode(Messages::Commitment { protocol::StagedKind::Plan, 1, crc });
        const QByteArray begin = Messages::encode(
            Messages::WriteBeginRequest { 0, 1, crc, { 0, 0, 0, 0, 0, 0, 8, 1, 0 }, {} });
        const QByteArray hello = Messages::encode(Messages::HelloRequest { 1, 1 });
        using T = MessageType;
        // Each request with its number, and the reply it gets. The same batch
        // under a new number is a new request, out of order now.
        const std::tuple<T, quint8, QByteArray, T> steps[]
            = { { T::Hello, 9, hello, T::HelloReply }, { T::WriteBegin, 1, begin, T::Ack },
                  { T::WriteRecords, 2, batch, T::Ack }, { T::WriteRecords, 2, batch, T::Ack },
                  { T::WriteCheck, 3, commit, T::Ack }, { T::EndTransfer, 4, commit, T::Ack },
                  { T::EndTransfer, 4, commit, T::Ack }, { T::WriteRecords, 5, batch, T::Nak },
                  { T::Hello, 6, hello, T::HelloReply }, { T::WriteBegin, 7, begin, T::Ack } };
        for (const auto &[type, seq, payload, reply] : steps)
            QCOMPARE(side.handle(Frame { quint8(type), seq, payload }).value_or(Frame {}).type,
                quint8(reply));
        QCOMPARE(stores, 1);
        QCOMPARE(side.plan().records, plan);
        QVERIFY(side.hasStaging());
        QVERIFY(side.handle(Frame { quint8(T::Hello), 6, hello }));
        QVERIFY(!side.hasStaging());
    }

    // The compact (1.1) and packed (1.2) layouts give back every float bit
    // pattern and every name, on the raster or off it, alone or after any
    // neighbour; a plan of kHz frequencies and names in no order, and one on
    // a 100 Hz raster, take a few bytes a channel in the packed one. (That
    // they leave out what the last channel says: documentExamples.)
    void compactRoundTrip_data()
    {
        QTest::addColumn<Messages::RecordLayout>("layout");
        QTest::addColumn<QList<LinkRecord>>("records");
        QTest::addColumn<int>("maxBytes"); // packed, header included; 0: no bound
        QList<LinkRecord> typical, irregular, hrc, hard;
        QRandomGenerator rng(5);
        const char symbols[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
        double freq = 52.0;
        for (int i = 1; i <= 250; ++i) {
            typical.append(channel(i, i > 60 ? "DIGI" : "TV", 49.75f + 3.5f * float(i),
                i > 60 ? 8.0f : 6.5f, QStringLiteral("C%1").arg(i)));
            hrc.append(
                channel(i, "TV", float(54.0027 + 6.0003 * (i - 1)), 4.5f, QString::number(i)));
            freq += std::round(rng.bounded(7600.0)) / 1000.0;
            QString name;
            for (int c = int(rng.bounded(3)); c >= 0; --c)
                name.append(QLatin1Char(symbols[rng.bounded(36)]));
            const bool digi = rng.bounded(3) == 0;
            irregular.append(
                channel(i, digi ? "DIGI" : "TV", float(freq), digi ? 8.0f : 6.5f, name));
            // Three-character names, 100 Hz steps, every recent audio in use.
            const float tvAudio[] = { 4.5f, 5.5f, 6.0f, 6.5f }, digiWidth[] = { 6.0f, 7.0f, 8.0f };
            name = QString(3, QLatin1Char(symbols[rng.bounded(36)]));
            name[1] = QLatin1Char(symbols[rng.bounded(36)]);
            hard.append(channel(i, digi ? "DIGI" : "TV", float(46.0 + 0.0001 * (37 * i * i)),
                digi ? digiWidth[rng.bounded(3)] : tvAudio[rng.bounded(4)], name));
        }
        using F = std::numeric_limits<float>;
        const QList<std::tuple<const char *, QList<LinkRecord>, int>> rows = {
            { "250 channels", typical, 280 },
            { "250 irregular names, kHz frequencies", irregular, 1050 },
            { "250 channels on a 100 Hz raster", hrc, 280 },
            { "250 random names at 100 Hz, several audios a type", hard, 1260 },
            { "off the raster",
                { channel(1, "TV", 49.751f, 6.4999f, "A"), channel(2, "TV", 1e-7f, 0.001f, "B"),
                    channel(3, "DIGI", 1e9f, -8.0f, "C"),
                    channel(4, "DIGI", 1e9f + 64, 8.0f, "D") },
                0 },
            // Far down the raster and back: the step the second jump replaces
            // points past the raster's end, and does not matter.
            { "a jump to the raster's end and back",
                { channel(1, "TV", 293.0f, 6.5f, "1"), channel(2, "TV", -5053736.0f, 6.5f, "2"),
                    channel(3, "TV", 293.5f, 6.5f, "3") },
                0 },
            // NaN, which no content rule lets through, travels unchanged too.
            { "denormals, zeros, infinities, NaN",
                { channel(1, "TV", F::denorm_min(), -F::denorm_min(), "1"),
                    channel(2, "TV", -0.0f, 0.0f, "2"),
                    channel(3, "DIGI", F::infinity(), -0.0f, "3"),
                    channel(4, "DIGI", -F::max(), F::max(), "4"),
                    channel(5, "TV", F::quiet_NaN(), 6.5f, "5") },
                0 },
            { "names and types of every kind",
                { channel(1, "", 100.0f, 6.5f, "X"),
                    channel(9, "tv", 100.0f, 6.5f, QStringLiteral("频")),
                    channel(9, "DIGI", 100.0f, 6.5f, ""), channel(250, "DIGI", 99.99f, 6.5f, "C09"),
                    channel(3, "DIGI", 99.98f, 6.5f, "C10"),
                    channel(4, "TV", 99.97f, 6.5f, "999999999"),
                    channel(5, "TV", 99.96f, 6.5f, "1000000000"),
                    channel(6, "TV", 99.0f, 4.5f, "a-1"), channel(7, "TV", 98.0f, 6.5f, "-./"),
                    channel(8, "TV", 97.0f, 4.5f, "Z Z"), channel(9, "TV", 96.0f, 6.0f, "ZZZZ"),
                    channel(10, "TV", 95.0f, 6.5f, "0"),
                    channel(11, "TV", 94.0f, 4.5f, QString(255, QLatin1Char('q'))) },
                0 },
        };
        for (const auto &[name, records, maxBytes] : rows) {
            QTest::addRow("compact, %s", name) << kCompact << records << 0;
            QTest::addRow("packed, %s", name) << kPacked << records << maxBytes;
        }
    }

    void compactRoundTrip()
    {
        QFETCH(Messages::RecordLayout, layout);
        QFETCH(QList<LinkRecord>, records);
        QFETCH(int, maxBytes);
        const QByteArray payload = Messages::encode(Messages::RecordBatch { 7, records }, layout);
        const auto back = Messages::decodeRecordBatch(payload, layout);
        QVERIFY(back && back->records.size() == records.size());
        for (qsizetype i = 0; i < records.size(); ++i) // bit for bit: NaN-safe
            QCOMPARE(
                RecordCodec::encodeRecord(back->records[i]), RecordCodec::encodeRecord(records[i]));
        QVERIFY2(maxBytes == 0 || payload.size() <= maxBytes,
            qPrintable(QString::number(payload.size())));
        for (qsizetype n = 0; n < payload.size(); ++n)
            QVERIFY(!Messages::decodeRecordBatch(payload.first(n), layout));
    }

    // Packed batches that say nothing sound: each row is the base batch
    // ("A", TV at 0 MHz, on the 10 kHz raster) with one thing wrong.
    void packedRefusals_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::newRow("scale 7") << QByteArray::fromHex("00000107 40C044");
        QTest::newRow("no symbol before a symbol") << QByteArray::fromHex("00000102 40C144");
        QTest::newRow("no first symbol") << QByteArray::fromHex("00000102 400100");
        QTest::newRow("a name code past the texts") << QByteArray::fromHex("00000102 4000FB");
        QTest::newRow("a text shorter than its code") << QByteArray::fromHex("00000102 4002FA78");
        QTest::newRow("TV as a text") << QByteArray::fromHex("00000102 42025456C044");
        QTest::newRow("nothing to count up") << QByteArray::fromHex("00000102 00");
        // 10^9 raster steps, then one more.
        QTest::newRow("past the raster")
            << QByteArray::fromHex("00000202 4480A8D6B907C044 8100C044");
    }

    void packedRefusals()
    {
        QFETCH(QByteArray, payload);
        const auto base
            = Messages::decodeRecordBatch(QByteArray::fromHex("00000102 40C044"), kPacked);
        QVERIFY(base && base->records == QList { channel(1, "TV", 0.0f, 0.0f, "A") });
        QVERIFY(!Messages::decodeRecordBatch(payload, kPacked));
    }

    // A PC of each version writes a plan to a 1.2 instrument and reads it
    // back, in the layout their handshake agrees (a 1.2 one without
    // WriteCheck); 1.0 firmware refuses content as malformed.
    void sessionsOfEachVersion_data()
    {
        QTest::addColumn<int>("pcVersion");
        QTest::addColumn<int>("instrumentVersion");
        for (const auto &[pc, instrument] :
            { std::pair(1, 3), std::pair(2, 3), std::pair(3, 3), std::pair(3, 2), std::pair(3, 1) })
            QTest::addRow("PC 1.%d, instrument 1.%d", pc - 1, instrument - 1) << pc << instrument;
    }

    void sessionsOfEachVersion()
    {
        QFETCH(int, pcVersion);
        QFETCH(int, instrumentVersion);
        InstrumentSide side;
        side.setVersion(quint8(instrumentVersion));
        const int version = qMin(pcVersion, instrumentVersion);
        const auto layout = Messages::layoutForVersion(quint8(version));
        QList<LinkRecord> plan;
        for (int i = 1; i <= 40; ++i)
            plan.append(channel(i, i % 4 ? "TV" : "DIGI", 46.125f + 7.3f * float(i), 6.5f,
                i % 5 ? QStringLiteral("E%1").arg(i) : QStringLiteral("Q-")));
        const quint32 crc = RecordCodec::planCrc(plan);
        const Messages::Commitment commitment { protocol::StagedKind::Plan, 40, crc };
        quint8 seq = 0;
        const auto ask = [&](MessageType type, const QByteArray &payload) {
            return side.handle(Frame { quint8(type), ++seq, payload }).value_or(Frame {});
        };
        const Frame hello = ask(
            MessageType::Hello, Messages::encode(Messages::HelloRequest { 1, quint8(pcVersion) }));
        QCOMPARE(
            Messages::decodeHelloReply(hello.payload).value_or(Messages::HelloReply {}).version,
            quint8(version));
        const auto refusal = [](const Frame &reply) {
            return reply.type == quint8(MessageType::Nak)
                ? int(Messages::decodeNak(reply.payload).value_or(Messages::NakReply {}).reason)
                : 0;
        };
        // A channel at 2 MHz breaks a content rule.
        QList<LinkRecord> wrong = plan.mid(0, 1);
        wrong[0].Freq = 2.0f;
        QCOMPARE(
            refusal(ask(MessageType::WriteBegin,
                Messages::encode(Messages::WriteBeginRequest { 0, 1, RecordCodec::planCrc(wrong),
                    { 0, 0, 0, 0, 0, 0, 8, kUnitDbmV, 0 }, {} }))),
            0);
        QCOMPARE(refusal(ask(MessageType::WriteRecords,
                     Messages::encode(Messages::RecordBatch { 0, wrong }, layout))),
            instrumentVersion == 1 ? int(protocol::NakReason::Malformed)
                                   : int(protocol::NakReason::ContentRefused));

        const FavoritesRecord panel { 1, 2, 3, 4, 5, 6, 8, kUnitDbuV, 0 };
        QCOMPARE(refusal(ask(MessageType::WriteBegin,
                     Messages::encode(Messages::WriteBeginRequest { 0, 40, crc, panel, {} }))),
            0);
        QCOMPARE(refusal(ask(MessageType::WriteRecords,
                     Messages::encode(Messages::RecordBatch { 0, plan }, layout))),
            0);
        if (version < protocol::kPackedVersion)
            QCOMPARE(refusal(ask(MessageType::WriteCheck, Messages::encode(commitment))), 0);
        QCOMPARE(refusal(ask(MessageType::EndTransfer, Messages::encode(commitment))), 0);
        QCOMPARE(side.plan().records, plan);
        const Frame batch = ask(
            MessageType::ReadRecords, Messages::encode(Messages::ReadRecordsRequest { 0, 0 }));
        QCOMPARE(batch.type, quint8(MessageType::ReadRecordsReply));
        QCOMPARE(Messages::decodeRecordBatch(batch.payload, layout)
                     .value_or(Messages::RecordBatch {})
                     .records,
            plan);
    }

    // The examples of docs/protocol.md, byte for byte: each "request" or
    // "reply" block holds a frame as it goes on the wire and a line naming
    // its message; the codec must decode it and encode the same bytes again.
    void documentExamples()
    {
        QFile doc(QStringLiteral(PLANDOR_SOURCE_DIR "/docs/protocol.md"));
        QVERIFY(doc.open(QIODevice::ReadOnly | QIODevice::Text));
        static const QRegularExpression block(
            QStringLiteral("<!-- example (\\w+) (\\w+) -->\\s*```\\n([0-9A-F \\n]+)```"));
        int checked = 0;
        for (auto it = block.globalMatch(QString::fromUtf8(doc.readAll())); it.hasNext();
             ++checked) {
            const auto m = it.next();
            const QByteArray wire = QByteArray::fromHex(m.captured(3).toLatin1()); // blanks skipped
            const QList<Frame> frames = FrameDecoder().feed(wire);
            QVERIFY2(frames.size() == 1, qPrintable(m.captured(0)));
            QCOMPARE(FrameCodec::encode(frames.first()), wire); // nothing else on the wire
            const auto layout = m.captured(2) == "compact" ? kCompact
                : m.captured(2) == "packed"                ? kPacked
                                                           : Messages::RecordLayout::Plain;
            const auto again = [](const auto &message, auto... extra) {
                return message ? Messages::encode(*message, extra...) : QByteArray("undecodable");
            };
            const QString name = m.captured(1);
            const QByteArray &p = frames.first().payload;
            const QByteArray back = name == "Hello" ? again(Messages::decodeHelloRequest(p))
                : name == "HelloReply"              ? again(Messages::decodeHelloReply(p))
                : name == "Identify"                ? p.isEmpty() ? p : QByteArray("a payload")
                               : name == "IdentifyReply" ? again(Messages::decodeIdentity(p))
                : name == "WriteBegin"   ? again(Messages::decodeWriteBeginRequest(p, layout))
                : name == "WriteRecords" ? again(Messages::decodeRecordBatch(p, layout), layout)
                : name == "EndTransfer"  ? again(Messages::decodeCommitment(p))
                : name == "Ack"          ? Messages::encodeAck(Messages::decodeAck(p).value_or(0))
                                         : QByteArray("unknown message");
            QCOMPARE(back, p);
        }
        QCOMPARE(checked, 15);
    }

    void timeoutsFollowTheLineSpeed()
    {
        const LinkTiming t { .baud = 9600, .allowanceMs = 250, .attempts = 3 };
        QCOMPARE(t.wireMs(1), 2); // rounded up
        QCOMPARE(t.exchangeBoundMs(960, 0), 3 * 2250);
    }
};

QTEST_MAIN(TestSerialCodec)
#include "tst_serial_codec.moc"
