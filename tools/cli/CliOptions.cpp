#include "CliOptions.h"

#include "CommandTable.h"

#include "transfer/BaudRates.h"

#include <algorithm>

namespace plandor::cli {

namespace {

constexpr Phrase kPort { u"仪器的串口。", u"The instrument's serial port." };
constexpr Phrase kBaud {
    u"波特率（默认 %1，与启动窗口相同），可选 %2；以此打开串口，等待时间随之而定。"
    u"须与仪器的相同（plandor-sim --baud）。",
    u"The line speed (default %1, as in the start-up window), one of %2; the port is opened at "
    u"it and the waits follow it. It must be the instrument's (plandor-sim --baud)."
};
constexpr Phrase kOut { u"要写入的频道表文件（- 为标准输出）。",
    u"Plan file to write (- for standard output)." };
constexpr Phrase kIn { u"要读取的频道表文件或 .csv 表格（- 为标准输入）。",
    u"Plan file or .csv table to read (- for standard input)." };
constexpr Phrase kFavorites { u"六个收藏频道 ID，以逗号分隔。",
    u"Six favourite channel IDs, separated by commas." };
constexpr Phrase kUnit { u"电平单位，dBmV 或 dBuV。", u"Level unit, dBmV or dBuV." };
constexpr Phrase kSpan { u"带宽，4 到 10 的整数 MHz：仪器只保存整数 MHz。",
    u"Bandwidth in whole MHz, 4 to 10: the instrument keeps whole MHz." };
constexpr Phrase kAgainst { u"要比较的频道表文件。", u"Plan file to compare with." };
constexpr Phrase kTrace {
    u"将线路上双向的每一帧连同时间戳、十六进制和解码内容写入此文件（供技术支持）。",
    u"Write every frame on the line, both ways, with a timestamp, in hex and decoded, to this "
    u"file (for support)."
};
constexpr Phrase kJson { u"将结果作为一个 JSON 文档写到标准输出（%1）。",
    u"Write the result as one JSON document on standard output (%1)." };
constexpr Phrase kQuiet { u"不显示进度和完成信息；错误照常显示。",
    u"No progress line and no report of what was done; errors are still shown." };

constexpr Phrase kProbe { u"询问每个串口是否有仪器应答（仅握手，不写入任何内容）。",
    u"Ask each port whether an instrument answers (the handshake only; nothing is written)." };

const QList<CliOption> kOptions {
    { "port", "P", kPort, ValueKind::Port },
    { "baud", "n", kBaud, ValueKind::Rate },
    { "out", "file", kOut, ValueKind::File },
    { "in", "file", kIn, ValueKind::File },
    { "favorites", "list", kFavorites, ValueKind::Text },
    { "unit", "unit", kUnit, ValueKind::Unit },
    { "span", "MHz", kSpan, ValueKind::Text },
    { "against", "file", kAgainst, ValueKind::File },
    { "trace", "file", kTrace, ValueKind::File },
    { "json", nullptr, kJson, ValueKind::None },
    { "quiet", nullptr, kQuiet, ValueKind::None },
    { "probe", nullptr, kProbe, ValueKind::None },
};

QString rateWords()
{
    QStringList words;
    for (const qint32 baud : BaudRates::kListed)
        words << QString::number(baud);
    return words.join(QLatin1Char(' '));
}

QString description(const CliOption &option)
{
    const QString text = option.description.text();
    const QLatin1String name(option.name);
    if (name == QLatin1String("baud"))
        return text.arg(BaudRates::kWindowDefault).arg(BaudRates::listText());
    if (name == QLatin1String("json"))
        return text.arg(jsonCommands().join(QStringLiteral(", ")));
    return text;
}

} // namespace

const QList<CliOption> &cliOptions()
{
    return kOptions;
}

const CliOption *findOption(const QString &name)
{
    const auto found = std::find_if(kOptions.begin(), kOptions.end(),
        [&name](const CliOption &o) { return name == QLatin1String(o.name); });
    return found == kOptions.end() ? nullptr : &*found;
}

QStringList commonOptions()
{
    return { QStringLiteral("trace"), QStringLiteral("quiet") };
}

QCommandLineOption parserOption(const CliOption &option)
{
    const QString name = QLatin1String(option.name);
    if (!option.valueName)
        return QCommandLineOption(name, description(option));
    return QCommandLineOption(name, description(option), QLatin1String(option.valueName));
}

QString completionLine(const CliOption &option)
{
    const QString name = QStringLiteral("--") + QLatin1String(option.name);
    switch (option.kind) {
    case ValueKind::None:
        return name;
    case ValueKind::Port:
        return name + QStringLiteral("\t@port");
    case ValueKind::File:
        return name + QStringLiteral("\t@file");
    case ValueKind::Rate:
        return name + QLatin1Char('\t') + rateWords();
    case ValueKind::Unit:
        return name + QStringLiteral("\tdBmV dBuV");
    case ValueKind::Text:
        break;
    }
    return name + QStringLiteral("\t@text");
}

} // namespace plandor::cli
