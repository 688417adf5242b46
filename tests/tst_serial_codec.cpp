// The protocol's byte codecs on plain buffers: framing, check values,
// records and message payloads.

#include "transfer/serial/Cobs.h"
#include "transfer/serial/Crc32.h"
#include "transfer/serial/Frame.h"
#include "transfer/serial/FrameDecoder.h"
#include "transfer/serial/InstrumentSide.h"
#include "transfer/serial/LinkTiming.h"
#include "transfer/serial/Messages.h"
#include "transfer/serial/Protocol.h"
#include "transfer/serial/RecordCodec.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace plandor;

namespace {

QByteArray randomBytes(QRandomGenerator &rng, int n, bool manyZeros)
{
    QByteArray b(n, '\0');
    for (int i = 0; i < n; ++i)
        b[i] = char(manyZeros && rng.bounded(4) == 0 ? 0 : rng.bounded(256));
    return b;
}

} // namespace

class TestSerialCodec : public QObject
{
    Q_OBJECT

private slots:
    void crcCheckValue();
    void frameRoundTrip_data();
    void frameRoundTrip();
    void cobsHasNoZerosAndBoundedOverhead();
    void everySingleBitFlipIsRejected_data();
    void everySingleBitFlipIsRejected();
    void byteByByteGivesTheSameFrames();
    void resynchronisesAfterGarbage();
    void overlongFrameIsSkipped();
    void recordBatchRoundTrip();
    void decodersRefuseWrongLengths();
    void batchesFitThePayload();
    void instrumentRepeatsCachedReply();
    void timeoutsFollowTheLineSpeed();
};

void TestSerialCodec::crcCheckValue()
{
    QCOMPARE(Crc32("123456789"), 0xCBF43926u);
    QCOMPARE(Crc32("56789", Crc32("1234")), 0xCBF43926u);
    // A zero byte in front changes the value (unlike a zero-start CRC-16).
    QVERIFY(Crc32(QByteArray("\0abc", 4)) != Crc32("abc"));
}

void TestSerialCodec::frameRoundTrip_data()
{
    QTest::addColumn<int>("length");
    for (int n : { 0, 1, 253, 254, 255, 508, protocol::kMaxPayload - 1, protocol::kMaxPayload })
        QTest::addRow("%d", n) << n;
}

void TestSerialCodec::frameRoundTrip()
{
    QFETCH(int, length);
    QRandomGenerator rng(quint32(length) + 17);
    for (int round = 0; round < 40; ++round) {
        const Frame frame { quint8(rng.bounded(256)), quint8(rng.bounded(256)),
            randomBytes(rng, length, round % 2 == 0) };
        const QByteArray wire = FrameCodec::encode(frame);
        QVERIFY(wire.size() <= protocol::kMaxWireFrame);
        QCOMPARE(wire.front(), '\0');
        QCOMPARE(wire.back(), '\0');
        QCOMPARE(wire.count('\0'), 2);
        FrameDecoder decoder;
        const QList<Frame> frames = decoder.feed(wire);
        QCOMPARE(frames.size(), 1);
        QCOMPARE(frames.first(), frame);
    }
    // All zeros and no zeros at all are the two extremes of stuffing.
    for (char fill : { '\0', '\x7f' }) {
        const Frame frame { 1, 2, QByteArray(length, fill) };
        const auto decoded = FrameCodec::decodeBody(FrameCodec::encode(frame).chopped(1).sliced(1));
        QVERIFY(decoded);
        QCOMPARE(*decoded, frame);
    }
}

void TestSerialCodec::cobsHasNoZerosAndBoundedOverhead()
{
    QRandomGenerator rng(5);
    for (int n : { 0, 1, 2, 253, 254, 255, 256, 508, 509, 1030 }) {
        const QByteArray data = randomBytes(rng, n, n % 2 == 1);
        const QByteArray enc = Cobs::encode(data);
        QVERIFY(!enc.contains('\0'));
        QVERIFY(enc.size() <= n + n / 254 + 1);
        QCOMPARE(Cobs::decode(enc).value_or(QByteArray("x")), data);
    }
    QVERIFY(!Cobs::decode(QByteArray("\x05\x01", 2))); // code past the end
    QVERIFY(!Cobs::decode(QByteArray("\x03\x01\0", 3))); // zero inside
}

void TestSerialCodec::everySingleBitFlipIsRejected_data()
{
    QTest::addColumn<int>("length");
    for (int n : { 0, 1, 12, 254, 300 })
        QTest::addRow("%d", n) << n;
}

void TestSerialCodec::everySingleBitFlipIsRejected()
{
    QFETCH(int, length);
    QRandomGenerator rng(quint32(length) * 3 + 1);
    const Frame frame { 0x06, 0x42, randomBytes(rng, length, true) };
    const QByteArray wire = FrameCodec::encode(frame);
    for (qsizetype i = 0; i < wire.size(); ++i) {
        for (int bit = 0; bit < 8; ++bit) {
            QByteArray damaged = wire;
            damaged[i] = char(quint8(damaged[i]) ^ (1u << bit));
            FrameDecoder decoder;
            const QList<Frame> frames = decoder.feed(damaged);
            // A flip may split the frame at a new zero; no part may pass.
            QVERIFY2(
                frames.isEmpty(), qPrintable(QStringLiteral("byte %1 bit %2").arg(i).arg(bit)));
        }
    }
}

void TestSerialCodec::byteByByteGivesTheSameFrames()
{
    QRandomGenerator rng(99);
    QByteArray stream;
    QList<Frame> sent;
    for (int i = 0; i < 30; ++i) {
        sent.append(Frame {
            quint8(i), quint8(i * 7), randomBytes(rng, int(rng.bounded(600)), i % 3 == 0) });
        stream += FrameCodec::encode(sent.last());
    }
    FrameDecoder whole;
    QCOMPARE(whole.feed(stream), sent);
    FrameDecoder single;
    QList<Frame> got;
    for (char ch : std::as_const(stream))
        got += single.feed(QByteArrayView(&ch, 1));
    QCOMPARE(got, sent);
    FrameDecoder chunks;
    got.clear();
    for (qsizetype at = 0; at < stream.size();) {
        const qsizetype n = qMin<qsizetype>(1 + rng.bounded(97), stream.size() - at);
        got += chunks.feed(stream.sliced(at, n));
        at += n;
    }
    QCOMPARE(got, sent);
}

void TestSerialCodec::resynchronisesAfterGarbage()
{
    const Frame a { 0x81, 1, QByteArray("hello") };
    const Frame b { 0x90, 2, QByteArray(1, '\x05') };
    QByteArray stream = QByteArray("\xff\x13garbage\x01\x02", 11) + FrameCodec::encode(a);
    // A frame cut off by noise inside it, then a sound one.
    QByteArray broken = FrameCodec::encode(b);
    broken.insert(4, "\x33\x44");
    stream += broken + QByteArray("\x00\x00\x00", 3) + FrameCodec::encode(b);
    FrameDecoder decoder;
    const QList<Frame> frames = decoder.feed(stream);
    QCOMPARE(frames, (QList<Frame> { a, b }));
    QVERIFY(decoder.rejected() >= 2);
}

void TestSerialCodec::overlongFrameIsSkipped()
{
    FrameDecoder decoder;
    QByteArray stream(protocol::kMaxEncodedBody * 3, '\x11');
    const Frame ok { 0x83, 9, QByteArray(40, 'r') };
    stream += FrameCodec::encode(ok);
    QCOMPARE(decoder.feed(stream), QList<Frame> { ok });
    QCOMPARE(decoder.rejected(), 1);
}

void TestSerialCodec::recordBatchRoundTrip()
{
    Messages::RecordBatch batch;
    batch.first = 300;
    LinkRecord r;
    r.Position = 255;
    r.Type = QStringLiteral("DIGI");
    r.Name = QStringLiteral("中文");
    r.Freq = std::numeric_limits<float>::quiet_NaN();
    r.Audio1 = -0.0f;
    batch.records = { r, LinkRecord {}, r };
    batch.records[1].Name = QString(QChar(0xFEFF)) + QStringLiteral("x"); // a kept byte-order mark
    const QByteArray payload = Messages::encode(batch);
    const auto back = Messages::decodeRecordBatch(payload);
    QVERIFY(back);
    QCOMPARE(back->first, batch.first);
    QCOMPARE(back->records.size(), 3);
    QCOMPARE(RecordCodec::encodeRecord(back->records[0]), RecordCodec::encodeRecord(r));
    QCOMPARE(back->records[1].Name, batch.records[1].Name);
    QVERIFY(std::signbit(back->records[0].Audio1));

    FavoritesRecord f { 1, 2, 3, 4, 5, 250, -300, 2, 0 };
    const QByteArray fb = Messages::encodeFavorites(f);
    QCOMPARE(fb.size(), 10);
    QCOMPARE(fb, QByteArray("\x01\x02\x03\x04\x05\xfa\xd4\xfe\x02\x00", 10));
    QCOMPARE(Messages::decodeFavorites(fb).value_or(FavoritesRecord {}), f);
}

void TestSerialCodec::decodersRefuseWrongLengths()
{
    Messages::RecordBatch batch { 0, { LinkRecord {} } };
    batch.records[0].Name = QStringLiteral("ab");
    const QByteArray payload = Messages::encode(batch);
    for (qsizetype n = 0; n < payload.size(); ++n)
        QVERIFY(!Messages::decodeRecordBatch(payload.first(n)));
    QVERIFY(!Messages::decodeRecordBatch(payload + 'x'));
    // A count that the bytes cannot hold.
    QByteArray lying = payload;
    lying[2] = char(200);
    QVERIFY(!Messages::decodeRecordBatch(lying));
    // A text that is not UTF-8.
    QByteArray bad = payload;
    bad[bad.size() - 1] = char(0xC3);
    QVERIFY(!Messages::decodeRecordBatch(bad));

    QVERIFY(!Messages::decodeFavorites(QByteArray(9, '\0')));
    QVERIFY(!Messages::decodeFavorites(QByteArray(11, '\0')));
    QVERIFY(!Messages::decodeCommitment(QByteArray("\x03\0\0\0\0\0\0", 7)));
    const Messages::HelloReply hello { 1, 1024, 255, 9, QStringLiteral("m"), QStringLiteral("s") };
    QCOMPARE(Messages::decodeHelloReply(Messages::encode(hello)).value_or(Messages::HelloReply {}),
        hello);
    QVERIFY(!Messages::decodeHelloReply(Messages::encode(hello).chopped(1)));
    LinkRecord longType;
    longType.Type = QString(256, QLatin1Char('x'));
    QVERIFY(RecordCodec::encodeRecord(longType).isEmpty());
}

void TestSerialCodec::batchesFitThePayload()
{
    QList<QByteArray> encoded;
    for (int i = 0; i < 255; ++i) {
        LinkRecord r;
        r.Name = QString(i % 40, QLatin1Char('n'));
        encoded.append(RecordCodec::encodeRecord(r));
    }
    int total = 0;
    for (int first = 0; first < encoded.size();) {
        const int n = Messages::recordsThatFit(encoded, first, protocol::kMaxPayload);
        QVERIFY(n > 0);
        const QByteArray payload = Messages::encodeBatch(quint16(first), encoded, first, n);
        QVERIFY(payload.size() <= protocol::kMaxPayload);
        // Greedy: the next record would not have fitted.
        if (first + n < encoded.size())
            QVERIFY(payload.size() + encoded[first + n].size() > protocol::kMaxPayload);
        total += n;
        first += n;
    }
    QCOMPARE(total, 255);
}

void TestSerialCodec::instrumentRepeatsCachedReply()
{
    InstrumentSide side;
    int stores = 0;
    side.setStoreHook([&](const InstrumentPlan &) { return ++stores > 0; });
    auto ask = [&](quint8 type, quint8 seq, const QByteArray &payload) {
        return side.handle(Frame { type, seq, payload }).value_or(Frame {});
    };
    using protocol::MessageType;
    LinkRecord r;
    r.Freq = 50.0f;
    r.Type = QStringLiteral("TV");
    const QList<QByteArray> enc { RecordCodec::encodeRecord(r) };
    const quint32 crc = RecordCodec::planCrc(enc);
    QCOMPARE(ask(quint8(MessageType::WriteBegin), 1,
                 Messages::encode(Messages::WriteBeginRequest { 0, 1, crc, {} }))
                 .type,
        quint8(MessageType::Ack));
    const QByteArray batch = Messages::encodeBatch(0, enc, 0, 1);
    QCOMPARE(ask(quint8(MessageType::WriteRecords), 2, batch).type, quint8(MessageType::Ack));
    // The same request again (its reply was lost): the cached answer, not
    // a second append that would make the plan too long.
    QCOMPARE(ask(quint8(MessageType::WriteRecords), 2, batch).type, quint8(MessageType::Ack));
    const QByteArray commit
        = Messages::encode(Messages::Commitment { protocol::StagedKind::Plan, 1, crc });
    QCOMPARE(ask(quint8(MessageType::WriteCheck), 3, commit).type, quint8(MessageType::Ack));
    QCOMPARE(ask(quint8(MessageType::EndTransfer), 4, commit).type, quint8(MessageType::Ack));
    QCOMPARE(ask(quint8(MessageType::EndTransfer), 4, commit).type, quint8(MessageType::Ack));
    QCOMPARE(stores, 1);
    QCOMPARE(side.plan().records.size(), 1);
    // The same batch under a new number is a new request, out of order now.
    QCOMPARE(ask(quint8(MessageType::WriteRecords), 5, batch).type, quint8(MessageType::Nak));
}

void TestSerialCodec::timeoutsFollowTheLineSpeed()
{
    LinkTiming t;
    t.baud = 9600;
    t.allowanceMs = 250;
    t.attempts = 3;
    QCOMPARE(t.wireMs(96), 100);
    QCOMPARE(t.replyTimeoutMs(960, 0), 250 + 2000);
    QCOMPARE(t.exchangeBoundMs(960, 0), 3 * 2250);
    t.baud = 115200;
    QCOMPARE(t.wireMs(1), 1);
    QCOMPARE(t.wireMs(protocol::kMaxWireFrame), 91);
}

QTEST_MAIN(TestSerialCodec)
#include "tst_serial_codec.moc"
