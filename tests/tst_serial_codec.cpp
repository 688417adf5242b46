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

// Each byte is zero with a chance of zeros in 4: none at all to all zeros.
QByteArray randomBytes(QRandomGenerator &rng, int n, int zeros)
{
    QByteArray b(n, '\0');
    for (int i = 0; i < n; ++i)
        b[i] = char(int(rng.bounded(4)) < zeros ? 0 : 1 + rng.bounded(255));
    return b;
}

} // namespace

class TestSerialCodec : public QObject
{
    Q_OBJECT

private slots:
    void crcCheckValue()
    {
        QCOMPARE(Crc32("123456789"), 0xCBF43926u);
        QCOMPARE(Crc32("56789", Crc32("1234")), 0xCBF43926u);
        QVERIFY(!Cobs::decode(QByteArray("\x05\x01", 2))); // code past the end
        QVERIFY(!Cobs::decode(QByteArray("\x03\x01\0", 3))); // zero inside
    }

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
            QVERIFY(wire.startsWith('\0') && wire.endsWith('\0') && wire.count('\0') == 2);
            QCOMPARE(FrameDecoder().feed(wire), QList<Frame> { frame });
        }
        for (qsizetype bit = 0; bit < wire.size() * 8; ++bit) {
            QByteArray damaged = wire;
            damaged[bit / 8] = char(quint8(damaged[bit / 8]) ^ (1u << bit % 8));
            QVERIFY2(FrameDecoder().feed(damaged).isEmpty(), qPrintable(QString::number(bit)));
        }
    }

    // Garbage, a frame broken by noise, stray zeros and an overlong run are
    // skipped; the sound frames come through, whole or byte by byte.
    void decoderResynchronises()
    {
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
        QCOMPARE(whole.rejected(), 3);
        QList<Frame> got;
        for (char ch : std::as_const(stream))
            got += single.feed(QByteArrayView(&ch, 1));
        QCOMPARE(got, (QList<Frame> { a, b, c }));
        QCOMPARE(single.rejected(), 3);
    }

    // Payload decoders give nothing unless the bytes are exactly right.
    void messagePayloads()
    {
        LinkRecord r;
        r.Type = QStringLiteral("DIGI");
        r.Name = QString(QChar(0xFEFF)) + QStringLiteral("中文"); // a leading BOM is kept
        r.Freq = std::numeric_limits<float>::quiet_NaN();
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
        QVERIFY(!Messages::decodeFavorites(fb.chopped(1)) && !Messages::decodeFavorites(fb + 'x'));
        const QByteArray hello = Messages::encode(Messages::HelloReply { 1, 1024, 255, 9, {}, {} });
        QVERIFY(Messages::decodeHelloReply(hello) && !Messages::decodeHelloReply(hello.chopped(1)));
    }

    // A repeated request (its reply was lost) gets the cached answer, not a
    // second append or a second store.
    void instrumentRepeatsCachedReply()
    {
        using protocol::MessageType;
        InstrumentSide side;
        int stores = 0;
        side.setStoreHook([&](const InstrumentPlan &) { return ++stores > 0; });
        auto ask = [&](MessageType type, quint8 seq, const QByteArray &payload) {
            return side.handle(Frame { quint8(type), seq, payload }).value_or(Frame {}).type;
        };
        const QList<QByteArray> enc { RecordCodec::encodeRecord(LinkRecord {}) };
        const quint32 crc = RecordCodec::planCrc(enc);
        const QByteArray batch = Messages::encodeBatch(0, enc, 0, 1);
        const QByteArray commit
            = Messages::encode(Messages::Commitment { protocol::StagedKind::Plan, 1, crc });
        const QByteArray begin = Messages::encode(Messages::WriteBeginRequest { 0, 1, crc, {} });
        const quint8 ack = quint8(MessageType::Ack);
        QCOMPARE(ask(MessageType::WriteBegin, 1, begin), ack);
        QCOMPARE(ask(MessageType::WriteRecords, 2, batch), ack);
        QCOMPARE(ask(MessageType::WriteRecords, 2, batch), ack);
        QCOMPARE(ask(MessageType::WriteCheck, 3, commit), ack);
        QCOMPARE(ask(MessageType::EndTransfer, 4, commit), ack);
        QCOMPARE(ask(MessageType::EndTransfer, 4, commit), ack);
        QCOMPARE(stores, 1);
        QCOMPARE(side.plan().records.size(), 1);
        // The same batch under a new number is a new request, out of order now.
        QCOMPARE(ask(MessageType::WriteRecords, 5, batch), quint8(MessageType::Nak));
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
