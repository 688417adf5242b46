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
#include <QDir>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Plandor"));
    QApplication::setOrganizationName(QStringLiteral("Plandor"));
    // Messages shown before the start-up window loads speak the run's
    // language too; the window sets the same offset again when it loads.
    plandor::LanguageOffset = plandor::LanguageOffsetFor(plandor::SystemDefaultLangId());
    plandor::QtTranslations::install(plandor::LanguageOffset);

    plandor::QtMessagePrompter prompter;
    plandor::MessageBox::setPrompter(&prompter);

    // A second Plandor on the same database would overwrite the first one's
    // plan: it is told so and leaves the plan alone.
    const QString database = plandor::DatabaseLocation::path();
    plandor::SingleInstance instance(database);
    if (!instance.acquire()) {
        instance.wakeHolder();
        plandor::MessageBox::show(
            plandor::SingleInstance::alreadyRunningText().arg(QDir::toNativeSeparators(database)),
            plandor::StyleExclamationOk, plandor::CatalogueText(2));
        plandor::MessageBox::setPrompter(nullptr);
        return 1;
    }

    QObject::connect(&instance, &plandor::SingleInstance::wakeRequested,
        [] { plandor::WindowPlacement::bringForward(); });

    plandor::ProcessLink::setFactory([] { return std::make_unique<plandor::SerialDeviceLink>(); });

    // One connection for the whole run, shared by every part of the editor.
    plandor::StartupStore store(database);
    plandor::Form1 form1;
    form1.setStoreSource([&store] { return &store.store(); });
    form1.show();
    store.openAfterFirstPaint(&form1);
    const int rc = app.exec();
    plandor::MessageBox::setPrompter(nullptr);
    return rc;
}
