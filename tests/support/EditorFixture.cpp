#include "EditorFixture.h"

#include "app/Language.h"
#include "app/ui/FileDialogs.h"
#include "transfer/ProcessLink.h"

namespace plandor::test {

EditorFixture::EditorFixture(qint16 languageOffset)
{
    LanguageOffset = languageOffset;
    auto scripted = std::make_unique<ScriptedLink>();
    link = scripted.get();
    ProcessLink::set(std::move(scripted));
    form = std::make_unique<Form2>();
    form->show();
}

EditorFixture::~EditorFixture()
{
    form.reset();
    ProcessLink::reset();
    FileDialogs::clearQueue();
    LanguageOffset = 500;
}

QString EditorFixture::buttonStates() const
{
    QString states;
    for (int i = 1; i <= 9; ++i)
        states += form->isButtonEnabled(i) ? QLatin1Char('E') : QLatin1Char('D');
    return states;
}

} // namespace plandor::test
