#pragma once

#include "app/StartupChoice.h"
#include "app/ui/PortChooser.h"

#include <QWidget>

#include <functional>

class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace plandor {

// The start-up window: fixes the language of the run, creates the device
// link, lists the serial ports and the baud rates (the last accepted ones
// preselected), and on OK reports the choice and closes. What the choice
// opens is up to whoever listens (EditorLauncher in a run of the program).
class Form1 : public QWidget
{
    Q_OBJECT

public:
    using PortSource = PortChooser::PortSource;
    using LanguageSource = std::function<quint16()>;

    // ports lists the machine's serial ports in enumeration order, language
    // gives the system default language identifier; the defaults ask the system.
    explicit Form1(PortSource ports = {}, LanguageSource language = {}, QWidget *parent = nullptr);

    // The port, rate and language the window shows now.
    StartupChoice choice() const;

    // OK: remembers the port and rate for the next start, reports the choice
    // and closes the window.
    void accept();
    // Cancel and the close button: closes the window, reporting nothing.
    void cancel();

    // The port part: the list, what was found on each port, the watch.
    PortChooser &portChooser() { return m_portChooser; }

signals:
    void accepted(const StartupChoice &choice);

protected:
    // Enter in the port or rate box accepts; a click on a language's name
    // chooses it as a click on its option does.
    bool eventFilter(QObject *watched, QEvent *event) override;
    // The ports are followed while the window is on screen.
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void load();
    void buildControls();
    QLayout *buildTitle();
    QLayout *buildLanguageOptions();
    QLayout *buildFields();
    QLayout *buildButtons();
    void applyCaptions();
    void listRates();
    void chooseLanguage(qint16 offset);
    void takeRateOf(const ProbeResult &found);

    LanguageSource m_language;
    PortChooser m_portChooser;

    QLabel *m_title = nullptr;
    QToolButton *m_closeButton = nullptr;
    QRadioButton *m_chineseOption = nullptr;
    QRadioButton *m_englishOption = nullptr;
    QLabel *m_chineseLabel = nullptr;
    QLabel *m_englishLabel = nullptr;
    QLabel *m_portLabel = nullptr;
    QComboBox *m_portBox = nullptr;
    QLabel *m_portStatus = nullptr;
    QLabel *m_rateLabel = nullptr;
    QComboBox *m_rateBox = nullptr;
    QPushButton *m_okButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
    bool m_rateByHand = false;
};

} // namespace plandor
