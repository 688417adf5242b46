// What the record operations and the plan file cost, as the user waits for
// them in the editor window (the store's work on its one long-lived
// connection, and the grid's re-query), on plans of
// 250 and 10,000 channels. Each is set against a plain insert of the same
// rows in one prepared transaction on the same database file, measured in
// the same run. Prints a table: milliseconds (median of several runs), the
// ratio to the plain insert, and the growth from 250 to 10,000 (40 = linear).
// Usage: bench_records [folder for the database and plan files]
#include "editor/EditorWindow.h"
#include "editor/PlanTableModel.h"
#include "store/ChannelStore.h"
#include "store/PlanFile.h"
#include "store/RecordOperations.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>

using namespace plandor;

namespace {

// IDs 1..n with frequencies out of ID order.
QList<ChannelValues> plan(int n)
{
    QList<ChannelValues> rows;
    rows.reserve(n);
    for (int i = 0; i < n; ++i) {
        ChannelValues v;
        v.setValue(ColumnId, qint64(i + 1));
        v.setValue(ColumnName, QString::number(i % 999 + 1));
        v.setValue(ColumnType, i % 3 ? QStringLiteral("TV") : QStringLiteral("DIGI"));
        v.setValue(ColumnFreq, 46.0 + double((i * 7919) % n) * 0.25);
        v.setValue(ColumnAudio1, 4.5);
        rows.append(v);
    }
    return rows;
}

// The rows as they are stored, identities 1..n, for a quick reset.
QList<StoredRow> stored(const QList<ChannelValues> &rows)
{
    QList<StoredRow> result;
    for (qsizetype i = 0; i < rows.size(); ++i)
        result.append({ i + 1, rows[i] });
    return result;
}

void check(bool ok, const ChannelStore &store)
{
    if (!ok)
        qFatal("%s", qPrintable(store.errorText()));
}

// The reference: the rows written with one prepared statement in one
// transaction, without anything of Plandor in between.
void plainInsert(const QString &path, const QList<ChannelValues> &rows)
{
    {
        QSqlDatabase db
            = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("plain"));
        db.setDatabaseName(path);
        if (!db.open())
            qFatal("plain: %s", qPrintable(db.lastError().text()));
        QSqlQuery q(db);
        q.exec(QStringLiteral("BEGIN"));
        q.exec(QStringLiteral("DELETE FROM ChannelPlanUser"));
        q.prepare(QStringLiteral(
            "INSERT INTO ChannelPlanUser (ID, CHName, Type, Freq, Audio1) VALUES (?, ?, ?, ?, ?)"));
        for (const ChannelValues &r : rows) {
            for (int c = 0; c < kChannelColumnCount; ++c)
                q.bindValue(c, r.value(c));
            if (!q.exec())
                qFatal("plain: %s", qPrintable(q.lastError().text()));
        }
        q.exec(QStringLiteral("COMMIT"));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("plain"));
}

// Median milliseconds of runs of op, each after an untimed prepare.
double measure(int runs, const std::function<void()> &prepare, const std::function<void()> &op)
{
    QList<double> times;
    for (int i = 0; i < runs; ++i) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        op();
        times.append(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const QStringList operations = { "plain insert", "open", "save", "paste 10%", "insert",
        "delete 10%", "renumber", "order" };
    std::map<QString, std::map<int, double>> ms;
    const int sizes[] = { 250, 10000 };
    for (int n : sizes) {
        // A folder given on the command line (for example one on tmpfs, where a
        // commit costs no disk flush) holds the files instead of the temp folder.
        QTemporaryDir dir(argc > 1
                ? QString::fromLocal8Bit(argv[1]) + QStringLiteral("/bench-XXXXXX")
                : QString());
        const QString db = dir.filePath(QStringLiteral("FileDB2000.db"));
        const QList<ChannelValues> rows = plan(n);
        const QList<StoredRow> seeded = stored(rows);
        const int runs = n > 1000 ? 7 : 15;
        ChannelStore store(db);
        EditorWindow window(store);
        RecordOperations records(store);
        auto reset = [&] {
            check(store.restore(seeded), store);
            window.reload(PlanOrder::ById);
        };

        ms["plain insert"][n] = measure(
            runs, [] {}, [&] { plainInsert(db, rows); });

        const QString file = dir.filePath(QStringLiteral("plan.txt"));
        PlanFileSource source;
        source.caption = QStringLiteral("  CH No");
        source.rows = rows;
        QString error;
        if (!PlanFile::write(file, source, PlanFile::Encoding::Windows1252, &error))
            qFatal("%s", qPrintable(error));
        ms["open"][n] = measure(runs, reset, [&] {
            PlanFileContent content;
            if (!PlanFile::read(file, content, &error))
                qFatal("%s", qPrintable(error));
            check(store.replacePlan(content.rows), store);
            window.reload(PlanOrder::ById);
        });

        const QString saved = dir.filePath(QStringLiteral("saved.txt"));
        ms["save"][n] = measure(runs, reset, [&] {
            QList<StoredRow> all;
            check(store.rows(PlanOrder::Stored, all), store);
            PlanFileSource out;
            for (const StoredRow &r : all)
                out.rows.append(r.values);
            if (!PlanFile::write(saved, out, PlanFile::Encoding::Windows1252, &error))
                qFatal("%s", qPrintable(error));
        });

        QList<qint16> everyTenthId;
        QList<qint64> everyTenthRow;
        for (int id = 1; id <= n; id += 10) {
            everyTenthId.append(qint16(id));
            everyTenthRow.append(id);
        }
        ms["paste 10%"][n] = measure(runs, reset, [&] {
            check(records.pasteIds(everyTenthId), store);
            window.reload(PlanOrder::Stored);
        });

        // The name search of Insert refuses any plan that holds every ID 1..250,
        // so this is the rest of the command: shift, insert, renumber, re-query.
        ms["insert"][n] = measure(runs, reset, [&] {
            check(records.insertNamed(n / 2, QStringLiteral("250")), store);
            window.reload(PlanOrder::ById);
        });

        ms["delete 10%"][n] = measure(runs, reset, [&] {
            check(records.deleteRows(everyTenthRow), store);
            window.reload(PlanOrder::ByFreq);
        });

        ms["renumber"][n]
            = measure(runs, reset, [&] { check(records.renumber(PlanOrder::ByFreq), store); });
        ms["order"][n] = measure(runs, reset, [&] {
            check(records.renumber(PlanOrder::ByFreq), store);
            window.reload(PlanOrder::ByFreq);
        });
    }

    std::printf("%-14s %10s %8s %10s %8s %8s\n", "operation", "250 ms", "x plain", "10000 ms",
        "x plain", "growth");
    for (const QString &op : operations) {
        const double a = ms[op][250], b = ms[op][10000];
        std::printf("%-14s %10.2f %8.2f %10.2f %8.2f %8.1f\n", qPrintable(op), a,
            a / ms["plain insert"][250], b, b / ms["plain insert"][10000], b / a);
    }
    std::printf("growth 40 = linear in the number of channels\n");
    return 0;
}
