// Plays a hostile instrument against the PC side of the link: the input is
// cut into successive replies, one for each request the PC sends, and the PC
// reads the plan, sends one, ends the write and asks what the instrument now
// holds. Every call must end with true or false and a reason; a plan read
// must hold only channels the instrument could have taken; a write ends once.
//
// A reply is a header byte (its kind, below), a u16 length and that many
// bytes. The input runs out after kMaxReplies replies: then every write to
// the line fails at once, so no input can make the PC wait on and on.

#include "transfer/serial/FrameTransport.h"
#include "transfer/serial/LinkClient.h"
#include "transfer/serial/Records.h"

#include <QCoreApplication>
#include <QIODevice>

#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace plandor;

namespace {

constexpr int kMaxReplies = 64;

// The instrument's end of an in-memory line: each request written to it is
// answered at once with the next scripted reply.
class ScriptedLine : public QIODevice
{
public:
    ScriptedLine(const uint8_t *data, size_t size)
        : m_data(data)
        , m_size(size)
    {
        open(QIODevice::ReadWrite | QIODevice::Unbuffered);
    }

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override
    {
        return m_pending.size() + QIODevice::bytesAvailable();
    }
    int requests() const { return m_requests; }

protected:
    qint64 readData(char *out, qint64 max) override
    {
        const qint64 n = qMin<qint64>(max, m_pending.size());
        std::memcpy(out, m_pending.constData(), size_t(n));
        m_pending.remove(0, n);
        return n;
    }

    qint64 writeData(const char *bytes, qint64 size) override
    {
        if (m_requests == kMaxReplies || m_at + 3 > m_size)
            return -1; // the line is gone
        ++m_requests;
        const uint8_t kind = m_data[m_at];
        const size_t length
            = qMin<size_t>(m_data[m_at + 1] | (m_data[m_at + 2] << 8), m_size - m_at - 3);
        const QByteArray body(reinterpret_cast<const char *>(m_data + m_at + 3), qsizetype(length));
        m_at += 3 + length;

        // The request's number and type, to answer it as a real instrument
        // would (or almost).
        quint8 seq = 0;
        quint8 type = 0;
        for (const Frame &request : m_decoder.feed(QByteArrayView(bytes, size))) {
            seq = request.seq;
            type = request.type;
        }
        m_decoder.reset();
        switch (kind % 5) {
        case 0: // the reply type this request expects
            m_pending += FrameCodec::encode(Frame { expectedReply(type), seq, body });
            break;
        case 1: // a refusal
            m_pending += FrameCodec::encode(Frame { 0x91, seq, body });
            break;
        case 2: // any type, the number off by the first byte
            if (body.size() >= 2)
                m_pending += FrameCodec::encode(
                    Frame { quint8(body[0]), quint8(seq + quint8(body[1])), body.mid(2) });
            break;
        case 3: // raw bytes on the line
            m_pending += body;
            break;
        default: // silence
            break;
        }
        if (!m_pending.isEmpty())
            emit readyRead();
        return size;
    }

private:
    static quint8 expectedReply(quint8 requestType)
    {
        switch (requestType) {
        case 0x01:
        case 0x02:
        case 0x03:
            return quint8(requestType | 0x80);
        default:
            return 0x90; // Ack
        }
    }

    const uint8_t *m_data;
    size_t m_size;
    size_t m_at = 0;
    int m_requests = 0;
    QByteArray m_pending;
    FrameDecoder m_decoder;
};

void require(bool condition)
{
    if (!condition)
        std::abort();
}

// A false result must say why.
void requireOutcome(bool ok, const QString &error)
{
    require(ok || !error.isEmpty());
}

LinkRecordArray planToSend()
{
    LinkRecordArray plan;
    for (int i = 1; i <= 40; ++i) {
        LinkRecord r;
        r.Position = quint8(i);
        r.Type = i % 3 ? QStringLiteral("TV") : QStringLiteral("DIGI");
        r.Freq = 49.75f + 8.0f * float(i);
        r.Audio1 = i % 3 ? 6.5f : 8.0f;
        r.Name = QStringLiteral("C%1").arg(i);
        plan.items.append(r);
    }
    return plan;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Timers and event loops of the waits need an application; it holds no
    // state of the inputs.
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ScriptedLine line(data, size);
    // A silent reply costs a couple of milliseconds, not the real time-out.
    LinkTiming timing;
    timing.baud = 1'000'000'000;
    timing.allowanceMs = 0;
    FrameTransport transport(&line, timing);
    LinkClient client(transport);
    client.setBusyPause(0);

    QString error;
    LinkRecordArray records;
    FavoritesRecord panel;
    const bool read = client.readPlan(0, records, panel, &error);
    requireOutcome(read, error);
    if (read) {
        require(records.lowerBound == 1 && records.items.size() <= protocol::kMaxChannels);
        for (qsizetype i = 0; i < records.items.size(); ++i)
            require(!ContentRules::refuseRecord(records.items[i], int(i)));
    } else {
        require(records.items.isEmpty());
    }

    error.clear();
    const LinkRecordArray plan = planToSend();
    const bool written = client.writePlan(plan, 0, panel, &error);
    requireOutcome(written, error);
    if (written) {
        require(client.lastWrite() && client.lastWrite()->count == plan.items.size()
            && client.lastWrite()->planCrc == RecordCodec::planCrc(plan.items));
    }
    error.clear();
    const bool ended = client.endTransfer(&error);
    requireOutcome(ended, error);
    require(written || !ended);
    // A write is ended once: a second end sends nothing and fails.
    const int requests = line.requests();
    error.clear();
    require(!client.endTransfer(&error) && !error.isEmpty() && line.requests() == requests);

    error.clear();
    const auto summary = client.readSummary(&error);
    requireOutcome(summary.has_value(), error);
    if (summary)
        require(summary->count <= protocol::kMaxChannels);

    error.clear();
    FavoritesRecord favorites;
    favorites.Span = 8;
    favorites.Unit = kUnitDbmV;
    const bool panelWritten = client.writeFavorites(favorites, &error);
    requireOutcome(panelWritten, error);
    error.clear();
    const bool panelEnded = client.endTransfer(&error);
    requireOutcome(panelEnded, error);
    require(panelWritten || !panelEnded);
    return 0;
}
