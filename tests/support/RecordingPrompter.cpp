#include "RecordingPrompter.h"

namespace plandor::test {

RecordingPrompter::RecordingPrompter()
    : m_previous(MessageBox::prompter())
{
    MessageBox::setPrompter(this);
}

RecordingPrompter::~RecordingPrompter()
{
    MessageBox::setPrompter(m_previous);
}

int RecordingPrompter::prompt(const QString &text, int style, const QString &title)
{
    shown.append({ text, style, title });
    if (style != StyleQuestionYesNo)
        return AnswerOk;
    return m_answers.isEmpty() ? AnswerNo : m_answers.takeFirst();
}

QStringList RecordingPrompter::texts() const
{
    QStringList result;
    for (const ShownMessage &m : shown)
        result.append(m.text);
    return result;
}

} // namespace plandor::test
