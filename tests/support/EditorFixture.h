#pragma once

#include "RecordingPrompter.h"
#include "ScriptedLink.h"
#include "TempStore.h"

#include "editor/Form2.h"

#include <QStringList>

#include <memory>

namespace plandor::test {

// The main window over a temporary store, with a scripted link as the
// process's link and scripted message boxes, in the language given.
class EditorFixture
{
public:
    explicit EditorFixture(qint16 languageOffset = 500);
    ~EditorFixture();
    EditorFixture(const EditorFixture &) = delete;
    EditorFixture &operator=(const EditorFixture &) = delete;

    TempStore store;
    RecordingPrompter messages;
    ScriptedLink *link = nullptr; // owned by the process link
    std::unique_ptr<Form2> form;

    // Which toolbar buttons (1..9) are enabled, as a string like "EDEDDDDDD".
    QString buttonStates() const;
};

// The panel's seven boxes Text1(0..6) and the unit, in that order; sets them
// first when eight texts are given.
QStringList panelTexts(Form2 &form, const QStringList &texts = {});

} // namespace plandor::test
