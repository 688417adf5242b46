// The spectrum view on a plain model: a click at a frequency selects the
// channel's row, overlaps are drawn in the warning colour, the view follows
// the model at once and is driven from the keyboard.
#include "base/Language.h"
#include "editor/SpectrumView.h"
#include "editor/TextContrast.h"
#include "store/ChannelColumns.h"

#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QStandardItemModel>
#include <QTest>

using namespace plandor;

class SpectrumTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QStandardItemModel> m_model;
    QItemSelectionModel *m_selection = nullptr; // owned by the model
    std::unique_ptr<SpectrumView> m_view;

    QColor colourAt(double freq)
    {
        const QImage image = m_view->grab().toImage();
        return image.pixelColor(int(m_view->xAt(freq)), m_view->height() / 3);
    }

private slots:
    void init()
    {
        LanguageOffset = kEnglishOffset;
        m_view.reset(); // the last test's, before its model
        m_model = std::make_unique<QStandardItemModel>(0, kChannelColumnCount);
        new QAbstractItemModelTester(
            m_model.get(), QAbstractItemModelTester::FailureReportingMode::QtTest, m_model.get());
        // Stored out of frequency order on purpose: rows 0..3 occupy 66..72,
        // 54..60, 78..84 and 68.5..74.5 (overlapping "3") MHz.
        for (const char *row :
            { "1 3 TV 67.25 4.5", "2 2 TV 55.25 4.5", "3 D1 DIGI 81 6", "4 X TV 69.75 4.5" }) {
            QList<QStandardItem *> items;
            for (const QString &cell : QString::fromLatin1(row).split(QLatin1Char(' ')))
                items.append(new QStandardItem(cell));
            m_model->appendRow(items);
        }
        m_selection = new QItemSelectionModel(m_model.get(), m_model.get());
        m_view = std::make_unique<SpectrumView>();
        m_view->resize(800, 80);
        m_view->setModel(m_model.get(), m_selection);
        m_view->setViewRange(50, 90); // 20 pixels a MHz
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    }

    void clickSelectsRow_data()
    {
        QTest::addColumn<double>("freq");
        QTest::addColumn<int>("row");
        QTest::newRow("lower edge of 2") << 54.1 << 1;
        QTest::newRow("inside DIGI") << 82.0 << 2;
        QTest::newRow("overlap, nearer 3") << 69.5 << 0;
        QTest::newRow("overlap, nearer X") << 71.0 << 3;
        QTest::newRow("gap") << 63.0 << -1;
    }
    void clickSelectsRow()
    {
        QFETCH(double, freq);
        QFETCH(int, row);
        QTest::mouseClick(m_view.get(), Qt::LeftButton, {}, QPoint(int(m_view->xAt(freq)), 20));
        QCOMPARE(m_selection->currentIndex().row(), row);
        if (row >= 0)
            QVERIFY(m_selection->isRowSelected(row));
    }

    void coloursFollowTheModel()
    {
        QCOMPARE(colourAt(55.25), SpectrumView::kTvColour);
        QCOMPARE(colourAt(81), SpectrumView::kDigiColour);
        QCOMPARE(colourAt(68.75), SpectrumView::kOverlapColour);
        QCOMPARE(colourAt(74), SpectrumView::kOverlapColour);
        QCOMPARE(colourAt(63), m_view->palette().base().color());
        QCOMPARE(m_view->accessibleDescription(),
            QStringLiteral("4 channels, 2 overlapping another, spanning 54 to 84 MHz"));

        // Moving X away ends the overlap at once.
        m_model->setData(m_model->index(3, ColumnFreq), QStringLiteral("86"));
        QCOMPARE(colourAt(68.75), SpectrumView::kTvColour);
        QCOMPARE(colourAt(86), SpectrumView::kTvColour);
        QCOMPARE(colourAt(74), m_view->palette().base().color());
        QTRY_COMPARE(m_view->accessibleDescription(),
            QStringLiteral("4 channels, 0 overlapping another, spanning 54 to 90.75 MHz"));

        // A selected row is highlighted; a removed one disappears.
        m_selection->select(
            m_model->index(2, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        QCOMPARE(colourAt(81), SpectrumView::kSelectedColour);
        m_model->removeRow(2);
        QCOMPARE(colourAt(81), m_view->palette().base().color());
        QCOMPARE(m_view->channelCount(), 3);

        // Names are drawn to be read on every band's colour, and a warning
        // text on a light and on a dark window alike.
        for (const QColor &band : { SpectrumView::kTvColour, SpectrumView::kDigiColour,
                 SpectrumView::kOverlapColour, SpectrumView::kSelectedColour })
            QVERIFY(TextContrast::ratio(TextContrast::textOn(band), band) >= 4.5);
        QCOMPARE(TextContrast::ratio(Qt::black, Qt::white), 21.0);
        for (const QColor window : { QColor(Qt::white), QColor(0xef, 0xef, 0xef),
                 QColor(0x2b, 0x2b, 0x2b), QColor(0x1e, 0x1e, 0x1e) })
            QVERIFY(TextContrast::ratio(TextContrast::warningOn(window), window) >= 4.5);
    }

    void keyboard()
    {
        m_view->setFocus();
        // From nothing, Right selects the lowest channel, then goes up in
        // frequency; Left goes down.
        for (const auto &[key, row] : { std::pair(Qt::Key_Right, 1), std::pair(Qt::Key_Right, 0),
                 std::pair(Qt::Key_Right, 3), std::pair(Qt::Key_Left, 0) }) {
            QTest::keyClick(m_view.get(), key);
            QCOMPARE(m_selection->currentIndex().row(), row);
        }

        const double span = m_view->viewUpper() - m_view->viewLower();
        QTest::keyClick(m_view.get(), Qt::Key_Plus);
        QVERIFY(m_view->viewUpper() - m_view->viewLower() < span);
        QTest::keyClick(m_view.get(), Qt::Key_Minus);
        QTest::keyClick(m_view.get(), Qt::Key_Minus);
        QVERIFY(m_view->viewUpper() - m_view->viewLower() > span);
        const double lower = m_view->viewLower();
        QTest::keyClick(m_view.get(), Qt::Key_Right, Qt::ControlModifier);
        QVERIFY(m_view->viewLower() > lower);
        QTest::keyClick(m_view.get(), Qt::Key_Home);
        QCOMPARE(m_view->viewLower(), SpectrumView::kBandLower);
        QCOMPARE(m_view->viewUpper(), SpectrumView::kBandUpper);
    }

    // A drag pans and does not select; the wheel zooms around the pointer.
    void dragAndWheel()
    {
        const QPoint from(400, 20);
        QTest::mousePress(m_view.get(), Qt::LeftButton, {}, from);
        QMouseEvent move(QEvent::MouseMove, QPointF(from + QPoint(-200, 0)),
            m_view->mapToGlobal(QPointF(from + QPoint(-200, 0))), Qt::NoButton, Qt::LeftButton,
            Qt::NoModifier);
        QApplication::sendEvent(m_view.get(), &move);
        QTest::mouseRelease(m_view.get(), Qt::LeftButton, {}, from + QPoint(-200, 0));
        QCOMPARE(m_view->viewLower(), 60.0); // 200 px at 20 px a MHz
        QVERIFY(!m_selection->currentIndex().isValid());

        const double under = m_view->frequencyAt(100);
        QWheelEvent wheel(QPointF(100, 20), m_view->mapToGlobal(QPointF(100, 20)), {},
            QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(m_view.get(), &wheel);
        QVERIFY(m_view->viewUpper() - m_view->viewLower() < 40);
        QCOMPARE(qRound(m_view->frequencyAt(100) * 1000), qRound(under * 1000));
    }
};

QTEST_MAIN(SpectrumTest)
#include "tst_spectrum.moc"
