#pragma once

#include <QDialog>

class QTextBrowser;

namespace plandor {

// The short manual of the editor window, bundled with the program, in the
// run's language.
class ManualDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ManualDialog(QWidget *parent = nullptr);
    QTextBrowser *browser() const { return m_browser; }

    // The bundled page of the run's language.
    static QString pagePath();

private:
    QTextBrowser *m_browser;
};

// Program name, version, the Qt it runs on and the licence.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(QWidget *parent = nullptr);

    // The box's text, as shown.
    QString text() const;

private:
    QString m_text;
};

} // namespace plandor
