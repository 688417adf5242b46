#include "store/PlanHistory.h"

#include "base/Language.h"
#include "base/Phrase.h"
#include "base/TextCatalogue.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>

namespace plandor {
namespace {

constexpr Phrase kReceived { u"接收", u"Received" };
constexpr Phrase kSent { u"发送", u"Sent" };
constexpr Phrase kNoFolder { u"无法建立历史文件夹 %1", u"Cannot create the history folder %1" };

const QLatin1String kTimeFormat("yyyyMMdd-HHmmsszzz");

QString &folderOverride()
{
    static QString path;
    return path;
}

QLatin1String directionWord(PlanHistory::Direction direction)
{
    return direction == PlanHistory::Direction::Sent ? QLatin1String("sent")
                                                     : QLatin1String("received");
}

const QRegularExpression &namePattern()
{
    static const QRegularExpression pattern(
        QStringLiteral("^(\\d{8}-\\d{9})_(received|sent)_(.*)_(\\d+)ch\\.txt$"));
    return pattern;
}

std::optional<PlanHistory::Entry> entryFromName(const QFileInfo &file)
{
    const QRegularExpressionMatch m = namePattern().match(file.fileName());
    if (!m.hasMatch())
        return std::nullopt;
    PlanHistory::Entry entry;
    entry.path = file.absoluteFilePath();
    entry.time = QDateTime::fromString(m.captured(1), kTimeFormat);
    entry.time.setTimeSpec(Qt::UTC);
    entry.direction = m.captured(2) == QLatin1String("sent") ? PlanHistory::Direction::Sent
                                                             : PlanHistory::Direction::Received;
    entry.instrument = QUrl::fromPercentEncoding(m.captured(3).toLatin1());
    entry.channelCount = m.captured(4).toInt();
    return entry;
}

// The history files, oldest first (their names begin with the time).
QFileInfoList historyFiles(const QString &folder)
{
    QFileInfoList files
        = QDir(folder).entryInfoList({ QStringLiteral("*.txt") }, QDir::Files, QDir::Name);
    files.erase(
        std::remove_if(files.begin(), files.end(),
            [](const QFileInfo &f) { return !namePattern().match(f.fileName()).hasMatch(); }),
        files.end());
    return files;
}

} // namespace

QString PlanHistory::folder()
{
    if (!folderOverride().isEmpty())
        return folderOverride();
    const QString fromEnv = qEnvironmentVariable("PLANDOR_HISTORY_DIR");
    if (!fromEnv.isEmpty())
        return fromEnv;
    // The program's data folder (organisation and program "Plandor"), also
    // when plandor-cli, under another program name, asks for it.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/Plandor/Plandor/history");
}

void PlanHistory::setFolder(const QString &path)
{
    folderOverride() = path;
}

bool PlanHistory::record(Direction direction, const QString &instrument,
    const QList<ChannelValues> &rows, const PanelTexts &panel, QString *error)
{
    const QString dir = folder();
    if (!QDir().mkpath(dir)) {
        if (error)
            *error = kNoFolder.text().arg(QDir::toNativeSeparators(dir));
        return false;
    }
    // Percent-encoded, so that any identity makes a valid, reversible name.
    const QString who = QString::fromLatin1(instrument.toUtf8().toPercentEncoding("-."));
    // Names sort by time: a transfer within the same millisecond as the newest
    // entry (or after the clock went back) is stamped just after it.
    QDateTime time = QDateTime::currentDateTimeUtc();
    const QFileInfoList existing = historyFiles(dir);
    if (!existing.isEmpty()) {
        if (const auto newest = entryFromName(existing.last()); newest && time <= newest->time)
            time = newest->time.addMSecs(1);
    }
    QString path;
    for (;;) {
        path = dir + QLatin1Char('/') + time.toString(kTimeFormat) + QLatin1Char('_')
            + directionWord(direction) + QLatin1Char('_') + who + QLatin1Char('_')
            + QString::number(rows.size()) + QStringLiteral("ch.txt");
        if (!QFileInfo::exists(path))
            break;
        time = time.addMSecs(1); // two transfers in one millisecond keep their order
    }

    // The instrument numbers the channels 1..n in the order they travel.
    QList<ChannelValues> numbered = rows;
    for (qsizetype i = 0; i < numbered.size(); ++i)
        numbered[i].setValue(ColumnId, qint32(i + 1));
    if (!PlanFile::write(path, fileSource(numbered, panel),
            PlanFile::encodingForLanguage(LanguageOffset), error))
        return false;

    QFileInfoList files = historyFiles(dir);
    for (qsizetype i = 0; i + kKeptEntries < files.size(); ++i)
        QFile::remove(files[i].absoluteFilePath());
    return true;
}

QList<PlanHistory::Entry> PlanHistory::entries()
{
    QList<Entry> list;
    const QFileInfoList files = historyFiles(folder());
    for (auto it = files.crbegin(); it != files.crend(); ++it) {
        if (auto entry = entryFromName(*it))
            list.append(*entry);
    }
    return list;
}

bool PlanHistory::load(const Entry &entry, PlanFileContent &out, QString *error)
{
    return PlanFile::read(entry.path, out, error);
}

PlanFileSource PlanHistory::fileSource(const QList<ChannelValues> &rows, const PanelTexts &panel)
{
    PlanFileSource source;
    source.caption = CatalogueText(15);
    source.rows = rows;
    const qint16 labelIds[6] = { 61, 62, 63, 64, 69, 70 };
    for (int i = 0; i < 6; ++i)
        source.favoriteLabels[i] = CatalogueText(labelIds[i]);
    source.unitLabel = CatalogueText(1);
    source.panel = panel;
    return source;
}

QString PlanHistory::directionText(Direction direction)
{
    return direction == Direction::Sent ? kSent.text() : kReceived.text();
}

} // namespace plandor
