// The graph's right-click menu and the export of its data series.
#include "guigraphwidget.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

namespace {

void add(GuiGraphWidget &graph, double t, double v)
{
    BaseDataPoint p(t, v);
    graph.addData(p);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return file.readAll();
}

// Right-clicks the graph and returns the menu that pops up.
QMenu *rightClick(GuiGraphWidget &graph)
{
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 10));
    QApplication::sendEvent(&graph, &event);
    return qobject_cast<QMenu *>(QApplication::activePopupWidget());
}

} // namespace

class TestGraphExport : public QObject
{
    Q_OBJECT

private slots:
    void exportsTimeTabValueLines();
    void emptyGraphExportsEmptyFile();
    void unwritableFileIsReported();
    void menuIsRebuiltOnEveryRightClick();
    void exportFromMenuAsksForAName();
};

void TestGraphExport::exportsTimeTabValueLines()
{
    QTemporaryDir dir;
    GuiGraphWidget graph(nullptr);
    add(graph, 0.01, -0.25);
    add(graph, 0.02, 1.5);
    BaseDataPoint compare(0.03, 9.0); // not exported
    graph.addCompareData(compare);
    const QString path = dir.filePath(QStringLiteral("graph.txt"));
    graph.exportData(path);
    QCOMPARE(readAll(path), QByteArray("0.010000\t-0.250000\n0.020000\t1.500000\n"));
}

void TestGraphExport::emptyGraphExportsEmptyFile()
{
    QTemporaryDir dir;
    GuiGraphWidget graph(nullptr);
    const QString path = dir.filePath(QStringLiteral("empty.txt"));
    graph.exportData(path);
    QVERIFY(QFile::exists(path));
    QCOMPARE(readAll(path), QByteArray());
}

void TestGraphExport::unwritableFileIsReported()
{
    ModalDialogCloser closer;
    QTemporaryDir dir;
    GuiGraphWidget graph(nullptr);
    add(graph, 0.01, 1.0);
    const QString path = dir.filePath(QStringLiteral("no-such-folder/graph.txt"));
    graph.exportData(path);
    QVERIFY(!QFile::exists(path));
    QCOMPARE(closer.closedTexts().size(), 1);
    const QString text = closer.closedTexts().first();
    QVERIFY2(text.startsWith(QStringLiteral("Export Data: ")), qPrintable(text));
    QVERIFY2(text.contains(QDir::toNativeSeparators(path)), qPrintable(text));
}

void TestGraphExport::menuIsRebuiltOnEveryRightClick()
{
    GuiGraphWidget graph(nullptr);
    graph.resize(400, 200);
    for (int click = 0; click < 2; ++click) {
        QMenu *menu = rightClick(graph);
        QVERIFY(menu);
        const QList<QAction *> actions = menu->actions();
        QCOMPARE(actions.size(), 2);
        QCOMPARE(actions[0]->text(), QStringLiteral("-EXPORT OPTIONS-"));
        QCOMPARE(actions[1]->text(), QStringLiteral("Export Data"));
        QVERIFY(actions[1]->shortcut().isEmpty());
        actions[0]->trigger(); // the heading does nothing
        menu->close();
    }
}

void TestGraphExport::exportFromMenuAsksForAName()
{
    ModalDialogCloser closer;
    QTemporaryDir dir;
    QVERIFY(QDir::setCurrent(dir.path()));
    GuiGraphWidget graph(nullptr);
    graph.resize(400, 200);
    add(graph, 0.01, 1.0);

    // note the dialog before the closer cancels it
    QString caption;
    QTimer watcher;
    connect(&watcher, &QTimer::timeout, [&caption]() {
        if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget()))
            caption = dialog->windowTitle();
    });
    watcher.start(1);

    QMenu *menu = rightClick(graph);
    QVERIFY(menu);
    menu->actions().at(1)->trigger();
    QCOMPARE(caption, QStringLiteral("File Save"));
    QVERIFY(closer.closedTexts().isEmpty()); // a cancelled dialog says nothing
    QVERIFY(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).isEmpty());
    menu->close();
}

QTEST_MAIN(TestGraphExport)
#include "tst_graphexport.moc"
