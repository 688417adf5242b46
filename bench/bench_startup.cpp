// Time from process start to the start-up window's first paint, for Plandor
// and for a minimal Qt Widgets program that shows one empty window, measured
// alternately in the same run; and the peak memory of both.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
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

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString dir = QCoreApplication::applicationDirPath();
    const QString plandor = dir + QStringLiteral("/../plandor");
    const QString minimal = dir + QStringLiteral("/bench_minimal_window");
    const int runs = argc > 1 ? std::max(3, atoi(argv[1])) : 21;

    QTemporaryDir ports;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PLANDOR_QUIT_WHEN_SHOWN"), QStringLiteral("1"));
    env.insert(QStringLiteral("PLANDOR_PORTS_DIR"), ports.path());
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")) && !env.contains(QStringLiteral("DISPLAY")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    std::vector<double> plandorMs, minimalMs, ratios;
    long plandorPeak = 0, minimalPeak = 0;
    Sample warm;
    runOnce(plandor, env, warm); // fill the file cache for both
    runOnce(minimal, env, warm);
    for (int i = 0; i < runs; ++i) {
        Sample p, m;
        if (!runOnce(plandor, env, p) || !runOnce(minimal, env, m)) {
            std::fprintf(stderr, "a run did not show its window\n");
            return 1;
        }
        plandorMs.push_back(p.ms);
        minimalMs.push_back(m.ms);
        ratios.push_back(p.ms / m.ms);
        plandorPeak = std::max(plandorPeak, p.peakKiB);
        minimalPeak = std::max(minimalPeak, m.peakKiB);
    }
    std::printf("start-up to first paint, %d runs each (platform %s)\n", runs,
                qPrintable(env.value(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"))));
    std::printf("  plandor          median %8.1f ms   peak memory %7ld KiB\n", median(plandorMs),
                plandorPeak);
    std::printf("  minimal window   median %8.1f ms   peak memory %7ld KiB\n", median(minimalMs),
                minimalPeak);
    std::printf("  median ratio plandor/minimal: %.3f (goal <= 1.3)\n", median(ratios));
    return 0;
}
