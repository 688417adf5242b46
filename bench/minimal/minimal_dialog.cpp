// Baseline for the start-up benchmark: a plain Qt dialog with the same kinds
// of widgets as the start-up window (two option buttons with captions in both
// scripts, two editable combo boxes, two push buttons) and nothing behind it.
#include "StartupProbe.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QDialog dialog;
    auto *grid = new QGridLayout(&dialog);
    grid->addWidget(new QLabel(QStringLiteral("Language / 语言")), 0, 0, 1, 2);
    auto *chinese = new QRadioButton(QStringLiteral("中文"));
    chinese->setChecked(true);
    grid->addWidget(chinese, 1, 0);
    grid->addWidget(new QRadioButton(QStringLiteral("English")), 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("串口 Port")), 2, 0);
    auto *port = new QComboBox;
    port->setEditable(true);
    port->addItems({ QStringLiteral("/dev/ttyS0"), QStringLiteral("/dev/ttyUSB0") });
    grid->addWidget(port, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("波特率 Baud")), 3, 0);
    auto *baud = new QComboBox;
    baud->setEditable(true);
    baud->addItems({ QStringLiteral("9600"), QStringLiteral("115200") });
    grid->addWidget(baud, 3, 1);
    grid->addWidget(new QPushButton(QStringLiteral("确定 OK")), 4, 0);
    grid->addWidget(new QPushButton(QStringLiteral("退出 Exit")), 4, 1);
    plandor::bench::StartupProbe probe;
    probe.watch(&dialog);
    dialog.show();
    return app.exec();
}
