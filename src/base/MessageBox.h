#pragma once

#include <QString>

namespace plandor {

// A message box's icon and buttons together.
enum class MessageStyle : quint8 {
    ExclamationOk, // refused values, empty plans, unreachable instrument
    InformationOk, // transfer results
    QuestionYesNo, // confirmations
};

// What the user answered.
enum class MessageAnswer : quint8 { Ok, Yes, No };

// Shows one modal message and returns the answer. The program installs one
// that opens real boxes; tests install one that answers from a script.
class MessagePrompter
{
public:
    virtual ~MessagePrompter() = default;
    virtual MessageAnswer prompt(const QString &text, MessageStyle style, const QString &title) = 0;
};

// The one way any part of Plandor shows a message box.
class MessageBox
{
public:
    static MessageAnswer show(const QString &text, MessageStyle style, const QString &title);
    // The text of catalogue id under the program title (id 2).
    static MessageAnswer showCatalogue(qint16 id, MessageStyle style);

    // Not owned. With none installed a message goes to standard error and is
    // answered OK (or No for a question).
    static void setPrompter(MessagePrompter *prompter);
    static MessagePrompter *prompter();
};

} // namespace plandor
