#pragma once

#include "rules/PanelTexts.h"
#include "store/PlanFile.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace plandor::cli {

// The port the user named: the n-th serial device for "COMn", else a device
// path as given.
struct PortArgument
{
    std::optional<qint16> comNumber;
    QString path;
};

// --port: "COMn" with n from 1 to 256 (any case), or a device path without
// control characters. Nothing, with the reason, for anything else.
std::optional<PortArgument> parsePort(const QString &value, QString *error);

// --favorites (up to six IDs separated by commas, each empty or 0..250),
// --unit (dBmV or dBuV) and --span (whole MHz from 4 to 10, sent as it is)
// as the panel to send, checked by the panel rules. Nothing, with the reason,
// when refused.
std::optional<PanelTexts> parsePanelArguments(
    const QString &favorites, const QString &unit, const QString &span, QString *error);

// Why a plan file cannot be sent, one line each: every channel the rules
// refuse with its line number in the file, a plan without channels or with
// more than the instrument takes, and a panel the rules refuse (a file
// without a panel has none to refuse). Empty when it can be sent.
QStringList planRefusals(const PlanFileContent &content);

// A plan without channels or with more than the instrument holds, as one
// line; nothing when its size can be sent.
std::optional<QString> sizeRefusal(const PlanFileContent &content);

// The panel's refusal, if any, as one line.
std::optional<QString> panelRefusal(const PanelTexts &panel);

} // namespace plandor::cli
