#include "base/MessageBox.h"

#include "base/TextCatalogue.h"

#include <cstdio>

namespace plandor {
namespace {
MessagePrompter *g_prompter = nullptr;
}

MessageAnswer MessageBox::show(const QString &text, MessageStyle style, const QString &title)
{
    if (g_prompter)
        return g_prompter->prompt(text, style, title);
    std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    return style == MessageStyle::QuestionYesNo ? MessageAnswer::No : MessageAnswer::Ok;
}

MessageAnswer MessageBox::showCatalogue(qint16 id, MessageStyle style)
{
    return show(CatalogueText(id), style, CatalogueText(2));
}

void MessageBox::setPrompter(MessagePrompter *prompter)
{
    g_prompter = prompter;
}

MessagePrompter *MessageBox::prompter()
{
    return g_prompter;
}

} // namespace plandor
