#include "widgets/QtMessagePrompter.h"

#include <QApplication>
#include <QMessageBox>

namespace plandor {

int QtMessagePrompter::prompt(const QString &text, int style, const QString &title)
{
    QMessageBox box(QApplication::activeWindow());
    box.setObjectName(QStringLiteral("MessageBox"));
    box.setWindowTitle(title);
    box.setText(text);
    switch (style) {
    case StyleQuestionYesNo:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    case StyleInformationOk:
        box.setIcon(QMessageBox::Information);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    default:
        box.setIcon(QMessageBox::Warning);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    const int answer = box.exec();
    if (answer == QMessageBox::Yes)
        return AnswerYes;
    if (answer == QMessageBox::No)
        return AnswerNo;
    return style == StyleQuestionYesNo ? AnswerNo : AnswerOk;
}

} // namespace plandor
