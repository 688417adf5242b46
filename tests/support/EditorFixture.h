#pragma once

#include "RecordingPrompter.h"
#include "ScriptedLink.h"
#include "TempStore.h"

#include "editor/EditorWindow.h"

#include <QComboBox>
#include <QLineEdit>

class QAbstractItemModelTester;

namespace plandor::test {

// The panel's box Text1(index) and its unit list Combo5.
inline QLineEdit *panelBox(const EditorWindow &form, int index)
{
    return form.findChild<QLineEdit *>(QStringLiteral("Text1(%1)").arg(index));
}
inline QComboBox *panelUnit(const EditorWindow &form)
{
    return form.findChild<QComboBox *>(QStringLiteral("Combo5"));
}

// The editor window over a temporary store shared as the program shares it,
// with a scripted link as the process's link, scripted message boxes and a
// model tester on the grid's model, in the language given.
class EditorFixture
{
public:
    explicit EditorFixture(qint16 languageOffset = 500);
    ~EditorFixture();

    TempStore store;
    ChannelStore channels { store.path() };
    RecordingPrompter messages;
    ScriptedLink *link = nullptr; // owned by the process link
    std::unique_ptr<EditorWindow> form;

    // Seeds the store and shows it in the grid with the buttons of a loaded plan.
    void load(const QList<ChannelValues> &rows, PlanOrder order = PlanOrder::ById);
    // Which toolbar buttons (Upload..Order) are enabled, as "EDEDDDDDD".
    QString buttonStates() const;
    // Clicks a toolbar button by its key ("Upload", ...); it must be enabled.
    void click(const char *key);
    // A serial link to this port replaces the scripted one as the process's link.
    void useSerialLink(const QString &port);
    QLineEdit *box(int index) const { return panelBox(*form, index); }
    QComboBox *unit() const { return panelUnit(*form); }

private:
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

// The panel's seven boxes Text1(0..6) and the unit, in that order; sets them
// first when eight texts are given.
QStringList panelTexts(EditorWindow &form, const QStringList &texts = {});

// Each row's texts as the grid shows them, the columns separated by blanks.
QStringList gridTexts(const QAbstractItemModel *model, int role = Qt::DisplayRole);

} // namespace plandor::test
