#include "widgets/QtMessagePrompter.h"

#include <QApplication>
#include <QMessageBox>

namespace plandor {

MessageAnswer QtMessagePrompter::prompt(
    const QString &text, MessageStyle style, const QString &title)
{
    QMessageBox box(QApplication::activeWindow());
    box.setObjectName(QStringLiteral("MessageBox"));
    box.setWindowTitle(title);
    box.setText(text);
    switch (style) {
    case MessageStyle::QuestionYesNo:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    case MessageStyle::InformationOk:
        box.setIcon(QMessageBox::Information);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MessageStyle::ExclamationOk:
        box.setIcon(QMessageBox::Warning);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    const int answer = box.exec();
    if (answer == QMessageBox::Yes)
        return MessageAnswer::Yes;
    if (answer == QMessageBox::No)
        return MessageAnswer::No;
    return style == MessageStyle::QuestionYesNo ? MessageAnswer::No : MessageAnswer::Ok;
}

} // namespace plandor
