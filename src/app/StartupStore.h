#pragma once

#include "store/ChannelStore.h"

#include <QObject>
#include <QString>

#include <optional>

class QWidget;

namespace plandor {

// The run's database, opened once the start-up window is on screen or when
// something needs it first (OK in the start-up window), whichever comes
// first. Opening checks every page of the file, which grows with the plan: the
// window does not wait for it. A file that was moved aside or cannot be opened
// is explained to the user once, when it is opened.
class StartupStore : public QObject
{
    Q_OBJECT

public:
    explicit StartupStore(QString path);

    // The store, opened now if it is not open yet.
    ChannelStore &store();
    bool isOpened() const { return m_store.has_value(); }

    // Opens the store right after the window's first paint.
    void openAfterFirstPaint(QWidget *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString m_path;
    std::optional<ChannelStore> m_store;
};

} // namespace plandor
