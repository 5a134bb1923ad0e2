// The plot window: its form, the graphs it creates and the values it forwards.
#include "graphscrollwidget.h"
#include "guigraphwidget.h"
#include "testsupport.h"

#include <QScrollArea>
#include <QVBoxLayout>
#include <QtTest>

#include <cmath>
#include <vector>

class TestGraphScrollWidget : public QObject
{
    Q_OBJECT

private slots:
    void formObjects();
    void createGraphsInOrder();
    void secondCallAppends();
    void addDataFeedsEveryGraph();
    void savesPictureForPeople();
};

void TestGraphScrollWidget::formObjects()
{
    GraphScrollWidget window;
    QCOMPARE(window.objectName(), QStringLiteral("GraphScrollWidget"));
    QCOMPARE(window.windowTitle(), QStringLiteral("GraphScrollWidget"));
    QCOMPARE(window.size(), QSize(677, 595));
    QVERIFY(window.isWindow());

    auto *outer = qobject_cast<QVBoxLayout *>(window.layout());
    QVERIFY(outer);
    QCOMPARE(outer->objectName(), QStringLiteral("verticalLayout"));
    QCOMPARE(outer->spacing(), 6);
    QCOMPARE(outer->contentsMargins(), QMargins(11, 11, 11, 11));

    auto *scrollArea = window.findChild<QScrollArea *>(QStringLiteral("scrollArea"));
    QVERIFY(scrollArea);
    QCOMPARE(scrollArea->parentWidget(), &window);
    QCOMPARE(outer->itemAt(0)->widget(), scrollArea);
    QCOMPARE(scrollArea->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(scrollArea->horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    QVERIFY(scrollArea->widgetResizable());

    QWidget *contents = scrollArea->widget();
    QCOMPARE(contents->objectName(), QStringLiteral("scrollAreaWidgetContents"));
    auto *inner = qobject_cast<QVBoxLayout *>(contents->layout());
    QVERIFY(inner);
    QCOMPARE(inner->objectName(), QStringLiteral("verticalLayout_2"));
    QCOMPARE(inner->spacing(), 6);
    QCOMPARE(inner->contentsMargins(), QMargins(11, 11, 11, 11));

    auto *placeholder = contents->findChild<GuiGraphWidget *>(QStringLiteral("placeholderWidget"));
    QVERIFY(placeholder);
    QCOMPARE(inner->itemAt(0)->widget(), placeholder);
    QCOMPARE(placeholder->getDataCount(), 0);
    QVERIFY(window.getGraphList().empty());
}

void TestGraphScrollWidget::createGraphsInOrder()
{
    GraphScrollWidget window;
    window.show();
    window.setTargetLayout();
    window.createGraphs({QStringLiteral("X1"), QStringLiteral("Y1"), QStringLiteral("Z1")}, QStringLiteral("rad"));

    const std::vector<GuiGraphWidget *> graphs(window.getGraphList().begin(), window.getGraphList().end());
    QCOMPARE(int(graphs.size()), 3);
    const QStringList titles = {QStringLiteral("X1"), QStringLiteral("Y1"), QStringLiteral("Z1")};
    auto *contents = window.findChild<QWidget *>(QStringLiteral("scrollAreaWidgetContents"));
    for (int i = 0; i < 3; ++i) {
        GuiGraphWidget *g = graphs[size_t(i)];
        QCOMPARE(g->getTitle(), titles[i]);
        QCOMPARE(g->getUnits(), QStringLiteral("rad"));
        QVERIFY(g->isLiveMode());
        QCOMPARE(g->getPlotLeft(), 0.1);
        QCOMPARE(g->minimumSize(), QSize(400, 200));
        QCOMPARE(g->sizePolicy().horizontalPolicy(), QSizePolicy::MinimumExpanding);
        QCOMPARE(g->sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
        QCOMPARE(g->getYMin(), -0.0001);
        QCOMPARE(g->getYMax(), 0.0001);
        QCOMPARE(g->parentWidget(), contents);
        QCOMPARE(contents->layout()->itemAt(i + 1)->widget(), g); // below the placeholder
    }
    QTRY_VERIFY(graphs[0]->isVisible());
}

void TestGraphScrollWidget::secondCallAppends()
{
    GraphScrollWidget window;
    window.setTargetLayout();
    window.createGraphs({QStringLiteral("A")}, QStringLiteral("m"));
    window.createGraphs({QStringLiteral("B"), QStringLiteral("C")}, QStringLiteral("Nm"));
    QCOMPARE(int(window.getGraphList().size()), 3);
    QCOMPARE(window.getGraphList().back()->getTitle(), QStringLiteral("C"));
    QCOMPARE(window.getGraphList().front()->getUnits(), QStringLiteral("m"));
}

void TestGraphScrollWidget::addDataFeedsEveryGraph()
{
    GraphScrollWidget window;
    window.setTargetLayout();
    window.createGraphs({QStringLiteral("X1"), QStringLiteral("Y1"), QStringLiteral("Z1")}, QStringLiteral("rad"));
    Eigen::VectorXd values(3);
    values << 1.0, 2.0, 3.0;
    window.addData(0.5, values);
    double expected = 1.0;
    for (GuiGraphWidget *g : window.getGraphList()) {
        QCOMPARE(g->getDataCount(), 1);
        QCOMPARE(g->getDataPoint(0)->getTime(), 0.5);
        QCOMPARE(g->getDataPoint(0)->getValue(), expected);
        expected += 1.0;
    }
}

void TestGraphScrollWidget::savesPictureForPeople()
{
    GraphScrollWidget window;
    window.setWindowTitle(QStringLiteral("Link Coordinates"));
    window.show();
    window.setTargetLayout();
    window.createGraphs({QStringLiteral("X1"), QStringLiteral("Y1"), QStringLiteral("Z1")}, QStringLiteral("rad"));
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    Eigen::VectorXd values(3);
    for (int i = 0; i < 500; ++i) {
        const double t = i * 0.01;
        values << 0.1 * std::sin(t * 3.0), 0.05 * std::cos(t * 5.0), 0.02 * t;
        window.addData(t, values);
    }
    window.flushRepaints();
    QCoreApplication::processEvents();
    const QString path = testsupport::artifactPath(QStringLiteral("graph_scroll_window.png"));
    QVERIFY(window.grab().save(path));
}

QTEST_MAIN(TestGraphScrollWidget)
#include "tst_graphscrollwidget.moc"
