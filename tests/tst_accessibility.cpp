// Every control a person can reach carries an object name (for UI
// automation) and a name that a screen reader reads out, in both languages.
#include "TempStore.h"

#include "app/ui/Form1.h"
#include "base/Language.h"
#include "editor/EditorWindow.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

using namespace plandor;
using namespace plandor::test;

namespace {

// The widgets a person operates or reads, leaving out the parts that Qt
// builds inside its own widgets (their names start with "qt_", or they belong
// to a combo box or a scroll area's frame).
bool isControl(QWidget *widget)
{
    if (widget->objectName().startsWith(QLatin1String("qt_")))
        return false;
    for (QWidget *up = widget->parentWidget(); up; up = up->parentWidget()) {
        if (qobject_cast<QComboBox *>(up) || up->objectName().startsWith(QLatin1String("qt_")))
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
        const QString where = window->objectName() + QStringLiteral(" > ")
            + (widget->objectName().isEmpty()
                    ? QString::fromLatin1(widget->metaObject()->className())
                    : widget->objectName());
        if (widget->objectName().isEmpty())
            problems << where + QStringLiteral(": no object name");
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
        if (!accessible || accessible->text(QAccessible::Name).trimmed().isEmpty())
            problems << where + QStringLiteral(": no accessible name");
    }
    return problems;
}

} // namespace

class AccessibilityTest : public QObject
{
    Q_OBJECT

private slots:
    void everyControlIsNamed_data()
    {
        QTest::addColumn<quint16>("langId");
        QTest::newRow("English") << quint16(kLangIdEnglishUS);
        QTest::newRow("Chinese") << quint16(kLangIdChinesePRC);
    }
    void everyControlIsNamed()
    {
        QFETCH(quint16, langId);
        TempStore store;
        store.seed({ TempStore::row(1, QStringLiteral("C2"), QStringLiteral("TV"), 55.25, 6.5),
            TempStore::row(2, QStringLiteral("S1"), QStringLiteral("DIGI"), 114, 8) });
        Form1 form([] { return QStringList { QStringLiteral("/dev/ttyS0") }; },
            [langId] { return langId; });
        form.setStore(&store.store());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QStringList problems = unnamedControls(&form);

        // The editor, with every feature Form1 attaches, as the OK button opens it.
        QTest::mouseClick(
            form.findChild<QPushButton *>(QStringLiteral("Command1")), Qt::LeftButton);
        EditorWindow *editor = form.editor();
        QVERIFY(editor);
        QVERIFY(QTest::qWaitForWindowExposed(editor));
        QCoreApplication::processEvents(); // toolbar buttons are named once made
        problems << unnamedControls(editor);
        // Menus behind toolbar buttons: every entry reads as something.
        for (QToolButton *button : editor->findChildren<QToolButton *>()) {
            if (QMenu *menu = button->menu()) {
                for (QAction *action : menu->actions()) {
                    if (!action->isSeparator() && action->text().trimmed().isEmpty())
                        problems << button->objectName()
                                + QStringLiteral(": a menu entry has no text");
                }
            }
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
