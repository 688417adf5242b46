#include "EditorFixture.h"

#include "base/Language.h"
#include "widgets/FileDialogs.h"
#include "transfer/ProcessLink.h"

#include <QComboBox>
#include <QLineEdit>

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

QStringList panelTexts(Form2 &form, const QStringList &texts)
{
    QStringList result;
    for (int i = 0; i < 7; ++i) {
        if (!texts.isEmpty())
            form.text1(i)->setText(texts[i]);
        result.append(form.text1(i)->text());
    }
    if (!texts.isEmpty())
        form.combo5()->setCurrentIndex(form.combo5()->findText(texts[7]));
    return result << form.combo5()->currentText();
}

} // namespace plandor::test
