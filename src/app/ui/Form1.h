#pragma once

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace plandor {

class ChannelStore;
class EditorWindow;

// The start-up window: fixes the language of the run, creates the device
// link, lists the serial ports and the baud rates, and on OK hands the chosen
// port to the link and opens the editor window.
class Form1 : public QWidget
{
    Q_OBJECT

public:
    using PortSource = std::function<QStringList()>;
    using LanguageSource = std::function<quint16()>;

    // ports lists the machine's serial ports in enumeration order, language
    // gives the system default language identifier; the defaults ask the system.
    explicit Form1(PortSource ports = {}, LanguageSource language = {}, QWidget *parent = nullptr);
    ~Form1() override;

    // Where OK finds the store the editor window works on (not owned);
    // without one, OK opens the default database itself.
    using StoreSource = std::function<ChannelStore *()>;
    void setStoreSource(StoreSource source) { m_storeSource = std::move(source); }
    void setStore(ChannelStore *store)
    {
        setStoreSource([store] { return store; });
    }

    void ApplyCaptions();
    void GetCOM();
    void InitForm();

    // The port number the OK button hands to the link for a port text: the
    // text from its fourth character on, read as a number (COM3 gives 3).
    static qint16 PortNumberFor(const QString &portText);

    // The editor window, once OK has opened it.
    EditorWindow *editor() const;

    void Command1Click();
    void Command2Click();
    void Command3Click();

private:
    void load();
    void buildControls();
    void optionClicked(qint16 offset);

    PortSource m_ports;
    LanguageSource m_language;
    StoreSource m_storeSource;
    std::unique_ptr<ChannelStore> m_ownStore;
    QPointer<EditorWindow> m_editor;

    QLabel *m_xpForm1 = nullptr;
    QRadioButton *m_option1 = nullptr;
    QRadioButton *m_option2 = nullptr;
    QLabel *m_label1 = nullptr;
    QLabel *m_label2 = nullptr;
    QLabel *m_label4 = nullptr;
    QLabel *m_label5 = nullptr;
    QComboBox *m_combo1 = nullptr;
    QComboBox *m_combo2 = nullptr;
    QPushButton *m_command1 = nullptr;
    QPushButton *m_command2 = nullptr;
    QToolButton *m_command3 = nullptr;
};

} // namespace plandor
