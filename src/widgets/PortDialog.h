#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QComboBox;

namespace plandor {

// The port and line speed the link uses: the start-up window sets them
// first, the editor's Port dialog afterwards.
struct PortSetting
{
    QString port; // trimmed; a COM name or a device path
    qint32 rate = 0; // 0 when the Rate box holds no number

    friend bool operator==(const PortSetting &, const PortSetting &) = default;
};

// A small question for the port and rate while the editor is open: the
// machine's ports (a device path can be typed) and the listed rates, the
// current ones chosen. Enter takes the choice, Escape leaves it.
class PortDialog : public QDialog
{
    Q_OBJECT

public:
    PortDialog(const QStringList &ports, const PortSetting &current, QWidget *parent = nullptr);

    PortSetting setting() const;
    QComboBox *portBox() const { return m_portBox; }
    QComboBox *rateBox() const { return m_rateBox; }

private:
    QComboBox *m_portBox;
    QComboBox *m_rateBox;
};

} // namespace plandor
