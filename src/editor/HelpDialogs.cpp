#include "editor/HelpDialogs.h"

#include "base/Language.h"
#include "base/Phrase.h"
#include "base/ProgramVersion.h"
#include "base/TextCatalogue.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTextBrowser>
#include <QVBoxLayout>

// Resources of a static library are brought in by name, outside any namespace.
static void initEditorHelp()
{
    Q_INIT_RESOURCE(editorhelp);
}

namespace plandor {
namespace {

constexpr Phrase kManualTitle { u"编辑窗口说明", u"Editor window manual" };
constexpr Phrase kAboutTitle { u"关于 %1", u"About %1" };
constexpr Phrase kClose { u"关闭", u"Close" };
constexpr Phrase kDescription { u"场强仪频道表编辑器",
    u"Channel plan editor for signal level meters" };
constexpr Phrase kVersion { u"版本 %1", u"Version %1" };
constexpr Phrase kQtVersion { u"运行于 Qt %1", u"Running on Qt %1" };
constexpr Phrase kLicence { u"版权所有 © 2026 Plandor 开发者。保留所有权利。\n"
                            u"本软件仅供 Plandor 开发者交付的用户安装和使用，不得再分发。",
    u"Copyright © 2026 The Plandor developers. All rights reserved.\n"
    u"This program may be installed and used by those to whom the Plandor developers gave "
    u"it; it may not be redistributed." };

QDialogButtonBox *closeButtons(QDialog *dialog)
{
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    buttons->setObjectName(QStringLiteral("closeButtons"));
    QPushButton *close = buttons->button(QDialogButtonBox::Close);
    close->setObjectName(QStringLiteral("closeButton"));
    close->setText(kClose.text());
    close->setAccessibleName(kClose.text());
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

} // namespace

QString ManualDialog::pagePath()
{
    return LanguageOffset == 0 ? QStringLiteral(":/help/manual_zh.html")
                               : QStringLiteral(":/help/manual_en.html");
}

ManualDialog::ManualDialog(QWidget *parent)
    : QDialog(parent)
    , m_browser(new QTextBrowser(this))
{
    initEditorHelp();
    setObjectName(QStringLiteral("manualDialog"));
    setWindowTitle(kManualTitle.text());
    setAccessibleName(kManualTitle.text());
    m_browser->setObjectName(QStringLiteral("manualText"));
    m_browser->setAccessibleName(kManualTitle.text());
    m_browser->setOpenExternalLinks(false);
    m_browser->setSource(QUrl(QStringLiteral("qrc") + pagePath()));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_browser, 1);
    layout->addWidget(closeButtons(this));
    resize(560, 520);
}

AboutDialog::AboutDialog(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("aboutDialog"));
    const QString program = CatalogueText(2);
    setWindowTitle(kAboutTitle.text().arg(program));
    setAccessibleName(windowTitle());
    const QStringList lines
        = { program, kDescription.text(), kVersion.text().arg(ProgramVersion::number()),
              kQtVersion.text().arg(QString::fromLatin1(qVersion())), kLicence.text() };
    m_text = lines.join(QLatin1Char('\n'));

    auto *icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("aboutIcon"));
    icon->setPixmap(windowIcon().pixmap(48, 48));
    icon->setVisible(!windowIcon().isNull()); // no gap where the program has no icon
    auto *name = new QLabel(program, this);
    name->setObjectName(QStringLiteral("aboutName"));
    QFont bold = name->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.4);
    name->setFont(bold);
    auto *details = new QLabel(lines.mid(1).join(QLatin1Char('\n')), this);
    details->setObjectName(QStringLiteral("aboutText"));
    details->setTextFormat(Qt::PlainText);
    details->setWordWrap(true);
    // The version can be copied into a report.
    details->setTextInteractionFlags(Qt::TextSelectableByMouse);
    details->setAccessibleName(m_text);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(icon);
    layout->addWidget(name);
    layout->addWidget(details);
    layout->addWidget(closeButtons(this));
    setFixedWidth(420);
}

QString AboutDialog::text() const
{
    return m_text;
}

} // namespace plandor
