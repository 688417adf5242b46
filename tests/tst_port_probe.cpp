// Finding instruments by themselves: probing ports, and the start-up window
// following ports that come and go.
#include "RecordingPrompter.h"
#include "SimProcess.h"
#include "TestTiming.h"

#include "app/ui/Form1.h"
#include "base/Language.h"
#include "transfer/serial/PortProbe.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QSerialPort>
#include <QtTest>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

using namespace plandor;
using namespace plandor::test;

namespace {

// A pseudo-terminal nobody answers on: its far end is held and never read.
class SilentLine
{
public:
    SilentLine()
        : m_fd(::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
        if (m_fd >= 0 && ::grantpt(m_fd) == 0 && ::unlockpt(m_fd) == 0)
            m_path = QString::fromLocal8Bit(::ptsname(m_fd));
    }
    ~SilentLine()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    QString path() const { return m_path; }

private:
    int m_fd;
    QString m_path;
};

} // namespace

class PortProbeTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase() { qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath("config"))); }

    // Among silent lines and one that another program holds, the probe finds
    // the instrument at the rate it speaks and says who it is; the busy line
    // is left alone (its holder still has it). Silent lines cost a bounded
    // time, all probed at once.
    void findsTheInstrument()
    {
        SimProcess sim(m_dir.filePath("a.state"), m_dir.filePath("ports"));
        QVERIFY(sim.start({ "--baud", "19200" }));
        SilentLine silent, busyLine;
        QVERIFY(!silent.path().isEmpty() && !busyLine.path().isEmpty());
        QSerialPort holder(busyLine.path());
        QVERIFY(holder.open(QIODevice::ReadWrite));

        const QList<ProbeResult> found = PortProbe::probe(
            { silent.path(), sim.port(), busyLine.path(), "/dev/plandor-none" }, { 9600, 19200 });
        QCOMPARE(found.size(), 4);
        QCOMPARE(found[0].outcome, ProbeResult::Outcome::NoAnswer);
        QCOMPARE(found[1].outcome, ProbeResult::Outcome::Answered);
        QCOMPARE(found[1].rate, 19200);
        QCOMPARE(found[1].describe(), "Simulated meter SIM-0001 on " + sim.port());
        QCOMPARE(found[2].outcome, ProbeResult::Outcome::InUse);
        QCOMPARE(found[2].describe(), QStringLiteral("in use by another program"));
        QVERIFY(holder.isOpen() && holder.error() == QSerialPort::NoError);
        QCOMPARE(found[3].outcome, ProbeResult::Outcome::Failed);

        SilentLine more[3];
        QElapsedTimer clock;
        clock.start();
        const QList<ProbeResult> silence
            = PortProbe::probe({ more[0].path(), more[1].path(), more[2].path() }, { 9600 });
        const qint64 elapsed = clock.elapsed();
        QVERIFY2(elapsed < scaledMs(1000), qPrintable(QString::number(elapsed)));
        for (const ProbeResult &result : silence)
            QCOMPARE(result.outcome, ProbeResult::Outcome::NoAnswer);
    }

    // With the window open, an instrument started later appears in the list
    // with its identity and is chosen, at the rate it speaks; a second one
    // does not take the choice from it; when the chosen one goes, the other
    // is chosen, and when that goes too the list no longer has it. OK hands
    // the plain port name.
    void windowFollowsPorts()
    {
        RecordingPrompter messages;
        const QString folder = m_dir.filePath("window-ports");
        SimProcess first(m_dir.filePath("b.state"), folder),
            second(m_dir.filePath("c.state"), folder);
        qputenv("PLANDOR_PORTS_DIR", QFile::encodeName(folder));
        Form1 form({}, [] { return quint16(kLangIdEnglishUS); });
        form.show();
        auto *ports = form.findChild<QComboBox *>("Combo1");
        auto *rates = form.findChild<QComboBox *>("Combo2");
        auto *status = form.findChild<QLabel *>("Label6");
        QVERIFY(ports && rates && status);
        const auto listed = [ports](const QString &target) {
            for (int i = 0; i < ports->count(); ++i) {
                if (QFileInfo(ports->itemText(i)).canonicalFilePath() == target)
                    return ports->itemText(i);
            }
            return QString();
        };

        QVERIFY(first.start({ "--baud", "4800" }));
        QTRY_VERIFY_WITH_TIMEOUT(!listed(first.port()).isEmpty(), scaledMs(5000));
        const QString firstPort = listed(first.port());
        QTRY_COMPARE_WITH_TIMEOUT(
            status->text(), "Simulated meter SIM-0001 on " + first.port(), scaledMs(8000));
        QCOMPARE(ports->currentText(), firstPort);
        QCOMPARE(rates->currentText(), QStringLiteral("4800"));
        QCOMPARE(form.choice().port, firstPort);

        QVERIFY(second.start());
        QTRY_VERIFY_WITH_TIMEOUT(!listed(second.port()).isEmpty(), scaledMs(5000));
        const QString secondPort = listed(second.port());
        QTRY_VERIFY_WITH_TIMEOUT(
            form.portChooser().resultFor(secondPort).has_value(), scaledMs(8000));
        QCOMPARE(ports->currentText(), firstPort);

        first.stop();
        QTRY_COMPARE_WITH_TIMEOUT(ports->findText(firstPort), -1, scaledMs(5000));
        QCOMPARE(ports->currentText(), secondPort);
        QVERIFY(status->text().startsWith("Simulated meter SIM-0001 on "));
        second.stop();
        QTRY_COMPARE_WITH_TIMEOUT(ports->findText(secondPort), -1, scaledMs(5000));
        QVERIFY(messages.texts().isEmpty());
        form.close();
        QVERIFY(!form.portChooser().watching());
    }
};

QTEST_MAIN(PortProbeTest)
#include "tst_port_probe.moc"
