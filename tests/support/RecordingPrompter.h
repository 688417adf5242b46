#pragma once

#include "base/MessageBox.h"

#include <QList>
#include <QStringList>

namespace plandor::test {

struct ShownMessage
{
    QString text;
    int style = 0;
};

// Answers message boxes from a script and records what was shown. Installs
// itself for its lifetime.
class RecordingPrompter : public MessagePrompter
{
public:
    RecordingPrompter() { MessageBox::setPrompter(this); }
    ~RecordingPrompter() override { MessageBox::setPrompter(m_previous); }

    int prompt(const QString &text, int style, const QString &) override
    {
        shown.append({ text, style });
        if (style != StyleQuestionYesNo)
            return AnswerOk;
        return m_answers.isEmpty() ? AnswerNo : m_answers.takeFirst();
    }

    // The answers for the next questions, in order; a question with none left
    // is answered No, an OK-only box OK.
    void queueAnswers(QList<int> answers) { m_answers += answers; }

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
    QList<int> m_answers;
    MessagePrompter *m_previous = MessageBox::prompter();
};

} // namespace plandor::test
