#pragma once

#include <QString>
#include <QtGlobal>

namespace plandor {

// What the user accepted in the start-up window: the port as it was chosen or
// typed, the line speed and the language of the run.
struct StartupChoice
{
    QString port; // trimmed; a COM name or a device path
    qint32 rate = 0; // 0 when the Rate box holds no number
    qint16 languageOffset = 0;

    // The port number handed to the link: the text from its fourth character
    // on, read as a number (COM3 gives 3, COM alone or a device path 0).
    static qint16 portNumberFor(const QString &portText);
    qint16 portNumber() const { return portNumberFor(port); }

    // Hands the port (a device without a COM number by its name too) and the
    // rate to the run's device link, if there is one.
    void handToLink() const;
};

} // namespace plandor
