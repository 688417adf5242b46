#include "editor/PlanExchange.h"

#include "base/Language.h"
#include "base/MessageBox.h"
#include "base/Phrase.h"
#include "base/TextCatalogue.h"
#include "editor/CompareDialog.h"
#include "editor/EditorWindow.h"
#include "editor/FavoritesPanel.h"
#include "editor/HistoryDialog.h"
#include "editor/PlanCommands.h"
#include "editor/PlanTableModel.h"
#include "editor/RecentPlans.h"
#include "editor/TransferCommands.h"
#include "editor/UndoCommands.h"
#include "editor/WindowCommands.h"
#include "store/ChannelStore.h"
#include "store/PlanComparison.h"
#include "store/PlanCsv.h"
#include "store/PlanFile.h"
#include "transfer/PlanTransfer.h"
#include "transfer/ProcessLink.h"
#include "widgets/FileDialogs.h"
#include "widgets/ShortcutTip.h"
#include "widgets/ToolbarNames.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

namespace plandor {
namespace {

constexpr Phrase kMenu { u"频道表", u"Plan" };
constexpr Phrase kMenuName { u"频道表菜单", u"Plan menu" };
constexpr Phrase kMenuTip { u"传送记录、比较频道表、CSV 导入导出",
    u"History, compare plans, CSV export and import" };
constexpr Phrase kHistory { u"传送记录…", u"History..." };
constexpr Phrase kCompareInstrument { u"与仪表比较", u"Compare with instrument" };
constexpr Phrase kCompareFile { u"与频道表文件比较…", u"Compare with plan file..." };
constexpr Phrase kExportCsv { u"导出 CSV…", u"Export CSV..." };
constexpr Phrase kImportCsv { u"导入 CSV…", u"Import CSV..." };
constexpr Phrase kImportStep { u"导入 CSV", u"Import CSV" };
constexpr Phrase kInstrument { u"仪表", u"Instrument" };
// A history entry as the Compare view names it: direction and local time.
constexpr Phrase kEntryName { u"%1 %2", u"%1 %2" };
constexpr Phrase kPlanFiles { u"频道表文件 (*.txt *.csv)", u"Plan files (*.txt *.csv)" };
constexpr Phrase kCsvFiles { u"CSV 表格 (*.csv)", u"CSV tables (*.csv)" };
constexpr Phrase kCompareTitle { u"与频道表文件比较", u"Compare with plan file" };
constexpr Phrase kExportTitle { u"导出 CSV 表格", u"Export CSV table" };
constexpr Phrase kImportTitle { u"导入 CSV 表格", u"Import CSV table" };
constexpr Phrase kRecent { u"最近的频道表", u"Recent plans" };
constexpr Phrase kNoRecent { u"（无）", u"(none)" };
constexpr Phrase kClearRecent { u"清除列表", u"Clear" };
constexpr Phrase kRecentGone { u"找不到频道表文件：\n%1\n已从最近的频道表中删除。",
    u"The plan file is no longer there:\n%1\nIt was taken off the recent plans." };

void showError(const QString &text)
{
    MessageBox::show(text, MessageStyle::ExclamationOk, CatalogueText(2));
}

bool isCsv(const QString &path)
{
    return path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive);
}

} // namespace

PlanExchange *PlanExchange::attach(EditorWindow &window)
{
    if (auto *existing = window.findChild<PlanExchange *>())
        return existing;
    return new PlanExchange(window);
}

PlanExchange::PlanExchange(EditorWindow &window)
    : QObject(&window)
    , m_window(window)
    , m_menuAction(new QAction(&window))
    , m_comparePrompt(&window, QStringLiteral("compare"), FilePrompt::Mode::Open,
          { kPlanFiles.text(), FileDialogs::allFilesFilter() }, QStringLiteral("txt"))
    , m_exportPrompt(&window, QStringLiteral("exportCsv"), FilePrompt::Mode::Save,
          { kCsvFiles.text(), FileDialogs::allFilesFilter() }, QStringLiteral("csv"))
    , m_importPrompt(&window, QStringLiteral("importCsv"), FilePrompt::Mode::Open,
          { kCsvFiles.text(), FileDialogs::allFilesFilter() }, QStringLiteral("csv"))
{
    setObjectName(QStringLiteral("planExchange"));
    m_history = addCommand("historyAction", QKeySequence(Qt::CTRL | Qt::Key_H));
    m_compareInstrument
        = addCommand("compareInstrumentAction", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I));
    m_compareFile = addCommand("compareFileAction", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    m_exportCsv = addCommand("exportCsvAction", QKeySequence(Qt::CTRL | Qt::Key_E));
    m_importCsv = addCommand("importCsvAction", QKeySequence(Qt::CTRL | Qt::Key_I));
    connect(m_history, &QAction::triggered, this, &PlanExchange::showHistory);
    connect(m_compareInstrument, &QAction::triggered, this, [this] { compareWithInstrument(); });
    connect(m_compareFile, &QAction::triggered, this, [this] { compareWithFile(); });
    connect(m_exportCsv, &QAction::triggered, this, [this] { exportCsv(); });
    connect(m_importCsv, &QAction::triggered, this, [this] { importCsv(); });

    QMenu *menu = buildMenu(window);
    menu->setToolTipsVisible(true);
    m_menuAction->setObjectName(QStringLiteral("Plan"));
    m_menuAction->setIcon(window.style()->standardIcon(QStyle::SP_FileDialogInfoView));
    m_menuAction->setMenu(menu);
    // Beside Open and Save, the other commands that move whole plans; the
    // toolbar's end may be folded away on a narrow window.
    window.toolbar()->insertAction(window.actions()->action(EditorCommand::Copy), m_menuAction);
    if (QToolButton *button = menuButton()) {
        button->setObjectName(QStringLiteral("ToolDs_Plan"));
        button->setPopupMode(QToolButton::InstantPopup);
    }
    // Alt+P opens the menu as Alt and a menu's letter would.
    m_menuAction->setShortcut(QKeySequence(Qt::ALT | Qt::Key_P));
    connect(m_menuAction, &QAction::triggered, this, [this] {
        if (QToolButton *button = menuButton(); button && !this->menu()->isVisible())
            button->showMenu();
    });

    connect(&window, &EditorWindow::stateChanged, this, &PlanExchange::updateEnabled);
    const PlanTableModel *model = window.model();
    connect(model, &QAbstractItemModel::modelReset, this, &PlanExchange::updateEnabled);
    connect(model, &QAbstractItemModel::rowsInserted, this, &PlanExchange::updateEnabled);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &PlanExchange::updateEnabled);
    applyCaptions();
    updateEnabled();
}

QMenu *PlanExchange::buildMenu(EditorWindow &window)
{
    auto *menu = new QMenu(&window);
    menu->setObjectName(QStringLiteral("planExchangeMenu"));
    menu->addAction(m_history);
    menu->addSeparator();
    menu->addAction(m_compareInstrument);
    menu->addAction(m_compareFile);
    menu->addSeparator();
    menu->addAction(m_exportCsv);
    menu->addAction(m_importCsv);
    menu->addSeparator();
    m_recentMenu = menu->addMenu(QString());
    m_recentMenu->setObjectName(QStringLiteral("recentPlansMenu"));
    m_recentMenu->menuAction()->setObjectName(QStringLiteral("recentPlansAction"));
    // The entries name the file; the whole path shows on hovering.
    m_recentMenu->setToolTipsVisible(true);
    m_clearRecent = new QAction(this); // kept when the menu is cleared
    m_clearRecent->setObjectName(QStringLiteral("clearRecentPlansAction"));
    connect(m_clearRecent, &QAction::triggered, window.recentPlans(), &RecentPlans::clear);
    connect(window.recentPlans(), &RecentPlans::changed, this, &PlanExchange::fillRecentMenu);
    if (WindowCommands *commands = window.windowCommands()) {
        menu->addAction(commands->saveAsAction());
        menu->addSeparator();
        menu->addAction(commands->manualAction());
        menu->addAction(commands->aboutAction());
        menu->addSeparator();
        menu->addAction(commands->quitAction());
    }
    return menu;
}

QAction *PlanExchange::addCommand(const char *name, const QKeySequence &shortcut)
{
    auto *action = new QAction(&m_window);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
    // In the window as well as in the menu, so that the shortcut works while
    // the menu is closed.
    m_window.addAction(action);
    return action;
}

QMenu *PlanExchange::menu() const
{
    return m_menuAction->menu();
}

QToolButton *PlanExchange::menuButton() const
{
    return qobject_cast<QToolButton *>(m_window.toolbar()->widgetForAction(m_menuAction));
}

void PlanExchange::applyCaptions()
{
    m_menuAction->setText(kMenu.text());
    m_menuAction->setToolTip(kMenuTip.text());
    ToolbarNames::setAccessibleName(m_menuAction, kMenuName.text());
    const std::pair<QAction *, const Phrase *> captions[] = {
        { m_history, &kHistory },
        { m_compareInstrument, &kCompareInstrument },
        { m_compareFile, &kCompareFile },
        { m_exportCsv, &kExportCsv },
        { m_importCsv, &kImportCsv },
    };
    for (const auto &[action, phrase] : captions) {
        action->setText(phrase->text());
        setToolTipWithShortcut(action, phrase->text());
    }
    m_recentMenu->setTitle(kRecent.text());
    m_recentMenu->setAccessibleName(kRecent.text());
    m_clearRecent->setText(kClearRecent.text());
    m_comparePrompt.setTitle(kCompareTitle.text());
    m_exportPrompt.setTitle(kExportTitle.text());
    m_importPrompt.setTitle(kImportTitle.text());
    fillRecentMenu();
}

void PlanExchange::fillRecentMenu()
{
    m_recentMenu->clear(); // deletes the entries, which the menu owns
    const QStringList paths = m_window.recentPlans()->paths();
    for (int i = 0; i < paths.size(); ++i) {
        const QString &path = paths[i];
        // "&" in a file name is shown, not taken for a mnemonic.
        QString name = QFileInfo(path).fileName().replace(QLatin1Char('&'), QStringLiteral("&&"));
        // The first nine are reached by their number's key in the open menu.
        if (i < 9)
            name = QStringLiteral("&%1 %2").arg(i + 1).arg(name);
        QAction *entry = m_recentMenu->addAction(name);
        entry->setObjectName(QStringLiteral("recentPlan%1").arg(i + 1));
        entry->setToolTip(QDir::toNativeSeparators(path));
        entry->setStatusTip(QDir::toNativeSeparators(path));
        entry->setData(path);
        connect(entry, &QAction::triggered, this, [this, path] { openRecent(path); });
    }
    if (paths.isEmpty()) {
        QAction *none = m_recentMenu->addAction(kNoRecent.text());
        none->setObjectName(QStringLiteral("noRecentPlans"));
        none->setEnabled(false);
    }
    m_recentMenu->addSeparator();
    m_recentMenu->addAction(m_clearRecent);
    m_clearRecent->setEnabled(!paths.isEmpty());
}

bool PlanExchange::openRecent(const QString &path)
{
    if (!ready())
        return false;
    if (!QFileInfo(path).isFile()) {
        m_window.recentPlans()->remove(path);
        showError(kRecentGone.text().arg(QDir::toNativeSeparators(path)));
        return false;
    }
    return m_window.openPlanFile(path);
}

void PlanExchange::updateEnabled()
{
    const bool idle = !m_window.isTransferring();
    const bool hasPlan = m_window.model()->rowCount() > 0;
    m_menuAction->setEnabled(idle);
    m_recentMenu->setEnabled(idle);
    m_history->setEnabled(idle);
    m_importCsv->setEnabled(idle);
    m_compareInstrument->setEnabled(idle && hasPlan);
    m_compareFile->setEnabled(idle && hasPlan);
    m_exportCsv->setEnabled(idle && hasPlan);
    // A transfer just ended: it may have added an entry.
    if (idle && m_wasBusy && m_historyDialog && m_historyDialog->isVisible())
        m_historyDialog->refresh();
    m_wasBusy = !idle;
}

bool PlanExchange::ready()
{
    return !m_window.isTransferring() && m_window.commitPending();
}

std::optional<QList<ChannelValues>> PlanExchange::currentRows()
{
    QList<StoredRow> stored;
    if (!m_window.store().rows(PlanOrder::ByFreq, stored)) {
        showError(m_window.store().errorText());
        return std::nullopt;
    }
    QList<ChannelValues> rows;
    rows.reserve(stored.size());
    for (const StoredRow &row : std::as_const(stored))
        rows.append(row.values);
    return rows;
}

void PlanExchange::showComparison(const QList<ChannelValues> &other, const QString &otherName)
{
    const auto current = currentRows();
    if (!current)
        return;
    if (!m_compare)
        m_compare = new CompareDialog(&m_window);
    m_compare->setComparison(PlanComparison(other, *current), otherName);
    m_compare->show();
    m_compare->raise();
    m_compare->activateWindow();
}

HistoryDialog *PlanExchange::historyDialog()
{
    if (!m_historyDialog) {
        m_historyDialog = new HistoryDialog(&m_window);
        connect(m_historyDialog, &HistoryDialog::openRequested, this,
            [this](const PlanHistory::Entry &entry) {
                // The opened plan is what the user wants to see next.
                if (openEntry(entry))
                    m_historyDialog->close();
            });
        connect(m_historyDialog, &HistoryDialog::compareRequested, this,
            &PlanExchange::compareWithEntry);
    }
    return m_historyDialog;
}

void PlanExchange::showHistory()
{
    HistoryDialog *dialog = historyDialog();
    dialog->refresh();
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

bool PlanExchange::compareWithInstrument()
{
    if (!ready())
        return false;
    // The progress bar, the connection check and its message are those of
    // an Upload; the plan read is shown, never stored.
    auto *transfer = m_window.findChild<TransferCommands *>();
    DeviceLink *link = ProcessLink::get();
    if (!transfer || !link || !transfer->begin())
        return false;
    const EditorState before = m_window.state();
    EditorState busy = before;
    busy.busy = true;
    m_window.setState(busy);
    PlanTransfer reader(*link);
    const auto plan = reader.read();
    transfer->end();
    m_window.setState(before);
    if (!plan) {
        // As an Upload reports a failed read.
        MessageBox::show(QStringLiteral("A") + CatalogueText(65), MessageStyle::InformationOk,
            CatalogueText(65));
        return false;
    }
    showComparison(plan->rows, kInstrument.text());
    return true;
}

std::optional<PlanFileContent> PlanExchange::readPlan(
    const std::function<bool(PlanFileContent &, QString *)> &reader)
{
    PlanFileContent content;
    QString error;
    if (reader(content, &error))
        return content;
    // As Open tells of a file it refuses: message 21 and the reason.
    showError(CatalogueText(21) + QLatin1Char('\n') + error);
    return std::nullopt;
}

bool PlanExchange::compareWithFile()
{
    if (!ready())
        return false;
    const QString path = m_comparePrompt.ask();
    if (path.isEmpty())
        return false;
    const auto content = readPlan([&](PlanFileContent &out, QString *error) {
        return isCsv(path) ? PlanCsv::read(path, out, error) : PlanFile::read(path, out, error);
    });
    if (!content)
        return false;
    showComparison(content->rows, QFileInfo(path).fileName());
    return true;
}

bool PlanExchange::compareWithEntry(const PlanHistory::Entry &entry)
{
    if (!ready())
        return false;
    const auto content = readPlan(
        [&](PlanFileContent &out, QString *error) { return PlanHistory::load(entry, out, error); });
    if (!content)
        return false;
    showComparison(content->rows,
        kEntryName.text().arg(PlanHistory::directionText(entry.direction),
            entry.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))));
    return true;
}

bool PlanExchange::openEntry(const PlanHistory::Entry &entry)
{
    if (!ready())
        return false;
    const auto content = readPlan(
        [&](PlanFileContent &out, QString *error) { return PlanHistory::load(entry, out, error); });
    if (!content || !m_window.replacePlan(content->rows, content->panelOrBlank(), content->caption))
        return false;
    if (auto *undo = m_window.findChild<PlanUndo *>())
        undo->settle(PlanUndo::historyName());
    return true;
}

bool PlanExchange::exportCsv()
{
    if (!ready())
        return false;
    QList<StoredRow> stored;
    // The rows in the order the table keeps them, as Save writes them.
    if (!m_window.store().rows(PlanOrder::Stored, stored)) {
        showError(m_window.store().errorText());
        return false;
    }
    if (stored.isEmpty()) {
        MessageBox::showCatalogue(20, MessageStyle::ExclamationOk);
        return false;
    }
    // The plan's own name as a table; never the name another question was given.
    const QString path = m_exportPrompt.ask(m_window.planPath());
    if (path.isEmpty())
        return false;
    QList<ChannelValues> rows;
    rows.reserve(stored.size());
    for (const StoredRow &row : std::as_const(stored))
        rows.append(row.values);
    QString error;
    if (!PlanCsv::write(path, rows, LanguageOffset, &error)) {
        showError(QDir::toNativeSeparators(path) + QLatin1Char('\n') + error);
        return false;
    }
    return true;
}

bool PlanExchange::importCsv()
{
    if (!ready())
        return false;
    const QString path = m_importPrompt.ask();
    return !path.isEmpty() && importCsvFile(path);
}

bool PlanExchange::importCsvFile(const QString &path)
{
    if (!ready())
        return false;
    // Read and checked whole before anything changes, as Open does.
    const auto content = readPlan(
        [&](PlanFileContent &out, QString *error) { return PlanCsv::read(path, out, error); });
    // A table has no panel: the panel stays as it is.
    if (!content
        || !m_window.replacePlan(content->rows, m_window.panel()->panel(), content->caption))
        return false;
    m_window.notePlanFile(path);
    if (auto *undo = m_window.findChild<PlanUndo *>())
        undo->settle(kImportStep.text());
    // Marked rows and a plan past the limit are told as Open tells them.
    if (auto *commands = m_window.findChild<PlanCommands *>())
        commands->tellAboutPlan(content->tooLarge());
    return true;
}

} // namespace plandor
