// The Upload and Download commands end to end: the real window, the serial
// link and the simulated instrument on a pseudo-terminal.
#include "EditorFixture.h"

#include "app/TextCatalogue.h"
#include "editor/PlanGridModel.h"
#include "store/ChannelStore.h"
#include "transfer/ProcessLink.h"
#include "transfer/serial/SerialDeviceLink.h"

#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <memory>

using namespace plandor;
using namespace plandor::test;

namespace {

// One run of the simulated instrument over a state file that outlives it.
class SimRun
{
public:
    SimRun(const QString &statePath, const QString &portsDir)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PLANDOR_PORTS_DIR"), portsDir);
        m_process.setProcessEnvironment(env);
        m_process.start(
            qEnvironmentVariable("PLANDOR_SIM"), { QStringLiteral("--state"), statePath });
        QElapsedTimer clock;
        clock.start();
        while (m_port.isEmpty() && clock.elapsed() < 10000
            && m_process.state() != QProcess::NotRunning) {
            m_process.waitForReadyRead(200);
            m_output += m_process.readAllStandardOutput();
            const int at = m_output.indexOf("port: ");
            const int end = m_output.indexOf('\n', at);
            if (at >= 0 && end > at)
                m_port = QString::fromLocal8Bit(m_output.mid(at + 6, end - at - 6)).trimmed();
        }
    }
    ~SimRun() { stop(); }

    QString port() const { return m_port; }
    QString errors() { return QString::fromLocal8Bit(m_process.readAllStandardError()); }

    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(2000);
    }

private:
    QProcess m_process;
    QByteArray m_output;
    QString m_port;
};

void useSerialLink(EditorFixture &f, const QString &port)
{
    auto link = std::make_unique<SerialDeviceLink>();
    link->SetPortName(port);
    ProcessLink::set(std::move(link));
    f.link = nullptr; // the scripted link is gone
}

void click(EditorFixture &f, const char *key)
{
    auto *button = f.form->findChild<QToolButton *>(QStringLiteral("ToolDs_") + key);
    QVERIFY(button);
    QVERIFY2(button->isEnabled(), key);
    QTest::mouseClick(button, Qt::LeftButton);
}

QStringList panel(const Form2 &form)
{
    QStringList texts;
    for (int i = 0; i < 7; ++i)
        texts.append(form.text1(i)->text());
    return texts << form.combo5()->currentText();
}

// The plan as the instrument keeps it: channels in frequency order; the IDs
// are positions and are left out.
QStringList channels(const TempStore &store)
{
    QStringList result;
    for (const ChannelValues &row :
        store.rows(QStringLiteral("SELECT * FROM ChannelPlanUser ORDER BY Freq"))) {
        QStringList fields;
        for (int c = ColumnName; c <= ColumnAudio1; ++c)
            fields.append(ChannelColumns::toText(c, row.values[c]));
        result.append(fields.join(QLatin1Char('|')));
    }
    return result;
}

} // namespace

class TransferSimTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString statePath() const { return m_dir.filePath(QStringLiteral("instrument.state")); }
    QString portsDir() const { return m_dir.filePath(QStringLiteral("ports")); }

private slots:
    void initTestCase()
    {
        const QString sim = qEnvironmentVariable("PLANDOR_SIM");
        if (sim.isEmpty() || !QFileInfo(sim).isExecutable())
            QSKIP("the simulated instrument is not built");
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir().mkpath(portsDir()));
    }

    // Upload, change, Download; the instrument keeps the change over a
    // restart, and the next Upload finds it.
    void changeSurvivesARestart()
    {
        EditorFixture f;
        QStringList changedPlan;
        QStringList changedPanel;
        {
            SimRun sim(statePath(), portsDir());
            QVERIFY2(!sim.port().isEmpty(), qPrintable(sim.errors()));
            useSerialLink(f, sim.port());

            click(f, "Upload");
            QVERIFY2(f.messages.shown.isEmpty(), qPrintable(f.messages.texts().join('\n')));
            QCOMPARE(f.form->LoadOk, QStringLiteral("Yes"));
            QVERIFY(!channels(f.store).isEmpty());
            QCOMPARE(f.buttonStates(), QStringLiteral("EEEEDDEDE"));

            // The change: one channel renamed and moved, one added, and a
            // new panel.
            ChannelStore store;
            QList<StoredRow> rows;
            QVERIFY(
                store.select(QStringLiteral("SELECT * FROM ChannelPlanUser ORDER BY Freq"), rows));
            ChannelValues moved = rows.first().values;
            moved.values[ColumnName] = QStringLiteral("X1");
            moved.values[ColumnFreq] = 49.75;
            QVERIFY(store.update(rows.first().rowId, moved));
            QVERIFY(store.append({ TempStore::row(
                rows.size() + 1, QStringLiteral("Z9"), QStringLiteral("DIGI"), 858.0, 8.0) }));
            f.form->RefreshDataGrid();
            for (int i = 0; i < 7; ++i)
                f.form->text1(i)->clear();
            const QStringList typed = { "7", "0", "250", "12", "6.5", "3", "9" };
            for (int i = 0; i < 7; ++i)
                QTest::keyClicks(f.form->text1(i), typed[i]);
            f.form->combo5()->setCurrentText(QStringLiteral("dBmV"));
            changedPlan = channels(f.store);
            changedPanel = panel(*f.form);
            QCOMPARE(changedPlan.filter(QRegularExpression(QStringLiteral("^X1\\|\\w+\\|49.75\\|")))
                         .size(),
                1);

            click(f, "Download");
            QCOMPARE(f.messages.texts(), QStringList { CatalogueText(18) });
            f.messages.clear();
            sim.stop();
        }

        // Forget everything on the PC side.
        f.store.seed({});
        f.form->RefreshDataGrid();
        for (int i = 0; i < 7; ++i)
            f.form->text1(i)->clear();
        f.form->combo5()->setCurrentIndex(-1);

        SimRun sim(statePath(), portsDir());
        QVERIFY2(!sim.port().isEmpty(), qPrintable(sim.errors()));
        useSerialLink(f, sim.port());
        click(f, "Upload");
        QVERIFY2(f.messages.shown.isEmpty(), qPrintable(f.messages.texts().join('\n')));
        QCOMPARE(channels(f.store), changedPlan);
        // The bandwidth travels in whole MHz: 6.5 comes back as 6.
        QStringList expectedPanel = changedPanel;
        expectedPanel[4] = QStringLiteral("6");
        QCOMPARE(panel(*f.form), expectedPanel);
        QCOMPARE(f.form->gridModel()->rowCount(), int(changedPlan.size()));
    }

    // An instrument that went away: message 16, the link's reason below it.
    void instrumentGone()
    {
        EditorFixture f;
        QString port;
        {
            SimRun sim(statePath(), portsDir());
            QVERIFY(!sim.port().isEmpty());
            port = sim.port();
        }
        useSerialLink(f, port);
        const QString before = f.buttonStates();
        click(f, "Upload");
        QCOMPARE(f.messages.shown.size(), 1);
        QCOMPARE(f.messages.texts().first().section(QLatin1Char('\n'), 0, 0), CatalogueText(16));
        QCOMPARE(f.buttonStates(), before);
    }
};

QTEST_MAIN(TransferSimTest)
#include "tst_transfer_sim.moc"
