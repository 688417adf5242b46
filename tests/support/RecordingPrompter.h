#pragma once

#include "base/MessageBox.h"

#include <QList>
#include <QStringList>

namespace plandor::test {

struct ShownMessage
{
    QString text;
    MessageStyle style = MessageStyle::ExclamationOk;
};

// Answers message boxes from a script and records what was shown. Installs
// itself for its lifetime.
class RecordingPrompter : public MessagePrompter
{
public:
    RecordingPrompter() { MessageBox::setPrompter(this); }
    ~RecordingPrompter() override { MessageBox::setPrompter(m_previous); }

    MessageAnswer prompt(const QString &text, MessageStyle style, const QString &) override
    {
        shown.append({ text, style });
        if (style != MessageStyle::QuestionYesNo)
            return MessageAnswer::Ok;
        return m_answers.isEmpty() ? MessageAnswer::No : m_answers.takeFirst();
    }

    // The answers for the next questions, in order; a question with none left
    // is answered No, an OK-only box OK.
    void queueAnswers(QList<MessageAnswer> answers) { m_answers += answers; }

    QList<ShownMessage> shown;
    QStringList texts() const
    {
        QStringList result;
        for (const ShownMessage &m : shown)
            result.append(m.text);
        return result;
    }
    void clear() { shown.clear(); }

private:
    QList<MessageAnswer> m_answers;
    MessagePrompter *m_previous = MessageBox::prompter();
};

} // namespace plandor::test
