// Instrument transfer of the main window: the Upload and Download toolbar
// commands, reading and sending the plan, and the favourites panel.
#include "editor/Form2.h"

#include "base/MessageBox.h"
#include "base/TextCatalogue.h"
#include "store/ChannelStore.h"
#include "store/PanelTexts.h"
#include "transfer/DeviceLink.h"
#include "transfer/FavoritesPanelCheck.h"
#include "transfer/PlanRecords.h"
#include "transfer/PlanSizeLimit.h"
#include "transfer/ProcessLink.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <array>

namespace plandor {
namespace {

constexpr int kPulseIntervalMs = 10;
// The instrument needs this long after a write before it is asked to end the
// transfer.
constexpr unsigned long kPauseAfterWriteMs = 500;
constexpr int kToolbarButtons = 9;

// The favourite boxes in the order of FavoritesRecord's Favorite1..Favorite6.
constexpr std::array<int, 6> kFavoriteBoxes = FavoritesPanelCheck::kFavoriteBoxes;

void pauseAfterWrite()
{
    QThread::msleep(kPauseAfterWriteMs);
}

PanelTexts panelTexts(const Form2 &form)
{
    PanelTexts panel;
    for (int i = 0; i < 6; ++i)
        panel.favorites[i] = form.text1(kFavoriteBoxes[i])->text();
    panel.span = form.text1(FavoritesPanelCheck::kBandwidthBox)->text();
    panel.unit = form.combo5()->currentText();
    return panel;
}

// A missing link (no start-up window ran) cannot reach the instrument either.
bool instrumentReachable()
{
    DeviceLink *link = ProcessLink::get();
    return link && qint16(link->CheckConnection()) != 0;
}

// Message 16. The link's own reason, when it gives one, goes on a second line
// so that the catalogue text stays the message's first line.
void reportUnreachable()
{
    QString text = CatalogueText(16);
    if (DeviceLink *link = ProcessLink::get()) {
        const QString reason = link->lastError();
        if (!reason.isEmpty())
            text += QLatin1Char('\n') + reason;
    }
    MessageBox::show(text, StyleExclamationOk, CatalogueText(2));
}

} // namespace

void Form2::connectTransfer()
{
    connect(timer1(), &QTimer::timeout, this, &Form2::TransferPulse);
    // textChanged fires for typed and for program-written text alike, and for
    // a box the check itself empties, which then passes.
    for (int i = 0; i < FavoritesPanelCheck::kBoxCount; ++i)
        connect(
            text1(i), &QLineEdit::textChanged, this, [this, i] { CheckFavoritesPanel(qint16(i)); });
    connect(command3(), &QPushButton::clicked, this, &Form2::SendFavorites);
}

bool Form2::startTransfer()
{
    timer1()->setInterval(kPulseIntervalMs);
    timer1()->start();
    progressBar()->setMinimum(1);
    progressBar()->setMaximum(100);
    progressBar()->show();
    progressBar()->setValue(2);
    if (instrumentReachable())
        return true;
    progressBar()->hide();
    timer1()->stop(); // nothing is left for it to pace
    reportUnreachable();
    return false;
}

void Form2::runUpload()
{
    if (!startTransfer())
        return;

    // The toolbar is disabled during an Upload as during a Download: storing
    // the received plan lets the window process events, and no second command
    // may start meanwhile.
    std::array<bool, kToolbarButtons> before {};
    for (int i = 1; i <= kToolbarButtons; ++i)
        before[i - 1] = isButtonEnabled(i);
    setButtonsEnabled({ 1, 2, 3, 4, 5, 6, 7, 8, 9 }, false);

    UploadPlan();

    for (int i = 1; i <= kToolbarButtons; ++i)
        setButtonEnabled(i, before[i - 1]);
    if (LoadOk == QLatin1String("Yes"))
        setButtonsEnabled({ 1, 2, 3, 4, 7, 9 }, true);

    progressBar()->setValue(100);
    timer1()->stop();
    progressBar()->hide();
}

void Form2::runDownload()
{
    if (!startTransfer())
        return;

    setButtonsEnabled({ 1, 2, 3, 4, 5, 6, 7, 8, 9 }, false);
    RefreshDataGrid(1, QString::fromLatin1(kOrderByFreq));
    const qint16 ok = DownloadPlan();
    progressBar()->setValue(progressBar()->maximum());
    progressBar()->hide();
    setButtonsEnabled({ 1, 2, 3, 4, 7, 9 }, true);
    MessageBox::showCatalogue(ok != 0 ? 18 : 19, StyleInformationOk);
    timer1()->stop();
}

void Form2::UploadPlan()
{
    const qint32 selector = GetPlanSelector();
    DeviceLink *link = ProcessLink::get();
    LinkRecordArray records;
    FavoritesRecord favorites {};
    const qint16 result = link ? qint16(link->ReadPlan(selector, records, favorites)) : 0;
    if (result == 0) {
        MessageBox::show(
            FailureLetter(selector) + CatalogueText(65), StyleInformationOk, CatalogueText(65));
        LoadOk = QStringLiteral("No");
        return;
    }
    // A reply that claims success but carries no channel is treated as an
    // empty plan: the table and the panel stay as they were.
    if (records.isEmpty()) {
        MessageBox::showCatalogue(17, StyleExclamationOk);
        LoadOk = QStringLiteral("No");
        return;
    }

    // Each write runs the panel's check, so a received value the panel does
    // not accept is reported and its box emptied.
    const PanelTexts panel = PlanRecords::fromFavorites(favorites);
    for (int i = 0; i < 6; ++i)
        text1(kFavoriteBoxes[i])->setText(panel.favorites[i]);
    if (!panel.unit.isEmpty())
        combo5()->setCurrentText(panel.unit);
    SpanValue = float(favorites.Span);
    text1(FavoritesPanelCheck::kBandwidthBox)->setText(panel.span);
    LoadOk = QStringLiteral("Yes");
    StoreReceivedPlan(records);
    RefreshDataGrid(1, QString::fromLatin1(kOrderByFreq));
}

qint16 Form2::DownloadPlan()
{
    FavoritesRecord favorites = PlanRecords::toFavorites(panelTexts(*this));
    const qint32 selector = GetPlanSelector();
    if (FillSendRecords() == 0) {
        MessageBox::showCatalogue(20, StyleExclamationOk);
        return 0;
    }
    // Position has 8 bits: a larger plan is refused before anything reaches
    // the link.
    const int channels = int(SendRecords.items.size());
    if (!PlanSizeLimit::fits(channels)) {
        MessageBox::show(
            PlanSizeLimit::tooLargeText(channels), StyleExclamationOk, CatalogueText(2));
        return 0;
    }
    DeviceLink *link = ProcessLink::get();
    if (!link)
        return 0;
    const qint16 r1 = qint16(link->WritePlan(SendRecords, selector, favorites));
    pauseAfterWrite();
    if (r1 == 0)
        return 0;
    const qint16 r2 = qint16(link->EndTransfer());
    return r2 != 0 ? 1 : 0;
}

qint16 Form2::FillSendRecords()
{
    ChannelStore store;
    QList<StoredRow> stored;
    if (!store.select(QString::fromLatin1(kOrderByFreq), stored) || stored.isEmpty())
        return 0;
    QList<ChannelValues> rows;
    rows.reserve(stored.size());
    for (const StoredRow &row : stored)
        rows.append(row.values);
    // A field without a value is sent as an empty text or 0.
    SendRecords = PlanRecords::toSendRecords(rows);
    return 1;
}

void Form2::StoreReceivedPlan(LinkRecordArray &records)
{
    // A received frequency is stored as the number its shortest text names
    // (100.1, not 100.09999847); the list ends at the first Freq of 0.
    const QList<ChannelValues> rows = PlanRecords::fromReceived(records);
    // One transaction: the table holds the old plan or the whole new one,
    // whatever happens between the rows.
    ChannelStore store;
    auto transaction = store.begin();
    bool stored = transaction && store.execute(QStringLiteral("delete * from ChannelPlanUser"));
    for (qsizetype i = 0; stored && i < rows.size(); ++i) {
        // Lets Timer1 tick and the window repaint between rows. User input
        // waits until the plan is stored: the grid's Delete key, Ctrl+C and
        // Ctrl+V run their commands whatever the toolbar's state, and an edit
        // would write to the old rows while the table is being replaced.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        stored = store.append({ rows[i] });
    }
    if (stored)
        stored = store.commit(*transaction);
    if (!stored) {
        // The old plan is still whole; the plan was not loaded.
        LoadOk = QStringLiteral("No");
        MessageBox::show(store.errorText(), StyleExclamationOk, CatalogueText(2));
        return;
    }
    setGridCaption(CatalogueText(15));
}

QString Form2::FailureLetter(qint32 selector)
{
    if (selector < 0 || selector > 4)
        return {};
    return QString(QLatin1Char(char('A' + selector)));
}

void Form2::TransferPulse()
{
    QProgressBar *bar = progressBar();
    if (bar->maximum() - 6 >= bar->value())
        bar->setValue(bar->value() + 5);
}

void Form2::CheckFavoritesPanel(qint16 index)
{
    std::array<QString, FavoritesPanelCheck::kBoxCount> texts;
    for (int i = 0; i < FavoritesPanelCheck::kBoxCount; ++i)
        texts[i] = text1(i)->text();
    const auto refusal = FavoritesPanelCheck::check(texts, index);
    if (!refusal)
        return;
    if (refusal->messageId != 0)
        MessageBox::showCatalogue(refusal->messageId, StyleExclamationOk);
    // Emptying the box is a change of its text and runs this check once more;
    // an empty box passes.
    text1(refusal->box)->clear();
}

void Form2::SendFavorites()
{
    const PanelTexts panel = panelTexts(*this);
    bool complete = !panel.unit.isEmpty() && !panel.span.isEmpty();
    for (const QString &favorite : panel.favorites)
        complete = complete && !favorite.isEmpty();
    if (!complete) {
        MessageBox::showCatalogue(68, StyleExclamationOk);
        return;
    }
    if (!instrumentReachable()) {
        reportUnreachable();
        return;
    }
    FavoritesRecord favorites = PlanRecords::toFavorites(panel);
    DeviceLink *link = ProcessLink::get();
    const qint16 r1 = qint16(link->WriteFavorites(favorites));
    pauseAfterWrite();
    if (r1 == 0)
        return;
    // The panel is on the instrument once WriteFavorites accepted it; the
    // end of the transfer does not change what the user is told.
    link->EndTransfer();
    // Like every message of the panel, in an exclamation box.
    MessageBox::showCatalogue(72, StyleExclamationOk);
}

} // namespace plandor
