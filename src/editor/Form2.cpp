#include "editor/Form2.h"

#include "base/MessageBox.h"
#include "base/TextCatalogue.h"
#include "widgets/FileDialogs.h"
#include "widgets/WindowPlacement.h"
#include "editor/EventTap.h"
#include "editor/PlanGrid.h"
#include "editor/PlanGridModel.h"
#include "store/DatabaseLocation.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace plandor {
namespace {

struct ButtonSpec
{
    const char *key;
    qint16 captionId;
    QStyle::StandardPixmap icon;
};

// Index 1..9 in this order.
const ButtonSpec kButtons[] = {
    { "Upload", 7, QStyle::SP_ArrowUp },
    { "Download", 8, QStyle::SP_ArrowDown },
    { "Open", 9, QStyle::SP_DialogOpenButton },
    { "Save", 10, QStyle::SP_DialogSaveButton },
    { "Copy", 11, QStyle::SP_FileDialogDetailedView },
    { "Paste", 12, QStyle::SP_FileDialogContentsView },
    { "Insert", 13, QStyle::SP_FileDialogNewFolder },
    { "Delete", 14, QStyle::SP_TrashIcon },
    { "Order", 56, QStyle::SP_FileDialogListView },
};

// The panel's favourite boxes with the label above each, in heading order.
struct FavoriteSlot
{
    int text1;
    int label3;
};
const FavoriteSlot kFavoriteSlots[]
    = { { 0, 0 }, { 1, 1 }, { 2, 3 }, { 3, 4 }, { 5, 6 }, { 6, 7 } };

const qint16 kHeadingIds[] = { 45, 47, 50, 51, 52 };

} // namespace

Form2::Form2(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Form2"));
    buildControls();
    connectTransfer();
    connectRecords();
    connectEditing();
    load();
}

Form2::~Form2()
{
    // The children outlive this body: a grid losing its focus, or an event
    // tap seeing the drop-downs go, while the window is torn down must not
    // reach handlers of a window that is half gone.
    qDeleteAll(findChildren<EventTap *>(QString(), Qt::FindDirectChildrenOnly));
    m_grid->disconnect(this);
    m_model->disconnect(this);
}

void Form2::buildControls()
{
    m_xpForm1 = new QLabel(this);
    m_xpForm1->setObjectName(QStringLiteral("XPForm1"));
    QFont titleFont = m_xpForm1->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.2);
    m_xpForm1->setFont(titleFont);
    m_command10 = new QToolButton(this);
    m_command10->setObjectName(QStringLiteral("Command10"));
    m_command10->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    m_command10->setAutoRaise(true);
    connect(m_command10, &QToolButton::clicked, this, &Form2::closeAll);

    m_toolDs = new QToolBar(this);
    m_toolDs->setObjectName(QStringLiteral("ToolDs"));
    m_toolDs->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolDs->setIconSize(QSize(24, 24));
    for (const ButtonSpec &entry : kButtons) {
        QAction *action = m_toolDs->addAction(style()->standardIcon(entry.icon), QString());
        action->setObjectName(QString::fromLatin1(entry.key));
        action->setData(QString::fromLatin1(entry.key));
        if (QWidget *button = m_toolDs->widgetForAction(action))
            button->setObjectName(QStringLiteral("ToolDs_") + QString::fromLatin1(entry.key));
        connect(action, &QAction::triggered, this, [this, action] { ToolDsButtonClick(action); });
        m_buttons.append(action);
    }

    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("ProgressBar1"));
    m_progressBar->setTextVisible(false);
    m_progressBar->setMaximumHeight(8);

    m_gridCaption = new QLabel(this);
    m_gridCaption->setObjectName(QStringLiteral("FregtableCaption"));
    m_model = new PlanGridModel(this);
    m_grid = new PlanGrid(this);
    m_grid->setPlanModel(m_model);
    m_gridCaption->setBuddy(m_grid);

    m_combo2 = new QComboBox(this);
    m_combo2->setObjectName(QStringLiteral("Combo2"));
    m_combo3 = new QComboBox(this);
    m_combo3->setObjectName(QStringLiteral("Combo3"));
    m_combo4 = new QComboBox(this);
    m_combo4->setObjectName(QStringLiteral("Combo4"));
    for (QComboBox *overlay : { m_combo2, m_combo3, m_combo4 })
        overlay->hide();

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));

    auto *title = new QHBoxLayout;
    title->addWidget(m_xpForm1, 1);
    title->addWidget(m_command10);

    auto *gridArea = new QVBoxLayout;
    gridArea->addWidget(m_gridCaption);
    gridArea->addWidget(m_grid, 1);

    auto *body = new QHBoxLayout;
    body->addLayout(gridArea, 1);
    body->addWidget(buildPanel());

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(title);
    layout->addWidget(m_toolDs);
    layout->addWidget(m_progressBar);
    layout->addLayout(body, 1);

    // The overlays float above the grid, not in the layout.
    for (QComboBox *overlay : { m_combo2, m_combo3, m_combo4 })
        overlay->raise();
}

QWidget *Form2::buildPanel()
{
    m_frame3 = new QGroupBox(this);
    m_frame3->setObjectName(QStringLiteral("Frame3"));
    auto *form = new QVBoxLayout(m_frame3);

    for (int i = 0; i < 7; ++i) {
        m_text1[i] = new QLineEdit(m_frame3);
        m_text1[i]->setObjectName(QStringLiteral("Text1(%1)").arg(i));
    }
    for (int i : { 0, 1, 3, 4, 5, 6, 7 }) {
        m_label3[i] = new QLabel(m_frame3);
        m_label3[i]->setObjectName(QStringLiteral("Label3(%1)").arg(i));
    }
    for (const FavoriteSlot &slot : kFavoriteSlots) {
        m_label3[slot.label3]->setBuddy(m_text1[slot.text1]);
        form->addWidget(m_label3[slot.label3]);
        form->addWidget(m_text1[slot.text1]);
    }

    m_label4 = new QLabel(m_frame3);
    m_label4->setObjectName(QStringLiteral("Label4"));
    m_label4->setBuddy(m_text1[4]);
    m_label5 = new QLabel(QStringLiteral("MHz"), m_frame3);
    m_label5->setObjectName(QStringLiteral("Label5"));
    auto *bandwidth = new QHBoxLayout;
    bandwidth->addWidget(m_text1[4], 1);
    bandwidth->addWidget(m_label5);
    form->addWidget(m_label4);
    form->addLayout(bandwidth);

    m_combo5 = new QComboBox(m_frame3);
    m_combo5->setObjectName(QStringLiteral("Combo5"));
    m_label3[5]->setBuddy(m_combo5);
    form->addWidget(m_label3[5]);
    form->addWidget(m_combo5);

    m_command3 = new QPushButton(m_frame3);
    m_command3->setObjectName(QStringLiteral("Command3"));
    form->addSpacing(8);
    form->addWidget(m_command3);
    form->addStretch(1);
    m_frame3->setMinimumWidth(180);
    return m_frame3;
}

void Form2::load()
{
    m_model->setColumnLocked(2, true);
    m_model->setColumnLocked(4, true);
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setWindowTitle(CatalogueText(2));
    m_combo3->clear();
    m_combo3->addItems({ QStringLiteral("4.50"), QStringLiteral("5.50"), QStringLiteral("6.00"),
        QStringLiteral("6.50") });
    m_combo3->setCurrentText(QStringLiteral("4.50"));
    ClickArmed = 0;
    m_combo5->addItems({ QStringLiteral("dBuV"), QStringLiteral("dBmV") });
    m_combo5->setCurrentIndex(-1); // no unit is chosen yet
    m_timer1->stop();
    for (int i = 2; i <= 9; ++i)
        setButtonEnabled(i, false);
    setButtonEnabled(3, true);
    m_grid->applyMetrics();
    m_progressBar->hide();
    resize(qMax(sizeHint().width(), m_grid->toPixels(330 + 5 * 1750) + 260), 640);
    WindowPlacement::centreOnScreen(this);
    m_progressBar->hide();
    ApplyCaptions();
    FillTypeCombo();
}

void Form2::ApplyCaptions()
{
    for (int i = 0; i < 9; ++i) {
        const QString caption = CatalogueText(kButtons[i].captionId);
        m_buttons[i]->setText(caption);
        if (QWidget *button = m_toolDs->widgetForAction(m_buttons[i]))
            button->setAccessibleName(caption);
    }
    const std::pair<int, qint16> labels[]
        = { { 0, 61 }, { 1, 62 }, { 3, 63 }, { 4, 64 }, { 5, 1 }, { 6, 69 }, { 7, 70 } };
    for (const auto &[index, id] : labels)
        m_label3[index]->setText(CatalogueText(id));
    for (const FavoriteSlot &slot : kFavoriteSlots)
        m_text1[slot.text1]->setAccessibleName(m_label3[slot.label3]->text());
    m_combo5->setAccessibleName(m_label3[5]->text());
    m_command10->setToolTip(CatalogueText(71));
    m_command10->setAccessibleName(CatalogueText(71));
    m_xpForm1->setText(ProgramTitleWithVersion());
    setWindowTitle(ProgramTitleWithVersion());
    for (int c = 0; c < 5; ++c)
        m_model->setHeading(c, CatalogueText(kHeadingIds[c]));
    m_label4->setText(CatalogueText(58));
    m_text1[4]->setAccessibleName(CatalogueText(58));
    m_frame3->setTitle(CatalogueText(66));
    m_frame3->setAccessibleName(CatalogueText(66));
    setGridCaption(CatalogueText(15));
    m_command3->setText(CatalogueText(8));
    m_command3->setAccessibleName(CatalogueText(8));
    m_combo2->setAccessibleName(CatalogueText(50).trimmed());
    m_combo3->setAccessibleName(CatalogueText(52).trimmed());
    m_combo4->setAccessibleName(CatalogueText(52).trimmed());
    m_progressBar->setAccessibleName(CatalogueText(8));
}

void Form2::FillTypeCombo()
{
    m_combo2->clear();
    m_combo2->addItems({ QStringLiteral("TV"), QStringLiteral("DIGI") });
    m_combo2->setCurrentText(QStringLiteral("TV"));
}

void Form2::PrepareFileDialog()
{
    if (!FileDialog) {
        FileDialog = new QFileDialog(this);
        FileDialog->setObjectName(QStringLiteral("dlgrespondsource"));
    }
    FileDialogs::prepare(FileDialog);
}

QString Form2::gridCaption() const
{
    return m_gridCaption->text();
}

void Form2::setGridCaption(const QString &caption)
{
    m_gridCaption->setText(caption);
    m_grid->setAccessibleName(caption.trimmed());
}

bool Form2::RefreshDataGrid(qint16 &refreshcmdType, QString &refreshString)
{
    if (m_model->refresh(refreshcmdType, refreshString)) {
        m_grid->applyMetrics();
        return true;
    }
    MessageBox::show(m_model->errorText() + QStringLiteral("\n") + DatabaseLocation::path(),
        StyleExclamationOk, CatalogueText(2));
    return false;
}

bool Form2::RefreshDataGrid(qint16 refreshcmdType, const QString &refreshString)
{
    QString source = refreshString;
    return RefreshDataGrid(refreshcmdType, source);
}

void Form2::ToolDsButtonClick(QAction *button)
{
    if (button)
        ToolDsButtonClick(button->data().toString());
}

void Form2::ToolDsButtonClick(const QString &key)
{
    if (key == QLatin1String("Upload"))
        runUpload();
    else if (key == QLatin1String("Download"))
        runDownload();
    else if (key == QLatin1String("Open"))
        runOpen();
    else if (key == QLatin1String("Save"))
        runSave();
    else if (key == QLatin1String("Copy"))
        runCopy();
    else if (key == QLatin1String("Paste"))
        runPaste();
    else if (key == QLatin1String("Delete"))
        runDelete();
    else if (key == QLatin1String("Insert"))
        runInsert();
    else if (key == QLatin1String("Order"))
        runOrder();
}

QAction *Form2::toolButton(int index) const
{
    return index >= 1 && index <= m_buttons.size() ? m_buttons[index - 1] : nullptr;
}

void Form2::setButtonEnabled(int index, bool enabled)
{
    if (QAction *action = toolButton(index))
        action->setEnabled(enabled);
}

bool Form2::isButtonEnabled(int index) const
{
    const QAction *action = toolButton(index);
    return action && action->isEnabled();
}

void Form2::setButtonsEnabled(std::initializer_list<int> indexes, bool enabled)
{
    for (int index : indexes)
        setButtonEnabled(index, enabled);
}

void Form2::closeEvent(QCloseEvent *event)
{
    // Closing the main window ends the program; nothing is saved on the way.
    event->accept();
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        if (w != this && w->objectName() == QLatin1String("Form1") && w->isVisible())
            w->close();
    }
}

void Form2::closeAll()
{
    close();
}

} // namespace plandor
