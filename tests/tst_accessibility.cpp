// Every control a person can reach carries an object name (for UI
// automation) and a name that a screen reader reads out, in either language.
#include "EditorFixture.h"
#include "TempStore.h"

#include "app/EditorLauncher.h"
#include "app/ui/Form1.h"
#include "base/Language.h"
#include "base/TextCatalogue.h"
#include "editor/EditorWindow.h"
#include "transfer/ProcessLink.h"

#include <QtTest>
#include <QtWidgets>

using namespace plandor;
using namespace plandor::test;

namespace {

// The widgets a person operates or reads, leaving out the parts that Qt
// builds inside its own widgets (their names start with "qt_", or they belong
// to a combo box or a scroll area's frame).
bool isControl(QWidget *widget)
{
    for (QWidget *up = widget; up; up = up->parentWidget()) {
        if (up->objectName().startsWith(QLatin1String("qt_"))
            || (up != widget && qobject_cast<QComboBox *>(up)))
            return false;
    }
    if (qobject_cast<QAbstractScrollArea *>(widget->parentWidget()))
        return false; // a view's own headers and scroll bars
    return qobject_cast<QAbstractButton *>(widget) || qobject_cast<QLineEdit *>(widget)
        || qobject_cast<QComboBox *>(widget) || qobject_cast<QAbstractItemView *>(widget)
        || qobject_cast<QProgressBar *>(widget) || widget->focusPolicy() != Qt::NoFocus;
}

// "Form1 > Combo1: no accessible name" for each control that lacks a name.
QStringList unnamedControls(QWidget *window)
{
    QStringList problems;
    QList<QWidget *> widgets = window->findChildren<QWidget *>();
    widgets.prepend(window);
    for (QWidget *widget : std::as_const(widgets)) {
        if (!widget->isVisibleTo(window) || !isControl(widget))
            continue;
        const QString name = widget->objectName();
        const QString where = window->objectName() + QStringLiteral(" > ")
            + (name.isEmpty() ? QString::fromLatin1(widget->metaObject()->className()) : name);
        if (name.isEmpty())
            problems << where + QStringLiteral(": no object name");
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
        if (!accessible || accessible->text(QAccessible::Name).trimmed().isEmpty())
            problems << where + QStringLiteral(": no accessible name");
    }
    return problems;
}

// Each name of a control that is not trimmed, or that another control or
// label of the same window reads out too: "Download" twice could be either
// button, and so could a name that another begins with. A label that names
// its buddy is that control's name, not another.
QStringList ambiguousNames(QWidget *window)
{
    QStringList problems;
    QMultiHash<QString, QString> owners;
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        auto *label = qobject_cast<QLabel *>(widget);
        if (!widget->isVisibleTo(window) || !(isControl(widget) || label))
            continue;
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
        const QString name = accessible ? accessible->text(QAccessible::Name) : QString();
        if (name.trimmed().isEmpty())
            continue; // a label without text; an unnamed control is told above
        if (label && label->buddy() && label->buddy()->accessibleName() == name.trimmed())
            continue;
        if (!label && name != name.trimmed())
            problems << widget->objectName() + QStringLiteral(": \"") + name
                    + QStringLiteral("\" is not trimmed");
        owners.insert(name.trimmed(), widget->objectName());
    }
    const QStringList names = owners.uniqueKeys();
    for (const QString &name : names) {
        if (owners.count(name) > 1)
            problems << QStringLiteral("\"%1\" names %2")
                            .arg(name, QStringList(owners.values(name)).join(QStringLiteral(", ")));
        // "Download" and "Download panel": the first is heard as either.
        for (const QString &longer : names) {
            if (longer.startsWith(name + u' '))
                problems << QStringLiteral("\"%1\" is the start of \"%2\"").arg(name, longer);
        }
    }
    return problems;
}

// Whether the accessibility tree shows widget now.
bool presentToReaders(QWidget *widget)
{
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible && !accessible->state().invisible;
}

} // namespace

class AccessibilityTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_settings; // OK remembers its port here, not in the user's settings

private slots:
    void initTestCase() { qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_settings.path())); }

    void everyControlIsNamed_data()
    {
        QTest::addColumn<quint16>("language");
        QTest::newRow("English") << quint16(kLangIdEnglishUS);
        QTest::newRow("Chinese") << quint16(kLangIdChinesePRC);
    }
    void everyControlIsNamed()
    {
        QFETCH(quint16, language);
        TempStore store;
        store.seed(
            { TempStore::row(1, "C2", "TV", 55.25, 6.5), TempStore::row(2, "S1", "DIGI", 114, 8) });
        Form1 form([] { return QStringList { QStringLiteral("/dev/ttyS0") }; },
            [language] { return language; });
        EditorLauncher launcher([&store] { return &store.store(); });
        launcher.follow(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QStringList problems = unnamedControls(&form);

        // The editor, with every feature Form1 attaches, as the OK button opens it.
        QTest::mouseClick(
            form.findChild<QPushButton *>(QStringLiteral("Command1")), Qt::LeftButton);
        EditorWindow *editor = launcher.editor();
        QVERIFY(editor);
        QVERIFY(QTest::qWaitForWindowExposed(editor));
        QCoreApplication::processEvents(); // toolbar buttons are named once made
        problems << unnamedControls(editor);
        // Its menus (behind toolbar buttons): every entry reads as something.
        for (const QMenu *menu : editor->findChildren<QMenu *>()) {
            for (const QAction *action : menu->actions()) {
                if (!action->isSeparator() && action->text().trimmed().isEmpty())
                    problems << menu->objectName() + QStringLiteral(": a menu entry has no text");
            }
        }
        problems << ambiguousNames(editor);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
        LanguageOffset = kEnglishOffset;
    }

    // The progress bar is there for a screen reader while a transfer runs,
    // and not before or after, nor after a transfer that found no instrument.
    void progressBarOnlyDuringATransfer()
    {
        EditorFixture f;
        QWidget *progress = f.form->progressBar();
        QVERIFY(!presentToReaders(progress));
        bool presentDuring = false;
        f.link->duringRead = [&] { presentDuring = presentToReaders(progress); };
        f.click("Upload");
        QVERIFY(presentDuring);
        QVERIFY(!presentToReaders(progress));
        f.link->connectionResult = false;
        f.messages.clear();
        f.click("Upload");
        QCOMPARE(f.messages.texts().value(0).section(u'\n', 0, 0), CatalogueText(16));
        QVERIFY(!presentToReaders(progress));
    }
};

QTEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
