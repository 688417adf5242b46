#include "app/ProgramRun.h"

#include "app/SingleInstance.h"
#include "app/StartupStore.h"
#include "app/ui/Form1.h"
#include "base/Language.h"
#include "base/MessageBox.h"
#include "base/ProgramVersion.h"
#include "base/QtTranslations.h"
#include "base/TextCatalogue.h"
#include "base/TraceFile.h"
#include "store/DatabaseLocation.h"
#include "transfer/ProcessLink.h"
#include "transfer/serial/SerialDeviceLink.h"
#include "widgets/QtMessagePrompter.h"
#include "widgets/WindowPlacement.h"

#include <QApplication>

#include <cstdio>
#include <optional>

namespace plandor {

namespace {

// --version and --help are answered before any window or display is needed.
std::optional<int> answerInformation(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--version" || argument == "-v") {
            std::printf("%s\n", qPrintable(ProgramVersion::line(QStringLiteral("plandor"))));
            return 0;
        }
        if (argument == "--help" || argument == "-h") {
            std::printf("Usage: plandor [Qt options]\n\n"
                        "Prepares the channel plan of a signal level meter and moves it, with "
                        "its settings panel, between this computer and the instrument over a "
                        "serial port.\n\n"
                        "Options:\n"
                        "  -h, --help     Show this help.\n"
                        "  -v, --version  Show the version.\n\n"
                        "Qt's own options (-platform, -style, -reverse) apply too. The "
                        "command-line client is plandor-cli.\n");
            return 0;
        }
    }
    return std::nullopt;
}

} // namespace

int runProgram(int &argc, char **argv, const std::function<void(QWidget &)> &beforeShow)
{
    if (const auto answered = answerInformation(argc, argv))
        return *answered;
    QApplication app(argc, argv);
    QApplication::setApplicationVersion(ProgramVersion::number());
    QApplication::setApplicationName(QStringLiteral("Plandor"));
    QApplication::setOrganizationName(QStringLiteral("Plandor"));
    // Messages shown before the start-up window loads speak the run's
    // language too; the window sets the same offset again when it loads.
    LanguageOffset = LanguageOffsetFor(SystemDefaultLangId());
    QtTranslations::install(LanguageOffset);

    QtMessagePrompter prompter;
    MessageBox::setPrompter(&prompter);

    // For support: PLANDOR_TRACE names the file that gets every frame on the
    // line; "1" puts it in the user's data folder.
    if (const QString trace = qEnvironmentVariable("PLANDOR_TRACE"); !trace.isEmpty()) {
        const QString file = trace == QLatin1String("1") ? TraceFile::defaultPath() : trace;
        QString error;
        if (!TraceFile::start(file, &error))
            std::fprintf(stderr, "plandor: cannot write the trace %s: %s\n", qPrintable(file),
                qPrintable(error));
    }

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
