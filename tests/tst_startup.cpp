// The start-up window, the language of the run and the text catalogue.
#include "RecordingPrompter.h"
#include "ScriptedLink.h"
#include "TempStore.h"

#include "app/Language.h"
#include "app/TextCatalogue.h"
#include "app/ui/Form1.h"
#include "editor/Form2.h"
#include "transfer/ProcessLink.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QtTest>

using namespace plandor;
using namespace plandor::test;

class StartupTest : public QObject
{
    Q_OBJECT

private:
    ScriptedLink *m_link = nullptr;
    int m_linksMade = 0;

    std::unique_ptr<Form1> makeForm(QStringList ports, quint16 langId = kLangIdEnglishUS)
    {
        return std::make_unique<Form1>([ports] { return ports; }, [langId] { return langId; });
    }

private slots:
    void init()
    {
        ProcessLink::reset();
        m_linksMade = 0;
        ProcessLink::setFactory([this] {
            ++m_linksMade;
            auto link = std::make_unique<ScriptedLink>();
            m_link = link.get();
            return link;
        });
    }

    void cleanup()
    {
        ProcessLink::reset();
        ProcessLink::setFactory({});
        LanguageOffset = kEnglishOffset;
    }

    void languageIdentifiers_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("langId");
        QTest::addColumn<int>("offset");
        QTest::newRow("Chinese, PRC") << "zh_CN.UTF-8" << 2052 << 0;
        QTest::newRow("English, US") << "en_US.UTF-8" << 1033 << 500;
        QTest::newRow("Japanese") << "ja_JP" << 1041 << 500;
        QTest::newRow("Chinese, Taiwan") << "zh_TW" << 1028 << 500;
        QTest::newRow("English, UK") << "en_GB" << 2057 << 500;
        QTest::newRow("German, dash form") << "de-DE" << 1031 << 500;
        QTest::newRow("C locale") << "C" << 0 << 500;
    }
    void languageIdentifiers()
    {
        QFETCH(QString, locale);
        QFETCH(int, langId);
        QFETCH(int, offset);
        QCOMPARE(int(LangIdForLocaleName(locale)), langId);
        QCOMPARE(int(LanguageOffsetFor(quint16(langId))), offset);
    }

    void catalogueHoldsBothLanguagesWhole()
    {
        const QList<qint16> keys = TextCatalogue::keys();
        QCOMPARE(keys.size(), 144);
        for (qint16 id = 1; id <= 72; ++id) {
            QVERIFY2(TextCatalogue::contains(id), qPrintable(QString::number(id)));
            QVERIFY2(TextCatalogue::contains(qint16(id + 500)), qPrintable(QString::number(id)));
            QVERIFY(!TextCatalogue::entry(id).isEmpty());
        }
        QVERIFY(!TextCatalogue::contains(0));
        QVERIFY(!TextCatalogue::contains(73));
        QVERIFY(!TextCatalogue::contains(573));
    }

    void catalogueTextsKeepTheirBlanksAndQuotes()
    {
        LanguageOffset = kEnglishOffset;
        QCOMPARE(CatalogueText(7), QStringLiteral("Upload"));
        QCOMPARE(CatalogueText(45), QStringLiteral("    ID"));
        QCOMPARE(CatalogueText(15), QStringLiteral("  CH No"));
        QCOMPARE(CatalogueText(38),
                 QStringLiteral("You must set Tilt to \"N\" for channel to be disabled !"));
        QCOMPARE(CatalogueText(59), QStringLiteral("'STD CH' should not  be Chinese"));
        QCOMPARE(CatalogueText(67), QStringLiteral("Please input correct ID "));
        QCOMPARE(CatalogueText(2), QStringLiteral("Plandor"));
        LanguageOffset = kChineseOffset;
        QCOMPARE(CatalogueText(7), QStringLiteral("上传 "));
        QCOMPARE(CatalogueText(15), QStringLiteral("   频道表"));
        QCOMPARE(CatalogueText(2), QStringLiteral("Plandor"));
        QCOMPARE(ProgramTitleWithVersion(), QStringLiteral("Plandor V1.25"));
    }

    void portsShowInEnumerationOrderWithTheLastPreselected()
    {
        auto form = makeForm({"COM3", "COM1", "COM4"});
        auto *combo = form->findChild<QComboBox *>("Combo1");
        QVERIFY(combo);
        QCOMPARE(combo->count(), 3);
        QCOMPARE(combo->itemText(0), QStringLiteral("COM3"));
        QCOMPARE(combo->itemText(1), QStringLiteral("COM1"));
        QCOMPARE(combo->itemText(2), QStringLiteral("COM4"));
        QCOMPARE(combo->currentText(), QStringLiteral("COM4"));

        auto *rates = form->findChild<QComboBox *>("Combo2");
        QCOMPARE(rates->count(), 9);
        QCOMPARE(rates->itemText(0), QStringLiteral("4800"));
        QCOMPARE(rates->itemText(8), QStringLiteral("256000"));
        QCOMPARE(rates->currentText(), QStringLiteral("9600"));
    }

    void captionsFollowTheSystemLanguage_data()
    {
        QTest::addColumn<int>("langId");
        QTest::addColumn<QString>("ok");
        QTest::addColumn<QString>("port");
        QTest::addColumn<bool>("chineseSelected");
        QTest::newRow("2052") << 2052 << QStringLiteral("确定") << QStringLiteral("串口号") << true;
        QTest::newRow("1033") << 1033 << QStringLiteral("OK") << QStringLiteral("COM") << false;
        QTest::newRow("1041") << 1041 << QStringLiteral("OK") << QStringLiteral("COM") << false;
    }
    void captionsFollowTheSystemLanguage()
    {
        QFETCH(int, langId);
        QFETCH(QString, ok);
        QFETCH(QString, port);
        QFETCH(bool, chineseSelected);
        auto form = makeForm({}, quint16(langId));
        QCOMPARE(form->findChild<QPushButton *>("Command1")->text(), ok);
        QCOMPARE(form->findChild<QLabel *>("Label2")->text(), port);
        QCOMPARE(form->findChild<QLabel *>("XPForm1")->text(), QStringLiteral("Plandor V1.25"));
        QCOMPARE(form->findChild<QRadioButton *>("Option1")->isChecked(), chineseSelected);
        QCOMPARE(form->findChild<QRadioButton *>("Option2")->isChecked(), !chineseSelected);
    }

    void optionButtonsSwitchTheLanguageOfTheRun()
    {
        auto form = makeForm({}, kLangIdEnglishUS);
        form->show();
        QTest::mouseClick(form->findChild<QRadioButton *>("Option1"), Qt::LeftButton);
        QCOMPARE(LanguageOffset, kChineseOffset);
        QCOMPARE(form->findChild<QPushButton *>("Command2")->text(), QStringLiteral("返回"));
        QCOMPARE(form->findChild<QToolButton *>("Command3")->toolTip(), QStringLiteral("关闭"));
        QTest::mouseClick(form->findChild<QRadioButton *>("Option2"), Qt::LeftButton);
        QCOMPARE(LanguageOffset, kEnglishOffset);
        QCOMPARE(form->findChild<QPushButton *>("Command2")->text(), QStringLiteral("Cancel"));
    }

    void okHandsThePortToTheLink_data()
    {
        QTest::addColumn<QString>("portText");
        QTest::addColumn<int>("number");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("COM3") << "COM3" << 3 << QStringList();
        QTest::newRow("COM10") << "COM10" << 10 << QStringList();
        QTest::newRow("COM alone") << "COM" << 0 << QStringList();
        QTest::newRow("empty") << "" << 0 << QStringList();
        QTest::newRow("device path") << "/dev/ttyUSB0" << 0 << QStringList{"/dev/ttyUSB0"};
    }
    void okHandsThePortToTheLink()
    {
        QFETCH(QString, portText);
        QFETCH(int, number);
        QFETCH(QStringList, names);
        TempStore store;
        auto form = makeForm({"COM1"});
        form->show();
        auto *combo = form->findChild<QComboBox *>("Combo1");
        combo->setCurrentText(portText);
        // The baud rate is offered but changes nothing the link receives.
        form->findChild<QComboBox *>("Combo2")->setCurrentText("115200");
        QTest::mouseClick(form->findChild<QPushButton *>("Command1"), Qt::LeftButton);

        QVERIFY(m_link);
        QCOMPARE(m_link->ports, QList<qint16>{qint16(number)});
        QCOMPARE(m_link->portNames, names);
        QVERIFY(form->editor());
        QVERIFY(form->editor()->isVisible());
        QCOMPARE(form->editor()->windowTitle(), QStringLiteral("Plandor V1.25"));
        QVERIFY(!form->isVisible());
        form->editor()->close();
    }

    void portNumberRule_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("number");
        QTest::newRow("COM12") << "COM12" << 12;
        QTest::newRow("trailing text") << "COM7 (USB)" << 7;
        QTest::newRow("a half rounds to even") << "COM2.5" << 2;
        QTest::newRow("too large for 16 bits") << "COM99999" << 0;
        QTest::newRow("short") << "CO" << 0;
    }
    void portNumberRule()
    {
        QFETCH(QString, text);
        QFETCH(int, number);
        QCOMPARE(int(Form1::PortNumberFor(text)), number);
    }

    void cancelAndCloseEndWithoutAnEditor_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("Cancel") << "Command2";
        QTest::newRow("close") << "Command3";
    }
    void cancelAndCloseEndWithoutAnEditor()
    {
        QFETCH(QString, button);
        auto form = makeForm({"COM1"});
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QTest::mouseClick(form->findChild<QAbstractButton *>(button), Qt::LeftButton);
        QVERIFY(!form->isVisible());
        QVERIFY(!form->editor());
        // No window is left open, so the program ends.
        const auto windows = QApplication::topLevelWidgets();
        for (QWidget *w : windows)
            QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
        QVERIFY(m_link->ports.isEmpty());
    }

    void theLinkIsCreatedOnce()
    {
        auto first = makeForm({});
        auto second = makeForm({});
        QCOMPARE(m_linksMade, 1);
        QVERIFY(ProcessLink::get());
    }
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
