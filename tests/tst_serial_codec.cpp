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

#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <QtTest>
#include <cmath>

using namespace plandor;

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

LinkRecord channel(int position, const char *type, float freq, float audio, const QString &name)
{
    LinkRecord r;
    std::tie(r.Position, r.Type, r.Freq, r.Audio1, r.Name)
        = std::tuple(quint8(position), QString::fromUtf8(type), freq, audio, name);
    return r;
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
    // second append or a second store; a repeated Hello still drops the
    // staging.
    void instrumentRepeatsCachedReply()
    {
        using protocol::MessageType;
        InstrumentSide side;
        int stores = 0;
        side.setStoreHook([&](const InstrumentPlan &) { return ++stores > 0; });
        auto ask = [&](MessageType type, quint8 seq, const QByteArray &payload) {
            return side.handle(Frame { quint8(type), seq, payload }).value_or(Frame {}).type;
        };
        const QList<LinkRecord> plan { channel(1, "TV", 49.75f, 6.5f, "C1") };
        const quint32 crc = RecordCodec::planCrc(plan);
        int taken = 0;
        const QByteArray batch
            = Messages::packBatch(plan, 0, 1024, Messages::RecordLayout::Plain, &taken);
        const QByteArray commit
            = Messages::encode(Messages::Commitment { protocol::StagedKind::Plan, 1, crc });
        const QByteArray begin = Messages::encode(
            Messages::WriteBeginRequest { 0, 1, crc, { 0, 0, 0, 0, 0, 0, 8, 1, 0 } });
        const QByteArray hello = Messages::encode(Messages::HelloRequest { 1, 1 });
        const quint8 ack = quint8(MessageType::Ack);
        QCOMPARE(ask(MessageType::Hello, 9, hello), quint8(MessageType::HelloReply));
        QCOMPARE(ask(MessageType::WriteBegin, 1, begin), ack);
        QCOMPARE(ask(MessageType::WriteRecords, 2, batch), ack);
        QCOMPARE(ask(MessageType::WriteRecords, 2, batch), ack);
        QCOMPARE(ask(MessageType::WriteCheck, 3, commit), ack);
        QCOMPARE(ask(MessageType::EndTransfer, 4, commit), ack);
        QCOMPARE(ask(MessageType::EndTransfer, 4, commit), ack);
        QCOMPARE(stores, 1);
        QCOMPARE(side.plan().records, plan);
        // The same batch under a new number is a new request, out of order now.
        QCOMPARE(ask(MessageType::WriteRecords, 5, batch), quint8(MessageType::Nak));

        QCOMPARE(ask(MessageType::Hello, 6, hello), quint8(MessageType::HelloReply));
        QCOMPARE(ask(MessageType::WriteBegin, 7, begin), ack);
        QVERIFY(side.hasStaging());
        QCOMPARE(ask(MessageType::Hello, 6, hello), quint8(MessageType::HelloReply));
        QVERIFY(!side.hasStaging());
    }

    // The compact layout gives back every float bit pattern and every name,
    // on the raster or off it, alone or after any neighbour.
    void compactRoundTrip_data()
    {
        QTest::addColumn<QList<LinkRecord>>("records");
        const float denormal = std::numeric_limits<float>::denorm_min();
        QTest::newRow("a plan on the raster")
            << QList<LinkRecord> { channel(1, "TV", 49.75f, 6.5f, "C1"),
                   channel(2, "TV", 57.75f, 6.5f, "C2"), channel(3, "DIGI", 65.75f, 8.0f, "C3"),
                   channel(4, "DIGI", 73.75f, 8.0f, "D9"), channel(5, "TV", 81.75f, 6.5f, "D10") };
        QTest::newRow("off the raster")
            << QList<LinkRecord> { channel(1, "TV", 49.751f, 6.4999f, "A"),
                   channel(2, "TV", 1e-7f, 0.001f, "B"), channel(3, "DIGI", 1e9f, -8.0f, "C") };
        QTest::newRow("denormals, zeros, infinities")
            << QList<LinkRecord> { channel(1, "TV", denormal, -denormal, "1"),
                   channel(2, "TV", -0.0f, 0.0f, "2"),
                   channel(3, "DIGI", std::numeric_limits<float>::infinity(), -0.0f, "3"),
                   channel(4, "DIGI", -std::numeric_limits<float>::max(),
                       std::numeric_limits<float>::max(), "4") };
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
        const QByteArray payload = Messages::encode(
            Messages::RecordBatch { 7, records }, Messages::RecordLayout::Compact);
        const auto back = Messages::decodeRecordBatch(payload, Messages::RecordLayout::Compact);
        QVERIFY(back);
        QCOMPARE(back->records.size(), records.size());
        for (qsizetype i = 0; i < records.size(); ++i) // bit for bit: NaN-safe
            QCOMPARE(
                RecordCodec::encodeRecord(back->records[i]), RecordCodec::encodeRecord(records[i]));
        for (qsizetype n = 0; n < payload.size(); ++n)
            QVERIFY(
                !Messages::decodeRecordBatch(payload.first(n), Messages::RecordLayout::Compact));
    }

    // A typical plan costs a few bytes a channel; NaN, which no rule lets
    // through, still travels unchanged but the instrument refuses it.
    void compactIsSmallAndNaNRefused()
    {
        QList<LinkRecord> plan;
        for (int i = 1; i <= 250; ++i)
            plan.append(channel(i, i > 60 ? "DIGI" : "TV", 49.75f + 8.0f * float(i),
                i > 60 ? 8.0f : 6.5f, QStringLiteral("C%1").arg(i)));
        int taken = 0;
        const QByteArray compact
            = Messages::packBatch(plan, 0, 1024, Messages::RecordLayout::Compact, &taken);
        QCOMPARE(taken, 250);
        QVERIFY2(compact.size() < 300, qPrintable(QString::number(compact.size())));

        LinkRecord nan = channel(1, "TV", std::numeric_limits<float>::quiet_NaN(), 6.5f, "C1");
        const auto back = Messages::decodeRecordBatch(
            Messages::encode(Messages::RecordBatch { 0, { nan } }, Messages::RecordLayout::Compact),
            Messages::RecordLayout::Compact);
        QVERIFY(back && std::isnan(back->records.first().Freq));
        QVERIFY(InstrumentSide::refuseRecord(nan, 0));
        QVERIFY(!InstrumentSide::refuseRecord(plan.first(), 0));
    }

    // The examples of docs/protocol.md, byte for byte: each "request" or
    // "reply" block holds a frame as it goes on the wire and a line naming
    // its message; the codec must decode it to the same fields.
    void documentExamples()
    {
        QFile doc(QStringLiteral(PLANDOR_SOURCE_DIR "/docs/protocol.md"));
        QVERIFY(doc.open(QIODevice::ReadOnly | QIODevice::Text));
        const QString text = QString::fromUtf8(doc.readAll());
        static const QRegularExpression block(
            QStringLiteral("<!-- example (\\w+) (\\w+) -->\\s*```\\n([0-9A-F \\n]+)```"));
        int checked = 0;
        for (auto it = block.globalMatch(text); it.hasNext(); ++checked) {
            const auto m = it.next();
            const QByteArray wire
                = QByteArray::fromHex(m.captured(3).remove(QRegularExpression("\\s")).toLatin1());
            const QList<Frame> frames = FrameDecoder().feed(wire);
            QVERIFY2(frames.size() == 1, qPrintable(m.captured(0)));
            const Frame &f = frames.first();
            QCOMPARE(FrameCodec::encode(f), wire); // nothing else on the wire
            const QString name = m.captured(1);
            const auto layout = m.captured(2) == QLatin1String("compact")
                ? Messages::RecordLayout::Compact
                : Messages::RecordLayout::Plain;
            bool decodes = false;
            if (name == QLatin1String("Hello"))
                decodes = Messages::decodeHelloRequest(f.payload).has_value();
            else if (name == QLatin1String("HelloReply"))
                decodes = Messages::decodeHelloReply(f.payload).has_value();
            else if (name == QLatin1String("WriteRecords"))
                decodes = Messages::decodeRecordBatch(f.payload, layout).has_value()
                    && Messages::encode(*Messages::decodeRecordBatch(f.payload, layout), layout)
                        == f.payload;
            else if (name == QLatin1String("EndTransfer"))
                decodes = Messages::decodeCommitment(f.payload).has_value();
            else if (name == QLatin1String("Ack"))
                decodes = Messages::decodeAck(f.payload).has_value();
            QVERIFY2(decodes, qPrintable(name));
        }
        QVERIFY(checked >= 6);
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
