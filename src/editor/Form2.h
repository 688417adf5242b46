#pragma once

#include "transfer/LinkRecord.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <QWidget>

class QAction;
class QComboBox;
class QFileDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class QToolBar;
class QToolButton;

namespace plandor {

class PlanGrid;
class PlanGridModel;

// The main window: the plan grid, the toolbar, the drop-down lists laid over
// grid cells and the favourites panel. The handlers of its controls do the
// work; the operations several handlers share are its methods, grouped by
// area in Form2.cpp (window), Form2Transfer.cpp, Form2Records.cpp and
// Form2Editing.cpp.
class Form2 : public QWidget
{
    Q_OBJECT

public:
    static constexpr const char *kOrderByFreq = "SELECT * FROM ChannelPlanUser ORDER BY Freq";
    static constexpr const char *kOrderById = "SELECT * FROM ChannelPlanUser ORDER BY ID";
    static constexpr const char *kStoredOrder = "SELECT * FROM ChannelPlanUser";

    explicit Form2(QWidget *parent = nullptr);
    ~Form2() override;

    // ---- Window state shared by the areas ----
    QString LoadOk; // "Yes"/"No": the last load of a plan into the store
    QString SaveOk; // "Yes"/"No": the last save
    QFileDialog *FileDialog = nullptr;
    qint16 EditCol = 0; // column whose drop-down is being committed
    QList<LinkRecord> EditSnapshot; // the plan in ID order, element 0 first
    QString TypeBefore;
    QString TypeAfter;
    qint16 ClickRow = 0;
    qint16 ClickCol = 0;
    qint16 ClickArmed = 0;
    qint16 PlacedRow = 0;
    LinkRecordArray SendRecords; // the records of the last send
    float SpanValue = 0.0f; // the bandwidth last loaded into the panel

    // ---- Window (Form2.cpp) ----
    // Re-queries the grid. Shows the reason and leaves the grid as it was
    // when the store cannot run the query; returns whether it could.
    bool RefreshDataGrid(qint16 &refreshcmdType, QString &refreshString);
    bool RefreshDataGrid(qint16 refreshcmdType = 1,
        const QString &refreshString = QString::fromLatin1(kOrderByFreq));
    void ApplyCaptions();
    void FillTypeCombo();
    void PrepareFileDialog();
    qint32 GetPlanSelector() const { return 0; }
    // Runs the toolbar command keyed key ("Upload", ..., "Order"); any other
    // key does nothing.
    void ToolDsButtonClick(const QString &key);
    void ToolDsButtonClick(QAction *button);

    // Toolbar buttons by their index 1..9.
    QAction *toolButton(int index) const;
    void setButtonEnabled(int index, bool enabled);
    bool isButtonEnabled(int index) const;
    void setButtonsEnabled(std::initializer_list<int> indexes, bool enabled);

    PlanGrid *grid() const { return m_grid; }
    PlanGridModel *gridModel() const { return m_model; }
    QString gridCaption() const;
    void setGridCaption(const QString &caption);
    QLineEdit *text1(int index) const { return m_text1[index]; }
    QLabel *label3(int index) const { return m_label3[index]; }
    QComboBox *combo2() const { return m_combo2; }
    QComboBox *combo3() const { return m_combo3; }
    QComboBox *combo4() const { return m_combo4; }
    QComboBox *combo5() const { return m_combo5; }
    QProgressBar *progressBar() const { return m_progressBar; }
    QTimer *timer1() const { return m_timer1; }
    QPushButton *command3() const { return m_command3; }

    // ---- Instrument transfer (Form2Transfer.cpp) ----
    void UploadPlan();
    qint16 DownloadPlan();
    qint16 FillSendRecords();
    void StoreReceivedPlan(LinkRecordArray &records);
    static QString FailureLetter(qint32 selector);
    void TransferPulse();
    void CheckFavoritesPanel(qint16 index);
    void SendFavorites();

    // ---- Record operations and the plan file (Form2Records.cpp) ----
    void DeleteSelected();
    void CopySelected();
    void PasteRows();
    void Renumber(const QString &orderClause);
    void HandleGridBeforeInsert(qint16 &cancel);
    void InsertChannel();
    void HandleGridBeforeDelete(qint16 &cancel);
    void HandleGridBeforeColUpdate(qint16 colIndex, const QVariant &oldValue, qint16 &cancel);
    void SavePlanFile();
    void OpenPlanFile();

    // ---- Grid cell editing and its rules (Form2Editing.cpp) ----
    void CheckCell(qint16 colIndex);
    void CheckRow(qint16 &cancel);
    // button: 1 left, 2 right, 4 middle (or'ed); shift: 1 Shift, 2 Ctrl,
    // 4 Alt; x, y in twips relative to the grid.
    void HandleGridMouse(int button, int shift, double x, double y);
    void PlaceDropDowns(qint16 colIndex);
    void HandleGridKeyDown(int keyCode, int shift);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    QWidget *buildPanel();
    void load();
    void closeAll();

    // Toolbar branches, each in the file of its area.
    void runUpload();
    void runDownload();
    void runOpen();
    void runSave();
    void runCopy();
    void runPaste();
    void runDelete();
    void runInsert();
    void runOrder();

    // Each area wires the signals of the controls it handles.
    void connectTransfer();
    void connectRecords();
    void connectEditing();

    QLabel *m_xpForm1 = nullptr;
    QToolButton *m_command10 = nullptr;
    QToolBar *m_toolDs = nullptr;
    QList<QAction *> m_buttons; // index 0 is button 1
    QProgressBar *m_progressBar = nullptr;
    QLabel *m_gridCaption = nullptr;
    PlanGrid *m_grid = nullptr;
    PlanGridModel *m_model = nullptr;
    QComboBox *m_combo2 = nullptr;
    QComboBox *m_combo3 = nullptr;
    QComboBox *m_combo4 = nullptr;
    QComboBox *m_combo5 = nullptr;
    QGroupBox *m_frame3 = nullptr;
    QLabel *m_label3[8] = {};
    QLineEdit *m_text1[7] = {};
    QLabel *m_label4 = nullptr;
    QLabel *m_label5 = nullptr;
    QPushButton *m_command3 = nullptr;
    QTimer *m_timer1 = nullptr;

    // ---- Members private to an area go below, in the area's own block ----
    // transfer:
    // Shows the progress bar, starts Timer1 and checks the connection; an
    // unreachable instrument is reported and gives false.
    bool startTransfer();
    // records:
    // editing:
    // The row a check works on: the row of the user's edit being reported,
    // the row the cursor is leaving while the grid writes it, else the
    // current row; -1 when there is none.
    int editedRow() const;
    int currentRow() const;
    void restoreFromSnapshot(int row, int column);
    void toggleType(int row);
    void openDropDownFromKeyboard(int column);
    bool filterEditingEvent(QObject *watched, QEvent *event);
    void dropDownFocusIn(QComboBox *combo);
    void dropDownFocusOut(QComboBox *combo);
    int m_changedRow = -1; // row of the model's last changed cell
    int m_reportedRow = -1; // row of the user's edit while columnUpdated is handled
    int m_leavingRow = -1; // row the cursor leaves while the grid writes it
};

} // namespace plandor
