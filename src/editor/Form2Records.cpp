// Record operations and the plan file of the main window, with their toolbar
// branches. The store work is done by RecordOperations and PlanFile; these
// methods read the window, ask the questions and re-query the grid.
#include "editor/Form2.h"

#include "base/Language.h"
#include "base/MessageBox.h"
#include "base/NumberText.h"
#include "base/TextCatalogue.h"
#include "widgets/FileDialogs.h"
#include "editor/PlanGrid.h"
#include "editor/PlanGridModel.h"
#include "editor/QueuedKeys.h"
#include "store/ChannelStore.h"
#include "store/CopiedIds.h"
#include "store/PlanFile.h"
#include "store/RecordOperations.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>

#include <cmath>

namespace plandor {
namespace {

const QString kYes = QStringLiteral("Yes");
const QString kNo = QStringLiteral("No");
const QString kOrderClauseId = QStringLiteral("ORDER BY ID");
const QString kOrderClauseFreq = QStringLiteral("ORDER BY Freq");

// The favourite boxes and their labels, in the order of the file's lines.
constexpr int kFavoriteBoxes[6] = { 0, 1, 2, 3, 5, 6 };
constexpr int kFavoriteLabels[6] = { 0, 1, 3, 4, 6, 7 };
constexpr int kUnitLabel = 5;
constexpr int kSpanBox = 4;

void showStoreError(const QString &reason)
{
    MessageBox::show(reason, StyleExclamationOk, CatalogueText(2));
}

} // namespace

void Form2::connectRecords()
{
    m_model->beforeColumnUpdate = [this](int column, qint16 &cancel) {
        HandleGridBeforeColUpdate(qint16(column), QVariant(), cancel);
    };
    // A disabled action does not trigger, so the keys follow the buttons.
    const std::pair<int, QKeySequence> shortcuts[] = {
        { 3, QKeySequence(Qt::CTRL | Qt::Key_O) },
        { 4, QKeySequence(Qt::CTRL | Qt::Key_S) },
    };
    for (const auto &[index, keys] : shortcuts) {
        toolButton(index)->setShortcut(keys);
        toolButton(index)->setShortcutContext(Qt::WindowShortcut);
    }
}

// ---- Toolbar branches ----

void Form2::runOpen()
{
    OpenPlanFile();
    if (LoadOk != kYes)
        return;
    setButtonsEnabled({ 2, 4, 7, 9 }, true);
    setButtonsEnabled({ 5, 6, 8 }, false);
}

void Form2::runSave()
{
    SavePlanFile();
    if (SaveOk != kYes)
        return;
    setButtonEnabled(4, true);
    setButtonsEnabled({ 5, 8 }, false);
}

void Form2::runCopy()
{
    CopySelected();
    setButtonEnabled(6, true);
    setButtonEnabled(5, false);
}

void Form2::runPaste()
{
    PasteRows();
    setButtonsEnabled({ 5, 8 }, false);
}

void Form2::runDelete()
{
    // These steps run whatever the question was answered.
    DeleteSelected();
    Renumber(kOrderClauseId);
    RefreshDataGrid(1, QString::fromLatin1(kOrderByFreq));
    setButtonEnabled(4, true);
    setButtonsEnabled({ 5, 6, 8 }, false);
}

void Form2::runInsert()
{
    InsertChannel();
    setButtonEnabled(4, true);
    setButtonsEnabled({ 5, 6, 8 }, false);
}

void Form2::runOrder()
{
    Renumber(kOrderClauseFreq);
    RefreshDataGrid(1, QString::fromLatin1(kOrderByFreq));
    setButtonEnabled(4, true);
    setButtonsEnabled({ 5, 6, 8 }, false);
}

// ---- Record operations ----

void Form2::DeleteSelected()
{
    if (MessageBox::showCatalogue(22, StyleQuestionYesNo) != AnswerYes)
        return;
    // Each selected grid row names its own row of the table, whatever order
    // the grid shows.
    QList<qint64> rowIds;
    const QList<int> rows = m_grid->selectedRowsInOrder();
    for (int row : rows)
        rowIds.append(m_model->rowId(row));
    RecordOperations operations;
    // Renumbered in the same transaction; a failure changes nothing and
    // reports nothing.
    operations.deleteRows(rowIds);
}

void Form2::CopySelected()
{
    const QList<int> rows = m_grid->selectedRowsInOrder();
    if (rows.isEmpty())
        return;
    QList<qint16> ids;
    ids.reserve(rows.size());
    for (int row : rows) {
        // The ID the store holds for the row, since Paste looks it up there.
        const QVariant stored = m_model->storedValue(row, ColumnId);
        const auto id = stored.isNull() ? std::nullopt : NumberText::toInt16(stored.toDouble());
        if (!id)
            return; // the list stays as it was
        ids.append(*id);
    }
    CopiedIds = ids;
}

void Form2::PasteRows()
{
    RecordOperations operations;
    if (!operations.pasteIds(CopiedIds))
        return;
    RefreshDataGrid(1, QString::fromLatin1(kStoredOrder));
}

void Form2::Renumber(const QString &orderClause)
{
    RecordOperations operations;
    operations.renumber(orderClause); // all or nothing; nothing is reported
}

void Form2::HandleGridBeforeInsert(qint16 &cancel)
{
    if (MessageBox::showCatalogue(23, StyleQuestionYesNo) != AnswerYes) {
        cancel = 1;
        return;
    }
    qint32 position = 1;
    if (m_model->rowCount() > 0) {
        const int bookmark = m_grid->currentBookmark();
        const int row = bookmark > 0 ? bookmark - 1 : 0;
        // The ID as the grid shows it; a cell typed into but not a number
        // falls back to the ID the store holds for the row.
        const auto shown = NumberText::parseNumber(m_model->cellText(row, ColumnId));
        const double id = shown ? *shown : m_model->storedValue(row, ColumnId).toDouble();
        position = qint32(qBound(-2147483648.0, std::round(id), 2147483647.0));
    }
    RecordOperations operations;
    switch (operations.insertAt(position)) {
    case RecordOperations::InsertResult::Full:
        return; // every name 1..250 is taken: nothing happens, nothing is said
    case RecordOperations::InsertResult::Failed:
        showStoreError(operations.errorText());
        return;
    case RecordOperations::InsertResult::Inserted:
        break;
    }
    RefreshDataGrid(1, QString::fromLatin1(kOrderById));

    // The grid's cursor starts on the first row; the queued keys take it to
    // the new row's Type column once this handler has returned.
    if (m_model->rowCount() > 0)
        m_grid->selectionModel()->setCurrentIndex(
            m_model->index(0, 0), QItemSelectionModel::NoUpdate);
    // An ID typed beyond the plan (or below 1) put the new channel last (or
    // first): the keys go there instead of past the end.
    const int target = qBound(1, position, qMax(1, m_model->rowCount()));
    QList<int> keys;
    for (int i = 0; i < target / PlanGrid::kRowsPerPage; ++i)
        keys.append(Qt::Key_PageDown);
    for (int i = 0; i < target % PlanGrid::kRowsPerPage - 1; ++i)
        keys.append(Qt::Key_Down);
    keys.append(Qt::Key_Right);
    keys.append(Qt::Key_Right);
    m_grid->setFocus();
    QueuedKeys::send(m_grid, keys);
    cancel = 0;
}

void Form2::InsertChannel()
{
    qint16 cancel = 0;
    HandleGridBeforeInsert(cancel);
}

void Form2::HandleGridBeforeDelete(qint16 &cancel)
{
    MessageBox::showCatalogue(22, StyleExclamationOk);
    cancel = 1;
}

void Form2::HandleGridBeforeColUpdate(qint16 colIndex, const QVariant &oldValue, qint16 &cancel)
{
    Q_UNUSED(colIndex)
    Q_UNUSED(oldValue)
    Q_UNUSED(cancel)
    // An empty table or a store failure leaves the snapshot as it was.
    RecordOperations operations;
    operations.readSnapshot(EditSnapshot);
}

// ---- The plan text file ----

void Form2::SavePlanFile()
{
    QList<StoredRow> stored;
    {
        ChannelStore store;
        // The rows in the order the table yields them; no order is asked for.
        if (!store.select(QString::fromLatin1(kStoredOrder), stored)) {
            SaveOk = kNo;
            showStoreError(store.errorText());
            return;
        }
    }
    if (stored.isEmpty()) {
        MessageBox::showCatalogue(20, StyleExclamationOk);
        SaveOk = kNo;
        return;
    }
    PrepareFileDialog();
    const QString path = FileDialogs::run(FileDialog, true);
    if (path.isEmpty()) {
        SaveOk = kNo;
        return;
    }

    PlanFileSource source;
    source.caption = gridCaption();
    source.rows.reserve(stored.size());
    for (const StoredRow &row : stored)
        source.rows.append(row.values);
    for (int i = 0; i < 6; ++i) {
        source.favoriteLabels[i] = m_label3[kFavoriteLabels[i]]->text();
        source.panel.favorites[i] = m_text1[kFavoriteBoxes[i]]->text();
    }
    source.unitLabel = m_label3[kUnitLabel]->text();
    source.panel.unit = m_combo5->currentText();
    source.panel.span = m_text1[kSpanBox]->text();

    QString error;
    if (!PlanFile::write(path, source, PlanFile::encodingForLanguage(LanguageOffset), &error)) {
        SaveOk = kNo;
        // The old file, if any, is untouched; the user learns why.
        MessageBox::show(QDir::toNativeSeparators(path) + QLatin1Char('\n') + error,
            StyleExclamationOk, CatalogueText(2));
        return;
    }
    SaveOk = kYes;
}

void Form2::OpenPlanFile()
{
    PrepareFileDialog();
    const QString path = FileDialogs::run(FileDialog, false);
    if (path.isEmpty()) {
        LoadOk = kNo;
        return;
    }
    // The whole file is read and checked before the table or the panel is
    // touched, so a refused file changes nothing.
    PlanFileContent content;
    QString error;
    if (!PlanFile::read(path, content, &error)) {
        LoadOk = kNo;
        MessageBox::show(
            CatalogueText(21) + QLatin1Char('\n') + error, StyleExclamationOk, CatalogueText(2));
        return;
    }
    {
        RecordOperations operations;
        if (!operations.replacePlan(content.rows)) {
            LoadOk = kNo;
            showStoreError(operations.errorText());
            return;
        }
    }
    setGridCaption(content.caption);

    const PanelTexts panel = PlanFile::panelFromSlots(content.panelSlots);
    for (int i = 0; i < 6; ++i)
        m_text1[kFavoriteBoxes[i]]->setText(panel.favorites[i]);
    // A unit that is not one of the list's leaves no unit chosen.
    m_combo5->setCurrentIndex(panel.unit.isEmpty() ? -1 : m_combo5->findText(panel.unit));
    SpanValue = panel.span.toFloat();
    m_text1[kSpanBox]->setText(NumberText::shortest(SpanValue));

    RefreshDataGrid(1, QString::fromLatin1(kOrderById));
    LoadOk = kYes;
}

} // namespace plandor
