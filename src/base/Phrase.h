#pragma once

#include <QString>

namespace plandor {

// A text Plandor shows the user beyond the numbered catalogue entries: both
// languages side by side, so that no message of the core or of a newer
// window reaches a Chinese run in English. Declare phrases as constants next
// to the code that shows them:
//     constexpr Phrase kPortBusy{u"串口已被其他程序占用", u"The port is in use by another
//     program"};
// and show kPortBusy.text(), with .arg() for placeholders.
struct Phrase
{
    const char16_t *chinese;
    const char16_t *english;

    // The text in the run's language (LanguageOffset).
    QString text() const;
    // The text in the given language, for tests and for files written in
    // another language than the run's.
    QString text(qint16 languageOffset) const;
};

} // namespace plandor
