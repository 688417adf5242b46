#include "EditorFixture.h"

#include "base/Language.h"
#include "editor/PlanTableModel.h"
#include "transfer/ProcessLink.h"
#include "transfer/serial/SerialDeviceLink.h"
#include "widgets/FileDialogs.h"

#include <QAbstractItemModelTester>
#include <QSettings>
#include <QTest>
#include <QToolButton>

namespace plandor::test {

EditorFixture::EditorFixture(qint16 languageOffset)
{
    LanguageOffset = languageOffset;
    // The window keeps its place, folders and recent plans beside the store,
    // never in the user's settings.
    QSettings::setPath(
        QSettings::NativeFormat, QSettings::UserScope, store.dir() + QStringLiteral("/settings"));
    ProcessLink::set(std::unique_ptr<ScriptedLink>(link = new ScriptedLink));
    form = std::make_unique<EditorWindow>(channels);
    m_tester = std::make_unique<QAbstractItemModelTester>(
        form->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    form->show();
}

EditorFixture::~EditorFixture()
{
    m_tester.reset();
    form.reset();
    ProcessLink::reset();
    FileDialogs::clearQueue();
    LanguageOffset = 500;
}

void EditorFixture::load(const QList<ChannelValues> &rows, PlanOrder order)
{
    store.seed(rows);
    form->reload(order);
    form->setState({ true, true, false, false, false, false }); // loaded, save ready
}

QString EditorFixture::buttonStates() const
{
    QString states;
    for (int i = 0; i < kEditorCommandCount; ++i)
        states += form->actions()->action(EditorCommand(i))->isEnabled() ? u'E' : u'D';
    return states;
}

void EditorFixture::click(const char *key)
{
    auto *button = form->findChild<QToolButton *>(QStringLiteral("ToolDs_") + QLatin1String(key));
    QVERIFY2(button && button->isEnabled(), key);
    QTest::mouseClick(button, Qt::LeftButton);
}

void EditorFixture::useSerialLink(const QString &port)
{
    auto serial = std::make_unique<SerialDeviceLink>();
    serial->SetOptions({ port });
    ProcessLink::set(std::move(serial));
    link = nullptr;
}

QStringList panelTexts(EditorWindow &form, const QStringList &texts)
{
    QStringList result;
    for (int i = 0; i < 7; ++i) {
        QLineEdit *box = panelBox(form, i);
        if (!texts.isEmpty())
            box->setText(texts[i]);
        result.append(box->text());
    }
    QComboBox *unit = panelUnit(form);
    if (!texts.isEmpty())
        unit->setCurrentIndex(unit->findText(texts[7]));
    return result << unit->currentText();
}

QStringList gridTexts(const QAbstractItemModel *model, int role)
{
    QStringList rows;
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model->columnCount(); ++c)
            cells.append(model->index(r, c).data(role).toString());
        rows.append(cells.join(u' '));
    }
    return rows;
}

} // namespace plandor::test
