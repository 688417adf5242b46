// Time from process start to the first paint of the start-up window, for the
// program's real start (bench_startup_window: lock, device link, Form1), for
// a plain Qt dialog with the same kinds of widgets, for an empty window and
// for that window with one label, run in turn in the same run; and the peak
// memory of each. The labelled window shows what any text costs over the
// empty one.
// Usage: bench_startup [runs, default 21]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

namespace {

struct Sample
{
    double ms = 0;
    long peakKiB = 0;
};

bool runOnce(const QString &program, const QProcessEnvironment &env, Sample &out)
{
    QProcess process;
    process.setProcessEnvironment(env);
    QElapsedTimer timer;
    timer.start();
    process.start(program, {});
    if (!process.waitForStarted(10000))
        return false;
    QByteArray output;
    while (!output.contains('\n')) {
        if (!process.waitForReadyRead(20000))
            return false;
        output += process.readAllStandardOutput();
    }
    out.ms = double(timer.nsecsElapsed()) / 1e6;
    const QList<QByteArray> words = output.trimmed().split(' ');
    if (words.value(0) != "shown")
        return false;
    out.peakKiB = words.value(1).toLong();
    process.waitForFinished(10000);
    return true;
}

template <typename T> T median(std::vector<T> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? T {} : v[v.size() / 2];
}

struct Program
{
    const char *label;
    QString path;
    std::vector<double> ms;
    std::vector<long> peakKiB;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString dir = QCoreApplication::applicationDirPath();
    const int runs = argc > 1 ? std::max(3, atoi(argv[1])) : 21;
    std::array<Program, 4> programs { {
        { "start-up window", dir + QStringLiteral("/bench_startup_window"), {}, {} },
        { "same-widget dialog", dir + QStringLiteral("/bench_minimal_dialog"), {}, {} },
        { "empty window", dir + QStringLiteral("/bench_minimal_window"), {}, {} },
        { "window with a label", dir + QStringLiteral("/bench_minimal_label"), {}, {} },
    } };

    QTemporaryDir scratch;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PLANDOR_PORTS_DIR"), scratch.filePath(QStringLiteral("ports")));
    env.insert(QStringLiteral("PLANDOR_DB"), scratch.filePath(QStringLiteral("bench.db")));
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM"))
        && !env.contains(QStringLiteral("DISPLAY")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    Sample sample;
    for (Program &p : programs) // fill the file cache, create the database
        runOnce(p.path, env, sample);
    std::vector<double> toDialog, toEmpty, dialogToEmpty, labelToEmpty;
    for (int i = 0; i < runs; ++i) {
        for (Program &p : programs) {
            if (!runOnce(p.path, env, sample)) {
                std::fprintf(stderr, "%s did not show its window\n", p.label);
                return 1;
            }
            p.ms.push_back(sample.ms);
            p.peakKiB.push_back(sample.peakKiB);
        }
        toDialog.push_back(programs[0].ms.back() / programs[1].ms.back());
        toEmpty.push_back(programs[0].ms.back() / programs[2].ms.back());
        dialogToEmpty.push_back(programs[1].ms.back() / programs[2].ms.back());
        labelToEmpty.push_back(programs[3].ms.back() / programs[2].ms.back());
    }
    std::printf("start-up to first paint, %d runs each, in turn (platform %s)\n", runs,
        qPrintable(env.value(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"))));
    for (const Program &p : programs)
        std::printf("  %-20s median %8.1f ms   min %8.1f ms   peak memory median %7ld KiB\n",
            p.label, median(p.ms), *std::min_element(p.ms.begin(), p.ms.end()), median(p.peakKiB));
    std::printf("  median ratio start-up window / dialog: %.3f (goal <= 1.15)\n", median(toDialog));
    std::printf("  median ratio start-up window / empty:  %.3f (goal <= 1.3)\n", median(toEmpty));
    std::printf("  median ratio dialog / empty:           %.3f\n", median(dialogToEmpty));
    std::printf("  median ratio one label / empty:        %.3f\n", median(labelToEmpty));
    return 0;
}
