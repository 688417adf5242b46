#include "base/ProgramVersion.h"

#include <QtGlobal>

namespace plandor {

QString ProgramVersion::number()
{
    return QStringLiteral(PLANDOR_VERSION);
}

QString ProgramVersion::line(const QString &program)
{
    // The Qt the program runs with, which may be newer than the one it was
    // built with.
    return QStringLiteral("%1 %2 (Qt %3)").arg(program, number(), QString::fromLatin1(qVersion()));
}

} // namespace plandor
