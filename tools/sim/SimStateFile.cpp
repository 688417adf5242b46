#include "SimStateFile.h"

#include "store/WholeFileWrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstring>

namespace plandor::sim {

namespace {

// Floats are kept as their bit pattern so that every value, NaN included,
// comes back exactly; the decimal beside it is for people reading the file.
qint64 bitsOf(float v)
{
    quint32 bits;
    std::memcpy(&bits, &v, 4);
    return bits;
}

float floatOf(qint64 bits)
{
    const quint32 b = quint32(bits);
    float v;
    std::memcpy(&v, &b, 4);
    return v;
}

LinkRecord channel(int position, const char *type, float freq, float audio, const char *name)
{
    LinkRecord r;
    r.Position = quint8(position);
    r.Type = QString::fromLatin1(type);
    r.Freq = freq;
    r.Audio1 = audio;
    r.Name = QString::fromLatin1(name);
    return r;
}

} // namespace

InstrumentPlan SimStateFile::defaultPlan()
{
    InstrumentPlan plan;
    plan.records = {
        channel(1, "TV", 49.75f, 6.5f, "1"),
        channel(2, "TV", 57.75f, 6.5f, "2"),
        channel(3, "TV", 65.75f, 6.5f, "3"),
        channel(4, "TV", 77.25f, 6.5f, "4"),
        channel(5, "DIGI", 474.0f, 8.0f, "13"),
        channel(6, "DIGI", 482.0f, 8.0f, "14"),
        channel(7, "DIGI", 490.0f, 8.0f, "15"),
    };
    plan.favorites.Favorite1 = 1;
    plan.favorites.Favorite2 = 2;
    plan.favorites.Favorite3 = 3;
    plan.favorites.Favorite4 = 5;
    plan.favorites.Favorite5 = 6;
    plan.favorites.Favorite6 = 7;
    plan.favorites.Span = 8;
    plan.favorites.Unit = kUnitDbmV;
    return plan;
}

std::optional<InstrumentPlan> SimStateFile::load(QString *error) const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (!doc.isObject()) {
        if (error)
            *error = parseError.errorString();
        return std::nullopt;
    }
    const QJsonObject o = doc.object();
    InstrumentPlan plan;
    plan.generation = quint32(o.value(QStringLiteral("generation")).toInteger(1));
    const QJsonArray fav = o.value(QStringLiteral("favorites")).toArray();
    quint8 *favoriteSlots[6]
        = { &plan.favorites.Favorite1, &plan.favorites.Favorite2, &plan.favorites.Favorite3,
              &plan.favorites.Favorite4, &plan.favorites.Favorite5, &plan.favorites.Favorite6 };
    for (int i = 0; i < 6 && i < fav.size(); ++i)
        *favoriteSlots[i] = quint8(fav.at(i).toInt());
    plan.favorites.Span = qint16(o.value(QStringLiteral("span")).toInt());
    plan.favorites.Unit = quint8(o.value(QStringLiteral("unit")).toInt());
    const QJsonArray channels = o.value(QStringLiteral("channels")).toArray();
    for (const QJsonValue &v : channels) {
        const QJsonObject c = v.toObject();
        LinkRecord r;
        r.Position = quint8(c.value(QStringLiteral("position")).toInt());
        r.Type = c.value(QStringLiteral("type")).toString();
        r.Freq = floatOf(c.value(QStringLiteral("freqBits")).toInteger());
        r.Audio1 = floatOf(c.value(QStringLiteral("audioBits")).toInteger());
        r.Name = c.value(QStringLiteral("name")).toString();
        plan.records.append(r);
    }
    return plan;
}

bool SimStateFile::save(const InstrumentPlan &plan, QString *error) const
{
    QJsonArray channels;
    for (const LinkRecord &r : plan.records) {
        channels.append(QJsonObject {
            { QStringLiteral("position"), r.Position },
            { QStringLiteral("type"), r.Type },
            { QStringLiteral("freq"), double(r.Freq) },
            { QStringLiteral("freqBits"), bitsOf(r.Freq) },
            { QStringLiteral("audio"), double(r.Audio1) },
            { QStringLiteral("audioBits"), bitsOf(r.Audio1) },
            { QStringLiteral("name"), r.Name },
        });
    }
    const FavoritesRecord &f = plan.favorites;
    const QJsonObject o {
        { QStringLiteral("generation"), qint64(plan.generation) },
        { QStringLiteral("favorites"),
            QJsonArray {
                f.Favorite1, f.Favorite2, f.Favorite3, f.Favorite4, f.Favorite5, f.Favorite6 } },
        { QStringLiteral("span"), f.Span },
        { QStringLiteral("unit"), f.Unit },
        { QStringLiteral("channels"), channels },
    };
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    // Whole or not at all, as the program's own files: a full disk keeps the
    // plan the instrument had.
    return writeWholeFile(m_path, QJsonDocument(o).toJson(), error);
}

} // namespace plandor::sim
