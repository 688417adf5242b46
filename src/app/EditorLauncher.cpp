#include "app/EditorLauncher.h"

#include "app/StartupChoice.h"
#include "app/StartupMemory.h"
#include "app/ui/Form1.h"
#include "base/Language.h"
#include "editor/BulkEdits.h"
#include "editor/EditorWindow.h"
#include "editor/PlanExchange.h"
#include "editor/PlanPrint.h"
#include "editor/PlanTools.h"
#include "editor/WindowCommands.h"
#include "store/ChannelStore.h"

#include <utility>

namespace plandor {

EditorLauncher::EditorLauncher(StoreSource store)
    : m_storeSource(std::move(store))
{ }

EditorLauncher::~EditorLauncher()
{
    // The editor works on a store that may go with the launcher.
    delete m_editor.data();
}

EditorWindow *EditorLauncher::editor() const
{
    return m_editor;
}

void EditorLauncher::follow(Form1 &form)
{
    connect(&form, &Form1::accepted, this, &EditorLauncher::open);
}

void EditorLauncher::open(const StartupChoice &choice)
{
    choice.handToLink();
    if (!m_editor) {
        ChannelStore *store = m_storeSource ? m_storeSource() : nullptr;
        if (!store) {
            m_ownStore = std::make_unique<ChannelStore>();
            store = m_ownStore.get();
        }
        m_editor = new EditorWindow(*store);
        // The standard plans, the spectrum and the plan check.
        PlanTools::attach(*m_editor);
        // History, Compare and CSV behind one toolbar button.
        PlanExchange::attach(*m_editor);
        PlanPrint::attach(*m_editor);
        // Many channels changed at once, and Fill.
        BulkEdits::attach(*m_editor);
        m_editor->setAttribute(Qt::WA_DeleteOnClose);
        // A port chosen in the editor goes to the link and is offered at
        // the next start, as the start-up window's choice is.
        connect(m_editor->windowCommands(), &WindowCommands::portChosen, this,
            [](const PortSetting &setting) {
                const StartupChoice chosen { setting.port, setting.rate, LanguageOffset };
                StartupMemory::remember(chosen);
                chosen.handToLink();
            });
    }
    m_editor->windowCommands()->setPortSetting({ choice.port, choice.rate });
    m_editor->show();
    // Once shown, so that what Open tells (a refusal, a plan too large) has
    // its window; a refused file leaves the editor with its plan.
    if (!m_planFile.isEmpty())
        m_editor->openPlanFile(std::exchange(m_planFile, QString()));
}

} // namespace plandor
