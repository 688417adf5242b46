#include "CommandTable.h"

#include "CheckCommand.h"
#include "CheckPlanCommand.h"
#include "CliOptions.h"
#include "ConvertCommand.h"
#include "DiffCommand.h"
#include "PortsCommand.h"
#include "ReadCommand.h"
#include "SendCommand.h"
#include "SendPanelCommand.h"

#include <algorithm>

namespace plandor::cli {

namespace {

constexpr Phrase kIntro { u"在命令行上进行 Plandor 与仪器之间的传输。\n\n命令：",
    u"Plandor's instrument transfers from the command line.\n\nCommands:" };
constexpr Phrase kNotes {
    u"FILE 可以是 -，即标准输入（--in）或标准输出（--out）：一个频道表文件。\n\n"
    u"P 是设备路径（/dev/ttyUSB0、模拟仪器的端口）或 COMn，即第 n 个串口设备"
    u"（/dev/ttyS(n-1)）。\n\n"
    u"--json（%1）：在标准输出上只写一个 JSON 文档，其格式见 plandor-cli(1)；"
    u"错误仍写到标准错误，退出码不变。\n\n",
    u"FILE may be - for standard input (--in) or output (--out): a plan file.\n\n"
    u"P is a device path (/dev/ttyUSB0, a simulated instrument's port) or COMn, the n-th serial "
    u"device (/dev/ttyS(n-1)).\n\n"
    u"--json (%1): one JSON document on standard output and nothing else, in the shapes "
    u"plandor-cli(1) lists; errors still go to standard error, with the same exit codes.\n\n"
};
constexpr Phrase kExitCodes {
    u"退出码：\n"
    u"  0  完成\n"
    u"  2  命令行有误\n"
    u"  3  无法连接仪器（没有串口、没有回答、仪器不兼容）\n"
    u"  4  频道表文件被拒绝（无法读取、不是频道表、没有频道、超过 255 个频道、规则拒绝的频道或"
    u"面板值）或无法写入\n"
    u"  5  传输失败；仪器保留原有内容\n"
    u"  6  已发送，但无法确认仪器是否已保存（仪器保存的是旧的或完整的新数据）\n",
    u"Exit codes:\n"
    u"  0  done\n"
    u"  2  wrong command line\n"
    u"  3  instrument unreachable (no port, no answer, incompatible instrument)\n"
    u"  4  plan file refused (unreadable, not a plan, no channel, more than 255 channels, a "
    u"channel or panel value the rules refuse) or not writable\n"
    u"  5  transfer failed; the instrument keeps what it had\n"
    u"  6  sent, but whether the instrument stored it could not be found out (it holds the "
    u"old or the whole new data)\n"
};

// The column the summaries start in, after two blanks and the synopsis.
constexpr int kSummaryColumn = 29;

std::vector<std::unique_ptr<CliCommand>> makeCommands()
{
    std::vector<std::unique_ptr<CliCommand>> list;
    list.push_back(std::make_unique<PortsCommand>());
    list.push_back(std::make_unique<CheckCommand>());
    list.push_back(std::make_unique<ReadCommand>());
    list.push_back(std::make_unique<SendCommand>());
    list.push_back(std::make_unique<SendPanelCommand>());
    list.push_back(std::make_unique<CheckPlanCommand>());
    list.push_back(std::make_unique<ConvertCommand>());
    list.push_back(std::make_unique<DiffCommand>());
    return list;
}

QString usageLines(const CommandUsage &usage)
{
    const QString indent(kSummaryColumn, QLatin1Char(' '));
    const QString synopsis = QLatin1String(usage.synopsis);
    QStringList summary = usage.summary.text().split(QLatin1Char('\n'));
    QString text = QStringLiteral("  ") + synopsis;
    if (text.size() >= kSummaryColumn)
        text += QLatin1Char('\n') + indent + summary.takeFirst();
    else
        text = text.leftJustified(indent.size()) + summary.takeFirst();
    for (const QString &line : summary)
        text += QLatin1Char('\n') + indent + line;
    return text + QLatin1Char('\n');
}

} // namespace

const std::vector<std::unique_ptr<CliCommand>> &commands()
{
    static const std::vector<std::unique_ptr<CliCommand>> list = makeCommands();
    return list;
}

CliCommand *findCommand(const QString &name)
{
    const auto &list = commands();
    const auto found = std::find_if(list.begin(), list.end(),
        [&name](const std::unique_ptr<CliCommand> &c) { return c->name() == name; });
    return found == list.end() ? nullptr : found->get();
}

QStringList jsonCommands()
{
    QStringList names;
    for (const auto &command : commands()) {
        if (command->hasJson())
            names << command->name();
    }
    return names;
}

QString helpDescription()
{
    QString text = kIntro.text() + QLatin1Char('\n');
    for (const auto &command : commands()) {
        for (const CommandUsage &usage : command->usages())
            text += usageLines(usage);
    }
    return text + QLatin1Char('\n') + kNotes.text().arg(jsonCommands().join(QStringLiteral(", ")))
        + kExitCodes.text();
}

QString commandList()
{
    QString text;
    for (const auto &command : commands())
        text += command->name() + QLatin1Char('\n');
    return text;
}

QString optionList(const QString &command)
{
    const CliCommand *found = findCommand(command);
    QStringList names;
    QString text;
    if (found) {
        names = found->options() + commonOptions();
        if (found->hasJson())
            names << QStringLiteral("json");
    } else {
        // Before the command, every option may come.
        text = QStringLiteral("--help\n--version\n");
        for (const CliOption &option : cliOptions())
            names << QLatin1String(option.name);
    }
    for (const QString &name : names) {
        if (const CliOption *option = findOption(name))
            text += completionLine(*option) + QLatin1Char('\n');
    }
    return text;
}

} // namespace plandor::cli
