#include "editor/ChannelCountLabel.h"

#include "base/Phrase.h"
#include "editor/TextContrast.h"

#include <QAbstractItemModel>
#include <QEvent>

namespace plandor {
namespace {

constexpr Phrase kCount { u"%1 / %2 个频道", u"%1 / %2 channels" };
constexpr Phrase kTooMany { u"仪器最多容纳 %1 个频道：多出的频道无法下传。",
    u"The instrument holds at most %1 channels: a larger plan cannot be sent." };

} // namespace

ChannelCountLabel::ChannelCountLabel(QAbstractItemModel *model, int limit, QWidget *parent)
    : QLabel(parent)
    , m_model(model)
    , m_limit(limit)
{
    setObjectName(QStringLiteral("FregtableCount"));
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(model, &QAbstractItemModel::modelReset, this, &ChannelCountLabel::refresh);
    connect(model, &QAbstractItemModel::rowsInserted, this, &ChannelCountLabel::refresh);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &ChannelCountLabel::refresh);
    refresh();
}

void ChannelCountLabel::refresh()
{
    const int count = m_model->rowCount();
    m_overLimit = count > m_limit;
    setText(kCount.text().arg(count).arg(m_limit));
    setAccessibleName(text());
    setToolTip(m_overLimit ? kTooMany.text().arg(m_limit) : QString());
    const QColor warning = TextContrast::warningOn(palette().window().color());
    setStyleSheet(m_overLimit ? QStringLiteral("color: %1; font-weight: bold;").arg(warning.name())
                              : QString());
}

void ChannelCountLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    // A dark or light palette picks the warning's red anew.
    if (event->type() == QEvent::PaletteChange && !m_restyling) {
        m_restyling = true;
        refresh();
        m_restyling = false;
    }
}

} // namespace plandor
