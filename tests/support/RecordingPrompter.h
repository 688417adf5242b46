#pragma once

#include "base/MessageBox.h"

#include <QList>
#include <QString>

namespace plandor::test {

struct ShownMessage
{
    QString text;
    int style = 0;
    QString title;
};

// Answers message boxes from a script and records what was shown. Installs
// itself for its lifetime.
class RecordingPrompter : public MessagePrompter
{
public:
    RecordingPrompter();
    ~RecordingPrompter() override;
    RecordingPrompter(const RecordingPrompter &) = delete;
    RecordingPrompter &operator=(const RecordingPrompter &) = delete;

    int prompt(const QString &text, int style, const QString &title) override;

    // The answers for the next questions, in order; a question with none left
    // is answered No, an OK-only box OK.
    void queueAnswers(QList<int> answers) { m_answers += answers; }

    QList<ShownMessage> shown;
    QStringList texts() const;
    void clear() { shown.clear(); }

private:
    QList<int> m_answers;
    MessagePrompter *m_previous = nullptr;
};

} // namespace plandor::test
