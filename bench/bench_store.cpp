// The store's two hot paths, measured in one run:
//  - re-querying the grid (EditorWindow::reload on a shown window) with 250
//    and 10,000 rows, and the program's peak memory with 10,000 rows shown;
//  - writing 250 and 10,000 rows through ChannelStore::replacePlan on the
//    program's one long-lived store, against a store opened for the one
//    operation (as every operation once did) and against the same rows
//    inserted with the engine's C interface in one prepared transaction,
//    with the same journal settings. Goal: at most 2x the C interface.
#include "editor/EditorWindow.h"
#include "editor/PlanTableModel.h"
#include "editor/PlanTableView.h"
#include "store/ChannelStore.h"
#include "store/DatabaseLocation.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

using namespace plandor;

namespace {

QList<ChannelValues> planOf(int count)
{
    QList<ChannelValues> rows;
    rows.reserve(count);
    for (int i = 0; i < count; ++i) {
        ChannelValues v;
        v.setValue(ColumnId, qint64(i + 1));
        v.setValue(ColumnName, QString::number(i % 999 + 1));
        v.setValue(ColumnType, i % 4 ? QStringLiteral("TV") : QStringLiteral("DIGI"));
        v.freq = 46.0 + (count - i) * 0.0625; // not in ID order
        v.setValue(ColumnAudio1, i % 4 ? 6.5 : 8.0);
        rows.append(v);
    }
    return rows;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double cpuMs()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Wall-clock time of work in ms; its processor time in *cpu when given.
double timeMs(const std::function<bool()> &work, double *cpu = nullptr)
{
    QElapsedTimer timer;
    const double cpuStart = cpuMs();
    timer.start();
    if (!work()) {
        std::fprintf(stderr, "a measured run failed\n");
        std::exit(1);
    }
    const double wall = double(timer.nsecsElapsed()) / 1e6;
    if (cpu)
        *cpu = cpuMs() - cpuStart;
    return wall;
}

long statusKiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// The same table, settings and rows as the store, through the C interface.
bool rawReplaceAll(const QString &path, const QList<ChannelValues> &rows)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(
            path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr)
        != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    sqlite3_busy_timeout(db, 2000);
    bool ok = sqlite3_exec(db,
                  "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL;"
                  "CREATE TABLE IF NOT EXISTS ChannelPlanUser (ID INTEGER, CHName "
                  "TEXT, Type TEXT, Freq REAL, Audio1 REAL) STRICT;"
                  "BEGIN IMMEDIATE; DELETE FROM ChannelPlanUser;",
                  nullptr, nullptr, nullptr)
        == SQLITE_OK;
    sqlite3_stmt *insert = nullptr;
    ok = ok
        && sqlite3_prepare_v2(db,
               "INSERT INTO ChannelPlanUser (ID, CHName, Type, Freq, Audio1) "
               "VALUES (?, ?, ?, ?, ?)",
               -1, &insert, nullptr)
            == SQLITE_OK;
    for (qsizetype i = 0; ok && i < rows.size(); ++i) {
        const ChannelValues &r = rows[i];
        const QByteArray name = r.value(ColumnName).toString().toUtf8();
        const QByteArray type = r.value(ColumnType).toString().toUtf8();
        sqlite3_bind_int64(insert, 1, r.value(ColumnId).toLongLong());
        sqlite3_bind_text(insert, 2, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, type.constData(), int(type.size()), SQLITE_TRANSIENT);
        sqlite3_bind_double(insert, 4, r.value(ColumnFreq).toDouble());
        sqlite3_bind_double(insert, 5, r.value(ColumnAudio1).toDouble());
        ok = sqlite3_step(insert) == SQLITE_DONE && sqlite3_reset(insert) == SQLITE_OK;
    }
    sqlite3_finalize(insert);
    ok = ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    if (!ok)
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return ok;
}

void benchRefresh(EditorWindow &window, int count, int runs)
{
    if (!window.store().replacePlan(planOf(count))) {
        std::fprintf(stderr, "seeding failed: %s\n", qPrintable(window.store().errorText()));
        std::exit(1);
    }
    std::vector<double> query, shown;
    for (int i = 0; i < runs; ++i) {
        query.push_back(timeMs([&] { return window.reload(PlanOrder::ByFreq); }));
        // What the user waits for: the re-query and the grid painted.
        shown.push_back(timeMs([&] {
            const bool ok = window.reload(PlanOrder::ByFreq);
            window.view()->viewport()->repaint();
            QApplication::processEvents();
            return ok && window.model()->rowCount() == count;
        }));
    }
    std::printf("  %6d rows: reload median %8.2f ms, with the grid painted %8.2f ms\n", count,
        median(query), median(shown));
}

void benchWrite(const QString &dir, int count, int runs)
{
    const QList<ChannelValues> rows = planOf(count);
    const QString storePath = dir + QStringLiteral("/write-store.db");
    const QString oncePath = dir + QStringLiteral("/write-once.db");
    const QString rawPath = dir + QStringLiteral("/write-raw.db");
    ChannelStore longLived(storePath);
    std::vector<double> store, once, raw, ratios, storeCpu, rawCpu, readLong, readOnce;
    // Alternate them so that all see the same disk and cache conditions;
    // the first round warms up and is not counted.
    for (int i = 0; i <= runs; ++i) {
        double sc = 0, rc = 0;
        QList<StoredRow> read;
        const double s = timeMs([&] { return longLived.replacePlan(rows); }, &sc);
        const double o = timeMs([&] { return ChannelStore(oncePath).replacePlan(rows); });
        const double r = timeMs([&] { return rawReplaceAll(rawPath, rows); }, &rc);
        const double rl = timeMs([&] { return longLived.rows(PlanOrder::ByFreq, read); });
        const double ro
            = timeMs([&] { return ChannelStore(oncePath).rows(PlanOrder::ByFreq, read); });
        if (i == 0)
            continue;
        storeCpu.push_back(sc);
        rawCpu.push_back(rc);
        store.push_back(s);
        once.push_back(o);
        raw.push_back(r);
        ratios.push_back(s / r);
        readLong.push_back(rl);
        readOnce.push_back(ro);
    }
    std::printf("  %6d rows: replacePlan median %8.2f ms (store opened for it: %8.2f ms), "
                "C interface %8.2f ms, ratio %.2f (median of %d; goal <= 2)\n",
        count, median(store), median(once), median(raw), median(ratios), runs);
    std::printf(
        "  %6d rows: processor time replacePlan %8.2f ms, C interface %8.2f ms, ratio %.2f\n",
        count, median(storeCpu), median(rawCpu), median(storeCpu) / median(rawCpu));
    std::printf("  %6d rows: reading by frequency %8.2f ms (store opened for it: %8.2f ms)\n",
        count, median(readLong), median(readOnce));
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(3, atoi(argv[1])) : 9;
    QTemporaryDir dir;
    const QString dbPath = dir.filePath(DatabaseLocation::fileName());
    DatabaseLocation::setOverride(dbPath);

    std::printf("store write path (journal_mode=DELETE, synchronous=FULL), sqlite %s\n",
        sqlite3_libversion());
    benchWrite(dir.path(), 250, runs);
    benchWrite(dir.path(), 10000, runs);

    ChannelStore store(dbPath);
    EditorWindow window(store);
    window.show();
    QApplication::processEvents();
    std::printf("grid re-query on a shown window (platform %s)\n",
        qPrintable(QGuiApplication::platformName()));
    benchRefresh(window, 250, runs);
    const long peakBefore = statusKiB("VmHWM");
    benchRefresh(window, 10000, runs);
    std::printf("  peak memory (VmHWM): %ld KiB with 250 rows shown, %ld KiB with 10000 rows "
                "shown\n",
        peakBefore, statusKiB("VmHWM"));
    return 0;
}
