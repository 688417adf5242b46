#include "PlanValidation.h"

#include "base/Phrase.h"
#include "base/ShownValue.h"
#include "rules/ChannelRules.h"
#include "rules/FavoritesPanelCheck.h"
#include "rules/PlanSizeLimit.h"

#include <QRegularExpression>

#include <algorithm>

namespace plandor::cli {
namespace {

constexpr int kHighestComNumber = 256;

constexpr Phrase kPortNeeded { u"--port 需要设备路径或 COMn",
    u"--port needs a device path or COMn" };
constexpr Phrase kComRange { u"--port COMn 中的 n 须在 1 到 %1 之间",
    u"--port COMn needs n from 1 to %1" };
constexpr Phrase kFavoritesNeeded { u"--favorites 需要最多六个频道 ID，以逗号分隔",
    u"--favorites needs up to six channel IDs, separated by commas" };
constexpr Phrase kUnitNeeded { u"--unit 为 dBmV 或 dBuV", u"--unit is dBmV or dBuV" };
constexpr Phrase kBandwidth { u"带宽 \"%1\"", u"bandwidth \"%1\"" };
constexpr Phrase kUnit { u"单位 \"%1\"", u"unit \"%1\"" };
constexpr Phrase kFavorite { u"收藏 %1 \"%2\"", u"favourite %1 \"%2\"" };
constexpr Phrase kRowRefused { u"第 %1 行：频道 \"%2\"：%3", u"line %1: channel \"%2\": %3" };
constexpr Phrase kWhatWhy { u"%1：%2", u"%1: %2" };
constexpr Phrase kNoChannel { u"频道表中没有频道", u"the plan holds no channel" };

bool hasControlCharacter(const QString &text)
{
    return std::any_of(
        text.begin(), text.end(), [](QChar c) { return c.unicode() < 32 || c.unicode() == 127; });
}

} // namespace

std::optional<PortArgument> parsePort(const QString &value, QString *error)
{
    const QString port = value.trimmed();
    if (port.isEmpty() || hasControlCharacter(port)) {
        *error = kPortNeeded.text();
        return std::nullopt;
    }
    static const QRegularExpression comPort(
        QStringLiteral("^COM(\\d+)$"), QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = comPort.match(port);
    if (!m.hasMatch())
        return PortArgument { std::nullopt, port };
    bool ok = false;
    const int n = m.captured(1).toInt(&ok);
    if (!ok || n < 1 || n > kHighestComNumber) {
        *error = kComRange.text().arg(kHighestComNumber);
        return std::nullopt;
    }
    return PortArgument { qint16(n), QString() };
}

std::optional<PanelTexts> parsePanelArguments(
    const QString &favorites, const QString &unit, const QString &span, QString *error)
{
    const QStringList favs = favorites.split(QLatin1Char(','));
    if (favorites.trimmed().isEmpty() || favs.size() > 6) {
        *error = kFavoritesNeeded.text();
        return std::nullopt;
    }
    PanelTexts panel;
    for (qsizetype i = 0; i < favs.size(); ++i)
        panel.favorites[i] = favs[i].trimmed();
    panel.unit = unit;
    panel.span = span.trimmed();
    if (unit.isEmpty()) {
        *error = kUnitNeeded.text();
        return std::nullopt;
    }
    // The command line sets a bandwidth; the panel's "not set" is for a box
    // left empty in the window.
    if (FavoritesPanelCheck::spanIsUnset(panel.span)) {
        *error = QStringLiteral("--span: ") + FavoritesPanelCheck::kSpanNotCarried.text();
        return std::nullopt;
    }
    if (const auto refusal = panelRefusal(panel)) {
        *error = *refusal;
        return std::nullopt;
    }
    return panel;
}

std::optional<QString> panelRefusal(const PanelTexts &panel)
{
    std::array<QString, 6> favorites;
    std::copy(std::begin(panel.favorites), std::end(panel.favorites), favorites.begin());
    const auto refusal = FavoritesPanelCheck::checkSendable(favorites, panel.unit, panel.span);
    if (!refusal)
        return std::nullopt;
    QString what;
    if (refusal->box == FavoritesPanelCheck::kBandwidthBox)
        what = kBandwidth.text().arg(ShownValue::cut(panel.span));
    else if (refusal->box == FavoritesPanelCheck::kUnitField)
        what = kUnit.text().arg(ShownValue::cut(panel.unit));
    else {
        const auto &boxes = FavoritesPanelCheck::kFavoriteBoxes;
        const int slot = int(std::find(boxes.begin(), boxes.end(), refusal->box) - boxes.begin());
        what = kFavorite.text().arg(slot + 1).arg(ShownValue::cut(panel.favorites[slot]));
    }
    return kWhatWhy.text().arg(what, refusal->text().trimmed());
}

QStringList planRefusals(const PlanFileContent &content)
{
    QStringList lines;
    for (const RowRefusal &r : content.refusals) {
        const ChannelValues &row = content.rows.value(r.row);
        lines << kRowRefused.text()
                     .arg(content.rowLines.value(r.row))
                     .arg(
                         ShownValue::cut(ChannelColumns::toText(ColumnName, row.value(ColumnName))),
                         r.refusal.text().trimmed());
    }
    if (const auto refusal = sizeRefusal(content))
        lines << *refusal;
    if (const auto refusal = content.panel ? panelRefusal(*content.panel) : std::nullopt)
        lines << *refusal;
    return lines;
}

std::optional<QString> sizeRefusal(const PlanFileContent &content)
{
    if (content.rows.isEmpty())
        return kNoChannel.text();
    if (content.tooLarge())
        return PlanSizeLimit::tooLargeText(int(content.rows.size()));
    return std::nullopt;
}

} // namespace plandor::cli
