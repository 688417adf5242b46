#include "CheckCommand.h"

#include "InstrumentSession.h"

namespace plandor::cli {

namespace {
constexpr Phrase kSummary { u"询问仪器的型号和序列号", u"ask the instrument who it is" };
constexpr Phrase kInstrument { u"%1 上的仪器：%2 %3，协议版本 %4",
    u"instrument on %1: %2 %3, protocol version %4" };
} // namespace

QList<CommandUsage> CheckCommand::usages() const
{
    return { { "check --port P", kSummary } };
}

QStringList CheckCommand::options() const
{
    return { QStringLiteral("port"), QStringLiteral("baud") };
}

int CheckCommand::run(const CliContext &context)
{
    InstrumentSession session(context);
    QString error;
    if (!session.open(&error))
        return context.fail(ExitUsage, error);
    if (const int rc = session.checkConnection())
        return rc;
    // The name is asked for when the handshake did not bring it; without it
    // the instrument is still there.
    static_cast<void>(session.link().Identify());
    const auto id = session.link().identity();
    const auto named = id ? id->identity : std::nullopt;
    const QString model = named ? named->model : QString();
    const QString serial = named ? named->serial : QString();
    const QString port = session.link().deviceName();
    if (context.json())
        return context.printJson(
            { { QStringLiteral("port"), port }, { QStringLiteral("model"), model },
                { QStringLiteral("serial"), serial },
                { QStringLiteral("protocolVersion"), id ? id->version : 0 },
                { QStringLiteral("maxChannels"), id ? id->maxChannels : 0 } },
            ExitOk);
    context.print(kInstrument.text().arg(port, model, serial).arg(id ? id->version : 0));
    return ExitOk;
}

} // namespace plandor::cli
