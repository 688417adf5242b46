#include "widgets/ProgramIcon.h"

#include <QApplication>
#include <QWidget>

// Resources of a static library are brought in by name, outside any namespace.
static void initProgramIcon()
{
    Q_INIT_RESOURCE(programicon);
}

namespace plandor {

QIcon ProgramIcon::icon()
{
    initProgramIcon();
    QIcon icon;
    for (int size : { 16, 22, 24, 32, 48, 64, 128, 256 })
        icon.addFile(QStringLiteral(":/icons/plandor-%1.png").arg(size), QSize(size, size));
    return icon;
}

void ProgramIcon::apply(QWidget &window)
{
    const QIcon programIcon = icon();
    QApplication::setWindowIcon(programIcon);
    window.setWindowIcon(programIcon);
}

} // namespace plandor
