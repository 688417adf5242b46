// The Upload and Download commands end to end: the real window, the serial
// link and the simulated instrument on a pseudo-terminal.
#include "EditorFixture.h"
#include "SimProcess.h"

#include "base/TextCatalogue.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

using namespace plandor;
using namespace plandor::test;

class TransferSimTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        if (!QFileInfo(SimProcess::program()).isExecutable())
            QSKIP("the simulated instrument is not built");
        QVERIFY(m_dir.isValid() && QDir().mkpath(m_dir.filePath("ports")));
    }

    // Upload, change, Download; the instrument keeps the change over a
    // restart, and the next Upload finds it.
    void changeSurvivesARestart()
    {
        EditorFixture f;
        SimProcess sim(m_dir.filePath("instrument.state"), m_dir.filePath("ports"));
        QVERIFY(sim.start());
        f.useSerialLink(sim.port());
        f.click("Upload");
        QVERIFY2(f.messages.shown.isEmpty(), qPrintable(f.messages.texts().join('\n')));
        QList<ChannelValues> changed = f.store.rows();
        QVERIFY(!changed.isEmpty());

        // The last channel moved to the front and renamed, one added, and a
        // new panel; numbered in frequency order as the instrument will.
        changed.prepend(changed.takeLast());
        changed.first().values[ColumnName] = QStringLiteral("X1");
        changed.first().values[ColumnFreq] = 48.5;
        changed.first().values[ColumnAudio1] = 5.0;
        changed.append(TempStore::row(0, "Z9", "DIGI", 858.0, 8.0));
        for (qsizetype i = 0; i < changed.size(); ++i)
            changed[i].values[ColumnId] = qint64(i + 1);
        f.store.seed(changed);
        f.form->reload(PlanOrder::ByFreq);
        panelTexts(*f.form, { "7", "0", "250", "9", "6.5", "3", "9", "dBuV" });
        f.click("Download");
        QCOMPARE(f.messages.texts(), QStringList { CatalogueText(18) });

        // Forget everything on the PC side, restart the instrument, read again.
        f.store.seed({});
        f.form->reload(PlanOrder::ByFreq);
        panelTexts(*f.form, QStringList(8));
        QVERIFY(sim.start());
        f.useSerialLink(sim.port());
        f.click("Upload");
        QCOMPARE(f.messages.texts(), QStringList { CatalogueText(18) }); // nothing new
        QCOMPARE(f.store.rows(), changed);
        // The bandwidth travels in whole MHz: 6.5 comes back as 6.
        QCOMPARE(panelTexts(*f.form), QStringList({ "7", "0", "250", "9", "6", "3", "9", "dBuV" }));
    }
};

QTEST_MAIN(TransferSimTest)
#include "tst_transfer_sim.moc"
