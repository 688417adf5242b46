#pragma once

#include <QString>

namespace plandor {

// Style values of a message box: icon and buttons together.
enum MessageStyle : int {
    StyleExclamationOk = 48, // refused values, empty plans, unreachable instrument
    StyleInformationOk = 64, // transfer results
    StyleQuestionYesNo = 36, // confirmations
};

// What the user answered.
enum MessageAnswer : int {
    AnswerOk = 1,
    AnswerYes = 6,
    AnswerNo = 7,
};

// Shows one modal message and returns the answer. The program installs one
// that opens real boxes; tests install one that answers from a script.
class MessagePrompter
{
public:
    virtual ~MessagePrompter() = default;
    virtual int prompt(const QString &text, int style, const QString &title) = 0;
};

// The one way any part of Plandor shows a message box.
class MessageBox
{
public:
    static int show(const QString &text, int style, const QString &title);
    // The text of catalogue id under the program title (id 2).
    static int showCatalogue(qint16 id, int style);

    // Not owned. With none installed a message goes to standard error and is
    // answered OK (or No for a question).
    static void setPrompter(MessagePrompter *prompter);
    static MessagePrompter *prompter();
};

} // namespace plandor
