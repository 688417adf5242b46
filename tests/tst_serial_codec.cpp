// The protocol's byte codecs on plain buffers: framing, check values,
// records and message payloads.

#include "transfer/serial/Cobs.h"
#include "transfer/serial/Crc32.h"
#include "transfer/serial/Frame.h"
#include "transfer/serial/FrameDecoder.h"
#include "transfer/serial/LinkTiming.h"
#include "transfer/serial/Messages.h"
#include "transfer/serial/Protocol.h"
#include "transfer/serial/RecordCodec.h"
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
            Messages::WriteBeginRequest { 0, 1, crc, { 0, 0, 0, 0, 0, 0, 8, 1, 0 } });
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

    // The compact layout gives back every float bit pattern and every name,
    // on the raster or off it, alone or after any neighbour. (That it leaves
    // out what the last channel says: documentExamples.)
    void compactRoundTrip_data()
    {
        QTest::addColumn<QList<LinkRecord>>("records");
        QList<LinkRecord> typical;
        for (int i = 1; i <= 250; ++i)
            typical.append(channel(i, i > 60 ? "DIGI" : "TV", 49.75f + 8.0f * float(i),
                i > 60 ? 8.0f : 6.5f, QStringLiteral("C%1").arg(i)));
        QTest::newRow("250 channels") << typical;
        using F = std::numeric_limits<float>;
        QTest::newRow("off the raster")
            << QList<LinkRecord> { channel(1, "TV", 49.751f, 6.4999f, "A"),
                   channel(2, "TV", 1e-7f, 0.001f, "B"), channel(3, "DIGI", 1e9f, -8.0f, "C") };
        // NaN, which no content rule lets through, travels unchanged too.
        QTest::newRow("denormals, zeros, infinities, NaN")
            << QList<LinkRecord> { channel(1, "TV", F::denorm_min(), -F::denorm_min(), "1"),
                   channel(2, "TV", -0.0f, 0.0f, "2"),
                   channel(3, "DIGI", F::infinity(), -0.0f, "3"),
                   channel(4, "DIGI", -F::max(), F::max(), "4"),
                   channel(5, "TV", F::quiet_NaN(), 6.5f, "5") };
        QTest::newRow("1- and 3-byte names, odd types") << QList<LinkRecord> {
            channel(1, "", 100.0f, 6.5f, "X"), channel(9, "tv", 100.0f, 6.5f, QStringLiteral("频")),
            channel(9, "DIGI", 100.0f, 6.5f, ""), channel(250, "DIGI", 99.99f, 6.5f, "C09"),
            channel(3, "DIGI", 99.98f, 6.5f, "C10"), channel(4, "TV", 99.97f, 6.5f, "999999999"),
            channel(5, "TV", 99.96f, 6.5f, "1000000000")
        };
    }

    void compactRoundTrip()
    {
        QFETCH(QList<LinkRecord>, records);
        const QByteArray payload = Messages::encode(Messages::RecordBatch { 7, records }, kCompact);
        const auto back = Messages::decodeRecordBatch(payload, kCompact);
        QVERIFY(back && back->records.size() == records.size());
        for (qsizetype i = 0; i < records.size(); ++i) // bit for bit: NaN-safe
            QCOMPARE(
                RecordCodec::encodeRecord(back->records[i]), RecordCodec::encodeRecord(records[i]));
        for (qsizetype n = 0; n < payload.size(); ++n)
            QVERIFY(!Messages::decodeRecordBatch(payload.first(n), kCompact));
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
            const auto layout
                = m.captured(2) == "compact" ? kCompact : Messages::RecordLayout::Plain;
            const auto again = [](const auto &message, auto... extra) {
                return message ? Messages::encode(*message, extra...) : QByteArray("undecodable");
            };
            const QString name = m.captured(1);
            const QByteArray &p = frames.first().payload;
            const QByteArray back = name == "Hello" ? again(Messages::decodeHelloRequest(p))
                : name == "HelloReply"              ? again(Messages::decodeHelloReply(p))
                : name == "WriteRecords" ? again(Messages::decodeRecordBatch(p, layout), layout)
                : name == "EndTransfer"  ? again(Messages::decodeCommitment(p))
                : name == "Ack"          ? Messages::encodeAck(Messages::decodeAck(p).value_or(0))
                                         : QByteArray("unknown message");
            QCOMPARE(back, p);
        }
        QCOMPARE(checked, 7);
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
