#include "app/ProgramRun.h"

#include "app/SingleInstance.h"
#include "app/StartupStore.h"
#include "app/ui/Form1.h"
#include "base/Language.h"
#include "base/MessageBox.h"
#include "base/QtTranslations.h"
#include "base/TextCatalogue.h"
#include "store/DatabaseLocation.h"
#include "transfer/ProcessLink.h"
#include "transfer/serial/SerialDeviceLink.h"
#include "widgets/QtMessagePrompter.h"
#include "widgets/WindowPlacement.h"

#include <QApplication>

namespace plandor {

int runProgram(int &argc, char **argv, const std::function<void(QWidget &)> &beforeShow)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Plandor"));
    QApplication::setOrganizationName(QStringLiteral("Plandor"));
    // Messages shown before the start-up window loads speak the run's
    // language too; the window sets the same offset again when it loads.
    LanguageOffset = LanguageOffsetFor(SystemDefaultLangId());
    QtTranslations::install(LanguageOffset);

    QtMessagePrompter prompter;
    MessageBox::setPrompter(&prompter);

    // A second Plandor on the same database would overwrite the first one's
    // plan: it is told so and leaves the plan alone. A database that cannot
    // be locked at all (a read-only folder) cannot be kept either: the user
    // is told why.
    const QString database = DatabaseLocation::path();
    SingleInstance instance(database);
    if (const auto outcome = instance.acquire(); outcome != SingleInstance::Outcome::Acquired) {
        if (outcome == SingleInstance::Outcome::HeldByAnother)
            instance.wakeHolder();
        MessageBox::show(instance.failureText(), MessageStyle::ExclamationOk, CatalogueText(2));
        MessageBox::setPrompter(nullptr);
        return 1;
    }

    QObject::connect(
        &instance, &SingleInstance::wakeRequested, [] { WindowPlacement::bringForward(); });

    ProcessLink::setFactory([] { return std::make_unique<SerialDeviceLink>(); });

    // One connection for the whole run, shared by every part of the editor.
    StartupStore store(database);
    Form1 form1;
    form1.setStoreSource([&store] { return &store.store(); });
    if (beforeShow)
        beforeShow(form1);
    form1.show();
    store.openAfterFirstPaint(&form1);
    const int rc = app.exec();
    MessageBox::setPrompter(nullptr);
    return rc;
}

} // namespace plandor
