#include "app/ProgramRun.h"

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
#include <QFileInfo>

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
            std::printf("Usage: plandor [Qt options] [FILE]\n\n"
                        "Prepares the channel plan of a signal level meter and moves it, with "
                        "its settings panel, between this computer and the instrument over a "
                        "serial port.\n\n"
                        "Arguments:\n"
                        "  FILE           A plan file (.txt, or a .csv table) to open in the "
                        "editor once\n"
                        "                 the start-up window is accepted, as Open does.\n\n"
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

std::optional<RunArguments> RunArguments::read(const QStringList &arguments, QString *error)
{
    RunArguments read;
    bool optionsEnd = false;
    for (const QString &argument : arguments) {
        if (!optionsEnd && argument == QLatin1String("--")) {
            optionsEnd = true;
            continue;
        }
        if (!optionsEnd && argument.startsWith(QLatin1Char('-')))
            continue;
        if (!read.planFile.isEmpty()) {
            if (error)
                *error = QStringLiteral("one plan file at a time (see plandor --help)");
            return std::nullopt;
        }
        // Absolute now, whatever folder the run works in later.
        read.planFile = QFileInfo(argument).absoluteFilePath();
    }
    return read;
}

ProgramStart::ProgramStart(const QString &databasePath, const RunArguments &arguments)
    : m_instance(databasePath)
    , m_store(databasePath)
    // One connection for the whole run, shared by every part of the editor.
    , m_launcher([this] { return &m_store.store(); })
{
    m_launcher.setPlanFile(arguments.planFile);
}

ProgramStart::~ProgramStart() = default;

bool ProgramStart::begin(const std::function<void(QWidget &)> &beforeShow)
{
    // A second Plandor on the same database would overwrite the first one's
    // plan: it is told so and leaves the plan alone (a plan file it was given
    // is not opened). A database that cannot be locked at all (a read-only
    // folder) cannot be kept either: the user is told why.
    if (const auto outcome = m_instance.acquire(); outcome != SingleInstance::Outcome::Acquired) {
        if (outcome == SingleInstance::Outcome::HeldByAnother)
            m_instance.wakeHolder();
        MessageBox::show(m_instance.failureText(), MessageStyle::ExclamationOk, CatalogueText(2));
        return false;
    }
    QObject::connect(
        &m_instance, &SingleInstance::wakeRequested, [] { WindowPlacement::bringForward(); });

    m_form = std::make_unique<Form1>();
    m_launcher.follow(*m_form);
    if (beforeShow)
        beforeShow(*m_form);
    m_form->show();
    m_store.openAfterFirstPaint(m_form.get());
    return true;
}

int runProgram(int &argc, char **argv, const std::function<void(QWidget &)> &beforeShow)
{
    if (const auto answered = answerInformation(argc, argv))
        return *answered;
    QApplication app(argc, argv);
    QApplication::setApplicationVersion(ProgramVersion::number());
    QApplication::setApplicationName(QStringLiteral("Plandor"));
    QApplication::setOrganizationName(QStringLiteral("Plandor"));
    // Qt has taken its own options out of the command line by now.
    QString wrong;
    const auto arguments = RunArguments::read(QCoreApplication::arguments().mid(1), &wrong);
    if (!arguments) {
        std::fprintf(stderr, "plandor: %s\n", qPrintable(wrong));
        return 2;
    }
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

    ProcessLink::setFactory([] { return std::make_unique<SerialDeviceLink>(); });
    int rc = 1;
    {
        ProgramStart run(DatabaseLocation::path(), *arguments);
        if (run.begin(beforeShow))
            rc = app.exec();
    }
    MessageBox::setPrompter(nullptr);
    return rc;
}

} // namespace plandor
