// Qt's own texts follow the run's language: a Chinese run's message box
// buttons come from Qt's Chinese translation, an English run's stay English.
#include "base/Language.h"
#include "base/QtTranslations.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

using namespace plandor;

class QtTranslationsTest : public QObject
{
    Q_OBJECT

private slots:
    void messageBoxButtons()
    {
        QVERIFY2(QtTranslations::install(kChineseOffset),
            "qtbase_zh_CN.qm is missing (package qt6-translations-l10n)");
        {
            QMessageBox box(QMessageBox::Question, QStringLiteral("Plandor"), QStringLiteral("?"),
                QMessageBox::Yes | QMessageBox::No);
            QCOMPARE(box.button(QMessageBox::Yes)->text().remove(QLatin1Char('&')).left(1),
                QStringLiteral("是"));
            QCOMPARE(box.button(QMessageBox::No)->text().remove(QLatin1Char('&')).left(1),
                QStringLiteral("否"));
        }
        // Back to English: the Chinese translator is gone again.
        QVERIFY(QtTranslations::install(kEnglishOffset));
        QMessageBox box(QMessageBox::Question, QStringLiteral("Plandor"), QStringLiteral("?"),
            QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.button(QMessageBox::Yes)->text(), QStringLiteral("&Yes"));
    }
};

QTEST_MAIN(QtTranslationsTest)
#include "tst_qt_translations.moc"
