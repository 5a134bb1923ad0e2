// The five "Plot" buttons of the Output tab: the window each one opens, its
// title, graphs and unit; one window per button however often it is pressed;
// closing hides a window without losing it.
#include "guigraphwidget.h"
#include "marvekdev.h"

#include <QApplication>
#include <QPushButton>
#include <QScrollArea>
#include <QtTest>

namespace {

const QStringList links{"X1", "Y1", "Z1", "X2", "Y2", "Z2", "X3", "Y3", "Z3", "X4", "Y4", "Z4"};
const QStringList velocities{"dX1", "dY1", "dZ1", "dX2", "dY2", "dZ2",
                             "dX3", "dY3", "dZ3", "dX4", "dY4", "dZ4"};
const QStringList rates{"V_X1", "V_Y1", "V_Z1", "V_X2", "V_Y2", "V_Z2",
                        "V_X3", "V_Y3", "V_Z3", "V_X4", "V_Y4", "V_Z4"};

struct PlotRow
{
    const char *button;
    QString title;
    QString unit;
    QStringList series;
    bool (MarvekDev::*isVisible)() const;
};

QVector<PlotRow> plotRows()
{
    return {
        {"plotXButton", QStringLiteral("Link Coordinates XYZ Euler Angles [rad] - Local Frames"),
         QStringLiteral("rad"), links, &MarvekDev::isPlotXVisible},
        {"plotQButton", QStringLiteral("Link Positions XYZ [metres] - Rotated Person Frame"),
         QStringLiteral("m"), links, &MarvekDev::isPlotQVisible},
        {"plotUButton", QStringLiteral("Control Moments (Nm)"), QStringLiteral("Nm"), links,
         &MarvekDev::isPlotUVisible},
        {"plotEButton", QStringLiteral("Errors - Positions and Velocities"), QString(),
         links + velocities, &MarvekDev::isPlotEVisible},
        {"plotAButton",
         QStringLiteral("Accelerations  (12x XYZ Euler Angle Rates + 3x Translational "
                        "Accelerations + 12x Angular Accelerations"),
         QStringLiteral("m/s^2"),
         rates + QStringList{"POS_X", "POS_Y", "POS_Z"} + links,
         &MarvekDev::isPlotAVisible},
    };
}

QList<GraphScrollWidget *> plotWindows()
{
    QList<GraphScrollWidget *> found;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *window = qobject_cast<GraphScrollWidget *>(widget))
            found << window;
    }
    return found;
}

QPushButton *button(MarvekDev &window, const char *name)
{
    auto *found = window.findChild<QPushButton *>(QLatin1String(name));
    if (!found)
        qFatal("missing button %s", name);
    return found;
}

} // namespace

class TestPlotWindows : public QObject
{
    Q_OBJECT

private slots:
    void firstPressOpensTheWindow_data();
    void firstPressOpensTheWindow();
    void closingHidesAndThePlotButtonShowsAgain();
    void eachButtonOwnsOneWindow();
    void windowsEndWithTheMainWindow();
};

void TestPlotWindows::firstPressOpensTheWindow_data()
{
    QTest::addColumn<int>("row");
    const char *names[] = {"link angles", "centres of gravity", "control moments", "errors",
                           "accelerations"};
    for (int row = 0; row < 5; ++row)
        QTest::newRow(names[row]) << row;
}

void TestPlotWindows::firstPressOpensTheWindow()
{
    QFETCH(int, row);
    const PlotRow expected = plotRows().at(row);
    MarvekDev main;
    QVERIFY(!(main.*expected.isVisible)());
    QVERIFY(plotWindows().isEmpty());

    button(main, expected.button)->click();
    QCOMPARE(plotWindows().size(), 1);
    GraphScrollWidget *window = plotWindows().first();
    QVERIFY(window->isVisible());
    QVERIFY(window->isWindow());
    QCOMPARE(window->parentWidget(), nullptr);
    QVERIFY((main.*expected.isVisible)());
    QCOMPARE(window->windowTitle(), expected.title);

    QStringList titles;
    for (GuiGraphWidget *graph : window->getGraphList()) {
        titles << graph->getTitle();
        QCOMPARE(graph->getUnits(), expected.unit);
        QCOMPARE(graph->getDataCount(), 0);
        QVERIFY(graph->isLiveMode());
        // Graphs added to a shown window appear once events are processed.
        QTRY_VERIFY(graph->isVisible());
    }
    QCOMPARE(titles, expected.series);

    // The other four stay absent.
    int visible = 0;
    for (const PlotRow &other : plotRows())
        visible += (main.*other.isVisible)() ? 1 : 0;
    QCOMPARE(visible, 1);
}

void TestPlotWindows::closingHidesAndThePlotButtonShowsAgain()
{
    MarvekDev main;
    for (const PlotRow &row : plotRows())
        button(main, row.button)->click();
    const QList<GraphScrollWidget *> windows = plotWindows();
    QCOMPARE(windows.size(), 5);

    GraphScrollWidget *errors = nullptr;
    for (GraphScrollWidget *window : windows) {
        if (window->windowTitle() == plotRows().at(3).title)
            errors = window;
    }
    QVERIFY(errors);
    Eigen::VectorXd sample = Eigen::VectorXd::LinSpaced(24, 1.0, 24.0);
    errors->addData(0.25, sample);

    // The title-bar button closes the window: it is hidden, not deleted.
    QPointer<GraphScrollWidget> guard(errors);
    QVERIFY(errors->close());
    QVERIFY(guard);
    QVERIFY(!main.isPlotEVisible());
    QVERIFY(main.isPlotXVisible() && main.isPlotQVisible() && main.isPlotUVisible()
            && main.isPlotAVisible());

    button(main, "plotEButton")->click();
    QVERIFY(main.isPlotEVisible());
    QCOMPARE(plotWindows().size(), 5);
    QCOMPARE(errors->getGraphList().size(), std::size_t(24));
    QCOMPARE(errors->getGraphList().back()->getDataCount(), 1);
    QCOMPARE(errors->getGraphList().back()->getDataPoint(0)->getValue(), 24.0);
}

void TestPlotWindows::eachButtonOwnsOneWindow()
{
    MarvekDev main;
    for (int press = 0; press < 3; ++press) {
        for (const PlotRow &row : plotRows())
            button(main, row.button)->click();
    }
    const QList<GraphScrollWidget *> windows = plotWindows();
    QCOMPARE(windows.size(), 5);
    QStringList titles;
    for (GraphScrollWidget *window : windows) {
        titles << window->windowTitle();
        // Graphs are not created again on later presses.
        QCOMPARE(window->findChildren<GuiGraphWidget *>().size(),
                 int(window->getGraphList().size()) + 1); // and the placeholder
    }
    for (const PlotRow &row : plotRows())
        QCOMPARE(titles.count(row.title), 1);
}

void TestPlotWindows::windowsEndWithTheMainWindow()
{
    QList<QPointer<GraphScrollWidget>> windows;
    {
        MarvekDev main;
        for (const PlotRow &row : plotRows())
            button(main, row.button)->click();
        for (GraphScrollWidget *window : plotWindows())
            windows << window;
        windows.first()->close(); // hidden ones too
    }
    QCOMPARE(windows.size(), 5);
    for (const QPointer<GraphScrollWidget> &window : windows)
        QVERIFY(window.isNull());
    QVERIFY(plotWindows().isEmpty());
}

QTEST_MAIN(TestPlotWindows)
#include "tst_plotwindows.moc"
