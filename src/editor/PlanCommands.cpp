#include "editor/PlanCommands.h"

#include "base/Language.h"
#include "base/MessageBox.h"
#include "base/NumberText.h"
#include "base/Phrase.h"
#include "base/TextCatalogue.h"
#include "editor/EditorWindow.h"
#include "editor/FavoritesPanel.h"
#include "editor/PlanTableModel.h"
#include "editor/PlanTableView.h"
#include "rules/PlanSizeLimit.h"
#include "store/ChannelStore.h"
#include "store/CopiedIds.h"
#include "store/PlanFile.h"
#include "store/RecordOperations.h"

#include <QDir>
#include <QItemSelectionModel>

#include <cmath>

namespace plandor {
namespace {

constexpr Phrase kMarkedRows { u"有 %1 个频道不符合频道规则，已在表中标出，频道表保持原样。\n"
                               u"第一个（序列号 %2，%3）：%4",
    u"%1 channel(s) break the channel rules and are marked in the grid; the plan is kept as it "
    u"is.\nThe first (ID %2, %3): %4" };
constexpr Phrase kOfferUtf8 {
    u"本语言的编码无法保存：%1。\n是否改为保存为带字节顺序标记的 UTF-8 文件？",
    u"This language's code page cannot hold: %1.\nSave the file as UTF-8 with a byte-order "
    u"mark instead?"
};

constexpr Phrase kOpenTitle { u"打开频道表文件", u"Open plan file" };
constexpr Phrase kSaveTitle { u"保存频道表文件", u"Save plan file" };

} // namespace

PlanCommands::PlanCommands(EditorWindow &window)
    : QObject(&window)
    , m_window(window)
    , m_openPrompt(&window, QStringLiteral("open"), FilePrompt::Mode::Open)
    , m_savePrompt(&window, QStringLiteral("save"), FilePrompt::Mode::Save)
{
    m_openPrompt.setTitle(kOpenTitle.text());
    m_openPrompt.setObjectName(QStringLiteral("dlgrespondsource"));
    m_savePrompt.setTitle(kSaveTitle.text());
}

bool PlanCommands::showFailure(bool ok, const QString &reason)
{
    if (!ok)
        MessageBox::show(reason, MessageStyle::ExclamationOk, CatalogueText(2));
    return ok;
}

bool PlanCommands::open()
{
    const QString path = m_openPrompt.ask();
    return !path.isEmpty() && openFile(path);
}

bool PlanCommands::openFile(const QString &path)
{
    // The whole file is read and checked before the store or the panel is
    // touched, so a refused file changes nothing.
    PlanFileContent content;
    QString error;
    if (!PlanFile::read(path, content, &error))
        return showFailure(false, PlanFile::refusalText(error));
    if (!m_window.replacePlan(content.rows, content.panelOrBlank(), content.caption))
        return false;
    m_window.notePlanFile(path);
    tellAboutPlan(content.tooLarge());
    return true;
}

void PlanCommands::tellAboutPlan(bool warnSize)
{
    const PlanTableModel *model = m_window.model();
    QStringList parts;
    if (warnSize)
        parts.append(PlanSizeLimit::tooLargeText(model->rowCount()));
    if (const QList<RowRefusal> marked = model->refusals(); !marked.isEmpty()) {
        const int first = marked.first().row;
        parts.append(kMarkedRows.text()
                         .arg(marked.size())
                         .arg(model->cellText(first, ColumnId), model->cellText(first, ColumnName),
                             marked.first().refusal.text()));
    }
    if (!parts.isEmpty())
        MessageBox::show(
            parts.join(QStringLiteral("\n\n")), MessageStyle::ExclamationOk, CatalogueText(2));
}

bool PlanCommands::save(bool proposeName)
{
    QList<StoredRow> stored;
    // The rows in the order the table keeps them. Each operation below runs
    // before its error text is read: arguments have no order of their own.
    const bool read = m_window.store().rows(PlanOrder::Stored, stored);
    if (!showFailure(read, m_window.store().errorText()))
        return false;
    if (stored.isEmpty()) {
        MessageBox::showCatalogue(20, MessageStyle::ExclamationOk);
        return false;
    }
    const QString path = m_savePrompt.ask(proposeName ? m_window.planPath() : QString());
    if (path.isEmpty())
        return false;

    PlanFileSource source;
    source.caption = m_window.caption();
    for (const StoredRow &row : std::as_const(stored))
        source.rows.append(row.values);
    const FavoritesPanel *panel = m_window.panel();
    for (int slot = 0; slot < 6; ++slot)
        source.favoriteLabels[slot] = panel->favoriteHeading(slot);
    source.unitLabel = panel->unitHeading();
    source.panel = panel->panel();
    if (!write(path, source))
        return false;
    m_window.notePlanFile(path);
    return true;
}

bool PlanCommands::write(const QString &path, const PlanFileSource &source)
{
    auto encoding = PlanFile::encodingForLanguage(LanguageOffset);
    // Names or a caption the run's code page cannot hold are never written as
    // substitutes: the user may have the file in UTF-8 instead, which Open
    // reads in either run.
    if (const EncodingLoss lost = PlanFile::loss(source, encoding);
        !lost.isEmpty() && PlanFile::loss(source, PlanEncoding::Utf8Bom).isEmpty()) {
        if (MessageBox::show(kOfferUtf8.text().arg(lost.describe(source)),
                MessageStyle::QuestionYesNo, CatalogueText(2))
            != MessageAnswer::Yes)
            return false;
        encoding = PlanEncoding::Utf8Bom;
    }
    QString error;
    // A failed write leaves the old file untouched; the user learns why. The
    // write comes first: the reason is read only once it has been set.
    const bool written = PlanFile::write(path, source, encoding, &error);
    return showFailure(written, QDir::toNativeSeparators(path) + QLatin1Char('\n') + error);
}

void PlanCommands::copy()
{
    const PlanTableModel *model = m_window.model();
    const QList<int> rows = m_window.view()->selectedRowsInOrder();
    if (rows.isEmpty())
        return;
    QList<qint16> ids;
    for (int row : rows) {
        // The ID the store holds for the row, since Paste looks it up there.
        const QVariant stored = model->storedValues(row).value(ColumnId);
        const auto id = stored.isNull() ? std::nullopt : NumberText::toInt16(stored.toDouble());
        if (!id)
            return; // the list stays as it was
        ids.append(*id);
    }
    CopiedIds = ids;
}

void PlanCommands::paste()
{
    RecordOperations operations(m_window.store());
    const PlanTableModel *model = m_window.model();
    const int rowsBefore = model->rowCount();
    const auto markedBefore = model->refusals().size();
    if (CopiedIds.isEmpty() || !operations.pasteIds(CopiedIds))
        return; // an ID no row carries any more: nothing is pasted
    if (!m_window.reload(PlanOrder::Stored))
        return;
    // Told once: when this paste takes the plan past the instrument's limit,
    // or copies a refused row.
    const bool crossedLimit
        = PlanSizeLimit::fits(rowsBefore) && !PlanSizeLimit::fits(model->rowCount());
    if (crossedLimit || model->refusals().size() > markedBefore)
        tellAboutPlan(crossedLimit);
}

void PlanCommands::insert()
{
    if (MessageBox::showCatalogue(23, MessageStyle::QuestionYesNo) != MessageAnswer::Yes)
        return;
    PlanTableModel *model = m_window.model();
    PlanTableView *view = m_window.view();
    qint32 position = 1;
    if (model->rowCount() > 0) {
        const int row = qMax(0, view->currentIndex().row());
        // The ID as the grid shows it; a cell that is not a number falls back
        // to the ID the store holds for the row.
        const auto shown = NumberText::parseNumber(model->cellText(row, ColumnId));
        const double id = shown ? *shown : model->storedValues(row).value(ColumnId).toDouble();
        position = qint32(qBound(-2147483648.0, std::round(id), 2147483647.0));
    }
    RecordOperations operations(m_window.store());
    switch (operations.insertAt(position)) {
    case RecordOperations::InsertResult::Full:
        return; // every name 1..250 is taken: nothing happens, nothing is said
    case RecordOperations::InsertResult::Failed:
        showFailure(false, operations.errorText());
        return;
    case RecordOperations::InsertResult::Inserted:
        break;
    }
    if (!m_window.reload(PlanOrder::ById) || model->rowCount() == 0)
        return;
    // The cursor goes to the new channel's Type; a position beyond the plan
    // put it last, one below 1 first.
    const int row = qBound(1, position, model->rowCount()) - 1;
    view->selectionModel()->setCurrentIndex(
        model->index(row, ColumnType), QItemSelectionModel::NoUpdate);
    view->setFocus();
}

void PlanCommands::remove()
{
    RecordOperations operations(m_window.store());
    if (MessageBox::showCatalogue(22, MessageStyle::QuestionYesNo) == MessageAnswer::Yes) {
        QList<qint64> rowIds;
        for (int row : m_window.view()->selectedRowsInOrder())
            rowIds.append(m_window.model()->rowId(row));
        // Renumbered in the same transaction.
        const bool deleted = operations.deleteRows(rowIds);
        showFailure(deleted, operations.errorText());
    } else {
        const bool renumbered = operations.renumber(PlanOrder::ById);
        showFailure(renumbered, operations.errorText());
    }
    m_window.reload(PlanOrder::ByFreq);
}

void PlanCommands::order()
{
    RecordOperations operations(m_window.store());
    const bool renumbered = operations.renumber(PlanOrder::ByFreq);
    showFailure(renumbered, operations.errorText());
    m_window.reload(PlanOrder::ByFreq);
}

} // namespace plandor
