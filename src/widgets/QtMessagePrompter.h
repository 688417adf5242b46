#pragma once

#include "base/MessageBox.h"

namespace plandor {

// Real modal message boxes: the icon and buttons that the style value names.
class QtMessagePrompter : public MessagePrompter
{
public:
    MessageAnswer prompt(const QString &text, MessageStyle style, const QString &title) override;
};

} // namespace plandor
