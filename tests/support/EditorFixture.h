#pragma once

#include "RecordingPrompter.h"
#include "ScriptedLink.h"
#include "TempStore.h"

#include "editor/EditorWindow.h"
#include "store/ChannelStore.h"

#include <QStringList>

#include <memory>

class QAbstractItemModel;
class QAbstractItemModelTester;
class QComboBox;
class QLineEdit;

namespace plandor::test {

// The editor window over a temporary store shared as the program shares it,
// with a scripted link as the process's link, scripted message boxes and a
// model tester on the grid's model, in the language given.
class EditorFixture
{
public:
    explicit EditorFixture(qint16 languageOffset = 500);
    ~EditorFixture();
    EditorFixture(const EditorFixture &) = delete;
    EditorFixture &operator=(const EditorFixture &) = delete;

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
    QLineEdit *box(int index) const; // Text1(index)
    QComboBox *unit() const; // Combo5

private:
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

// The panel's seven boxes Text1(0..6) and the unit, in that order; sets them
// first when eight texts are given.
QStringList panelTexts(EditorWindow &form, const QStringList &texts = {});

// Each row's texts as the grid shows them, the columns separated by blanks.
QStringList gridTexts(const QAbstractItemModel *model, int role = Qt::DisplayRole);

} // namespace plandor::test
