// Grid cell editing of the main window: the drop-down lists laid over the
// locked cells, the grid's mouse and key handlers, the toolbar buttons its
// events switch, and the channel rules run on committed cells and rows. The
// rules themselves are ChannelRules; these methods read and repair the grid.
#include "editor/Form2.h"

#include "base/MessageBox.h"
#include "editor/EventTap.h"
#include "editor/PlanGrid.h"
#include "editor/PlanGridModel.h"
#include "editor/QueuedKeys.h"
#include "rules/ChannelRules.h"
#include "store/ChannelColumns.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QThread>

namespace plandor {
namespace {

// Mouse and key states as the handlers take them.
constexpr int kLeftButton = 1;
constexpr int kShiftCtrl = 2;
constexpr int kKeyDelete = 46;
constexpr int kKeyC = 67;
constexpr int kKeyV = 86;

// Twips bands of the grid: the row selectors, and the Audio1 column while
// the grid is not scrolled sideways.
constexpr double kSelectorStripEnd = 330;
constexpr double kAudioBandStart = 7320;
constexpr double kAudioBandEnd = 9050;

constexpr qint16 kNoSuchColumn = 9; // Combo4's column; the grid has five

const QString kTv = QStringLiteral("TV");
const QString kDigi = QStringLiteral("DIGI");
const QString kTypeApplied = QStringLiteral(" ");

int buttonState(Qt::MouseButtons buttons)
{
    int state = 0;
    if (buttons & Qt::LeftButton)
        state |= 1;
    if (buttons & Qt::RightButton)
        state |= 2;
    if (buttons & Qt::MiddleButton)
        state |= 4;
    return state;
}

int shiftState(Qt::KeyboardModifiers modifiers)
{
    int state = 0;
    if (modifiers & Qt::ShiftModifier)
        state |= 1;
    if (modifiers & Qt::ControlModifier)
        state |= 2;
    if (modifiers & Qt::AltModifier)
        state |= 4;
    return state;
}

// The key codes HandleGridKeyDown knows: Delete, letters and digits; 0 for
// any other key (Qt's codes of punctuation would collide with them).
int keyCode(int qtKey)
{
    if (qtKey == Qt::Key_Delete)
        return kKeyDelete;
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return qtKey;
    return 0;
}

// Whether widget is holder or lies inside it, its pop-up windows included.
bool holds(const QWidget *holder, const QWidget *widget)
{
    for (; widget; widget = widget->parentWidget()) {
        if (widget == holder)
            return true;
    }
    return false;
}

} // namespace

void Form2::connectEditing()
{
    m_model->beforeRowWrite = [this](qint16 &cancel) { CheckRow(cancel); };

    // When the program moves the cursor while a cell editor is open, the
    // view commits the edit after the cursor has moved: the row to check is
    // the row of the changed cell, not the current one.
    connect(m_model, &QAbstractItemModel::dataChanged, this,
        [this](const QModelIndex &topLeft) { m_changedRow = topLeft.row(); });
    connect(m_model, &PlanGridModel::columnUpdated, this, [this](int column) {
        const int outer = m_reportedRow;
        m_reportedRow = m_changedRow;
        CheckCell(qint16(column));
        m_reportedRow = outer;
    });
    // The grid writes the row it leaves after the cursor has moved; these
    // two bracket that write so that CheckRow reads the row being written.
    QItemSelectionModel *selection = m_grid->selectionModel();
    connect(selection, &QItemSelectionModel::currentChanged, this,
        [this](const QModelIndex &current, const QModelIndex &previous) {
            if (previous.isValid() && previous.row() != current.row())
                m_leavingRow = previous.row();
        });
    connect(
        selection, &QItemSelectionModel::currentRowChanged, this, [this] { m_leavingRow = -1; });

    // The press, not the release: it comes after the grid has moved its
    // current cell to the clicked one, and it carries the buttons held down,
    // which the click steps test ("exactly the left button"); a release
    // reports no button held and would never act.
    connect(m_grid, &PlanGrid::gridMousePressed, this,
        [this](Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPointF twips) {
            HandleGridMouse(buttonState(buttons), shiftState(modifiers), twips.x(), twips.y());
        });
    connect(m_grid, &PlanGrid::gridKeyDown, this, [this](int key, Qt::KeyboardModifiers modifiers) {
        HandleGridKeyDown(keyCode(key), shiftState(modifiers));
    });
    connect(m_model, &PlanGridModel::contentChanged, this, [this] { setButtonEnabled(4, true); });
    // The grid reports every change of its selection; only one that leaves
    // rows selected (through the row selectors) is a row selection. A press
    // on a cell of a selected row changes the selection on the release,
    // after the press has taken the buttons off.
    connect(m_grid, &PlanGrid::rowSelectionChanged, this, [this] {
        if (!m_grid->selectedRowsInOrder().isEmpty())
            setButtonsEnabled({ 5, 8 }, true);
    });
    connect(m_grid, &PlanGrid::scrolled, this, [this] {
        for (QComboBox *overlay : { m_combo2, m_combo3, m_combo4 })
            overlay->hide();
    });
    // The grid's loss of focus re-checks the Type cell: it catches a Type
    // left wrong when the user moves to a drop-down or the panel. The grid's
    // own cell editor is part of the grid, and a switch to another window (a
    // message box among them) is no such move and would only stack a second
    // box on the first.
    connect(m_grid, &PlanGrid::lostFocus, this, [this] {
        QWidget *next = QApplication::focusWidget();
        if (!isActiveWindow() || m_grid->isAncestorOf(next))
            return;
        // The drop-downs check the cell themselves when they are placed and
        // when they are left.
        for (QComboBox *overlay : { m_combo2, m_combo3, m_combo4 }) {
            if (holds(overlay, next))
                return;
        }
        CheckCell(ColumnType);
    });
    // The model's dataError is left unconnected on purpose: the grid shows
    // no box of its own, and the refused change stays in the row.

    auto *tap = new EventTap(
        [this](QObject *watched, QEvent *event) { return filterEditingEvent(watched, event); },
        this);
    tap->setObjectName(QStringLiteral("EditingEvents"));
    for (QObject *watched : { static_cast<QObject *>(m_grid), static_cast<QObject *>(m_combo2),
             static_cast<QObject *>(m_combo3), static_cast<QObject *>(m_combo4) })
        tap->watch(watched);
}

int Form2::currentRow() const
{
    const QModelIndex current = m_grid->currentIndex();
    return current.isValid() ? current.row() : -1;
}

int Form2::editedRow() const
{
    if (m_reportedRow >= 0)
        return m_reportedRow;
    if (m_leavingRow >= 0)
        return m_leavingRow;
    return currentRow();
}

// ---- Channel rules ----

void Form2::CheckCell(qint16 colIndex)
{
    const int row = editedRow();
    if (row < 0 || row >= m_model->rowCount())
        return; // no row: nothing to check
    // The row's cells are read before any rule runs.
    const QString name = m_model->cellText(row, ColumnName);
    const QString type = m_model->cellText(row, ColumnType);
    const QString freqText = m_model->cellText(row, ColumnFreq);
    const float freq = ChannelRules::cellNumber(freqText);
    const float audio1 = ChannelRules::cellNumber(m_model->cellText(row, ColumnAudio1));

    switch (colIndex) {
    case ColumnName:
        if (const qint16 message = ChannelRules::checkName(name)) {
            MessageBox::showCatalogue(message, StyleExclamationOk);
            restoreFromSnapshot(row, ColumnName);
        }
        break;
    case ColumnType: {
        const auto change = ChannelRules::typeChange(TypeBefore, TypeAfter);
        if (change != ChannelRules::TypeChange::None) {
            const double shift = ChannelRules::halfBandwidthShift(m_text1[4]->text());
            m_model->setCellText(
                row, ColumnFreq, ChannelRules::shiftedFreq(freqText, change, shift));
            TypeBefore = kTypeApplied;
            TypeAfter = kTypeApplied;
        } else if (!ChannelRules::isKnownType(type)) {
            MessageBox::showCatalogue(ChannelRules::kTypeMessage, StyleExclamationOk);
        }
        break;
    }
    case ColumnFreq:
        if (const qint16 message = ChannelRules::checkFreq(freq, audio1)) {
            MessageBox::showCatalogue(message, StyleExclamationOk);
            restoreFromSnapshot(row, ColumnFreq);
        }
        break;
    default:
        break; // ID, Audio1 and any other column have no rule
    }
}

void Form2::restoreFromSnapshot(int row, int column)
{
    // The snapshot element is the row's own channel, found by the ID the
    // row was read with: the grid may list the channels in another order
    // (by frequency) than the snapshot (by ID). No element: the cell keeps
    // the value as entered.
    bool ok = false;
    const qint64 id = m_model->storedValue(row, ColumnId).toLongLong(&ok);
    if (!ok)
        return;
    for (const LinkRecord &record : std::as_const(EditSnapshot)) {
        if (record.Id != id)
            continue;
        m_model->setCellText(row, column,
            column == ColumnName ? record.Name : ChannelRules::restoredFreq(record.Freq));
        return;
    }
}

void Form2::CheckRow(qint16 &cancel)
{
    const int row = editedRow();
    if (!ChannelRules::isKnownType(m_model->cellText(row, ColumnType))) {
        MessageBox::showCatalogue(ChannelRules::kTypeMessage, StyleExclamationOk);
        cancel = -1;
        return;
    }
    setButtonEnabled(4, true);
}

// ---- Mouse and keys ----

void Form2::HandleGridMouse(int button, int shift, double x, double y)
{
    Q_UNUSED(shift)
    Q_UNUSED(y)
    if (x < kSelectorStripEnd)
        return;
    if (x > kAudioBandStart && x < kAudioBandEnd)
        m_grid->setCurrentColumnIndex(ColumnAudio1);
    if (ClickArmed == 1 && m_grid->currentColumnIndex() == ColumnAudio1) {
        m_combo3->show();
        PlaceDropDowns(ColumnAudio1);
    }
    setButtonEnabled(8, false);
    setButtonEnabled(5, false);
    if (button != kLeftButton)
        return;

    const int bookmark = m_grid->currentBookmark();
    const int column = m_grid->currentColumnIndex();
    if (bookmark == ClickRow && column == ClickCol) {
        if (column == ColumnType) {
            ClickRow = -1; // the next event counts as a first one again
            toggleType(bookmark - 1);
        } else if (column == ColumnFreq) {
            // The cell has no edit of its own pending here: pressing on the
            // cells has already committed any open editor. Leaving the row
            // and coming back makes the grid write it.
            if (bookmark != 1)
                QueuedKeys::send(m_grid, { Qt::Key_Return, Qt::Key_Up, Qt::Key_Down });
            else
                QueuedKeys::send(m_grid, { Qt::Key_Return, Qt::Key_Down, Qt::Key_Up });
        }
    } else {
        QueuedKeys::send(m_grid, { Qt::Key_Return });
        ClickRow = qint16(bookmark);
        ClickCol = qint16(column);
    }
    ClickArmed = 1;
}

void Form2::toggleType(int row)
{
    if (row < 0)
        return;
    const QString type = m_model->cellText(row, ColumnType);
    const double shift = ChannelRules::halfBandwidthShift(m_text1[4]->text());
    const QString freqText = m_model->cellText(row, ColumnFreq);
    if (type == kTv) {
        m_model->setCellText(row, ColumnType, kDigi);
        m_model->setCellText(row, ColumnFreq,
            ChannelRules::shiftedFreq(freqText, ChannelRules::TypeChange::TvToDigi, shift));
    } else if (type == kDigi) {
        m_model->setCellText(row, ColumnFreq,
            ChannelRules::shiftedFreq(freqText, ChannelRules::TypeChange::DigiToTv, shift));
        m_model->setCellText(row, ColumnType, kTv);
    }
}

void Form2::PlaceDropDowns(qint16 colIndex)
{
    const int row = currentRow();
    if (row < 0)
        return;
    const int bookmark = row + 1;
    // On the current row's cells, as wide as their columns.
    const QRect typeCell = m_grid->cellRect(row, ColumnType);
    const QRect audioCell = m_grid->cellRect(row, ColumnAudio1);
    m_combo2->setGeometry(QRect(m_grid->mapTo(this, typeCell.topLeft()),
        QSize(m_grid->columnWidth(ColumnType), typeCell.height())));
    m_combo3->setGeometry(QRect(m_grid->mapTo(this, audioCell.topLeft()),
        QSize(m_grid->columnWidth(ColumnAudio1), audioCell.height())));

    switch (colIndex) {
    case ColumnType:
        EditCol = ColumnType;
        if (PlacedRow == bookmark)
            m_model->setCellText(row, ColumnType, m_combo2->currentText());
        break;
    case ColumnAudio1:
        EditCol = ColumnAudio1;
        m_model->setCellText(row, ColumnAudio1, m_combo3->currentText());
        m_combo3->show();
        m_combo3->raise();
        break;
    case kNoSuchColumn:
        EditCol = kNoSuchColumn;
        return; // the grid has no such column
    default:
        break;
    }
    CheckCell(EditCol);
    PlacedRow = qint16(bookmark);
}

void Form2::HandleGridKeyDown(int keyCode, int shift)
{
    // The commands run whatever their buttons' states.
    if (keyCode == kKeyDelete)
        ToolDsButtonClick(toolButton(8));
    else if (keyCode == kKeyC && shift == kShiftCtrl)
        ToolDsButtonClick(toolButton(5));
    else if (keyCode == kKeyV && shift == kShiftCtrl)
        ToolDsButtonClick(toolButton(6));
}

// ---- The drop-downs ----

void Form2::openDropDownFromKeyboard(int column)
{
    QComboBox *combo = column == ColumnType ? m_combo2 : m_combo3;
    // The list starts at the cell's own value, so that opening it and
    // leaving without a choice changes nothing.
    const int item = combo->findText(m_model->displayText(currentRow(), column));
    if (item >= 0)
        combo->setCurrentIndex(item);
    PlaceDropDowns(qint16(column));
    combo->show();
    combo->raise();
    combo->setFocus(Qt::OtherFocusReason);
    combo->showPopup();
}

bool Form2::filterEditingEvent(QObject *watched, QEvent *event)
{
    if (watched == m_grid) {
        if (event->type() != QEvent::KeyPress)
            return false;
        // F4 and Alt+Down open a locked cell's drop-down, as its button would.
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool opens = (key->key() == Qt::Key_F4 && key->modifiers() == Qt::NoModifier)
            || (key->key() == Qt::Key_Down && key->modifiers() == Qt::AltModifier);
        const int column = m_grid->currentColumnIndex();
        if (!opens || currentRow() < 0 || (column != ColumnType && column != ColumnAudio1))
            return false;
        openDropDownFromKeyboard(column);
        return true;
    }

    auto *combo = qobject_cast<QComboBox *>(watched);
    if (!combo)
        return false;
    switch (event->type()) {
    case QEvent::FocusIn:
    case QEvent::FocusOut: {
        // The combo's own list opening or closing, and a switch to another
        // window, are no entering or leaving of the drop-down.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason)
            return false;
        if (event->type() == QEvent::FocusIn)
            dropDownFocusIn(combo);
        else if (!holds(combo, QApplication::focusWidget()))
            dropDownFocusOut(combo);
        return false;
    }
    case QEvent::KeyPress: {
        // Leaving from the keyboard commits as any loss of focus does, and
        // gives the grid back its focus.
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Escape || key == Qt::Key_Tab || key == Qt::Key_Backtab
            || key == Qt::Key_Return || key == Qt::Key_Enter) {
            m_grid->setFocus(Qt::OtherFocusReason);
            return true;
        }
        return false;
    }
    default:
        return false;
    }
}

void Form2::dropDownFocusIn(QComboBox *combo)
{
    if (combo != m_combo2)
        return;
    const int row = currentRow();
    TypeBefore = m_model->cellText(row, EditCol);
    m_model->setCellText(row, EditCol, m_combo2->currentText());
}

void Form2::dropDownFocusOut(QComboBox *combo)
{
    const int row = currentRow();
    if (combo == m_combo2) {
        QThread::msleep(10); // the Type list's choice settles before it is taken
        m_model->setCellText(row, EditCol, m_combo2->currentText());
        TypeAfter = m_model->cellText(row, EditCol);
        m_combo2->hide();
        CheckCell(ColumnType);
    } else if (combo == m_combo3) {
        m_model->setCellText(row, EditCol, m_combo3->currentText());
        m_combo3->hide();
        CheckCell(ColumnAudio1);
    } else if (combo == m_combo4) {
        m_model->setCellText(row, EditCol, m_combo4->currentText());
        m_combo4->hide();
        CheckCell(kNoSuchColumn);
    }
}

} // namespace plandor
