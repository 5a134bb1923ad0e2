#include "marvekdevform.h"

#include "filedropwidget.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSpacerItem>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

template <class T>
T *named(T *object, const char *name)
{
    object->setObjectName(QLatin1String(name));
    return object;
}

QSpacerItem *horizontalSpacer(int width, int height)
{
    return new QSpacerItem(width, height, QSizePolicy::Expanding, QSizePolicy::Minimum);
}

QSpacerItem *verticalSpacer(int width, int height)
{
    return new QSpacerItem(width, height, QSizePolicy::Minimum, QSizePolicy::Expanding);
}

// A grid cell whose neighbours take all the room would squeeze a field to a
// few pixels; this keeps about ten digits of it in view.
void keepReadable(QLineEdit *field)
{
    field->setMinimumWidth(field->fontMetrics().horizontalAdvance(QString(10, QLatin1Char('0'))));
}

QString text(const char *source)
{
    return QCoreApplication::translate("MarvekDevClass", source);
}

QHBoxLayout *rowLayout(const char *name)
{
    auto *layout = new QHBoxLayout();
    layout->setSpacing(6);
    return named(layout, name);
}

// A row of the "Output" page: label, then a spacer (plot rows) or a file field
// (file rows), then a button.
void addRow(QVBoxLayout *page, QHBoxLayout *row, QLabel *label, QSpacerItem *middle, QPushButton *button)
{
    row->addWidget(label);
    row->addItem(middle);
    row->addWidget(button);
    page->addLayout(row);
}

void addRow(QVBoxLayout *page, QHBoxLayout *row, QLabel *label, QWidget *middle, QPushButton *button)
{
    row->addWidget(label);
    row->addWidget(middle);
    row->addWidget(button);
    page->addLayout(row);
}

// The parameter table's rows: bold label, default value. Readers use the row
// index of the value column, so the order matters.
struct ParameterRow
{
    const char *label;
    const char *value;
};

const ParameterRow parameterRows[] = {
    {"ID", "92"},
    {"Timestep (s)", "0.01"},
    {"Body Mass (kg)", "89.6121"},
    {"Mass Fractions", "0.122, 0.2, 0.597, 0.081"},
    {"Body Height (m)", "1.72"},
    {"Length Fractions", "0.285, 0.245, 0.288, 0.182"},
    {"Ixy Fractions", "0.416, 0.323, 0.5, 0.495"},
    {"Izz Fractions", "0.25, 0.25, 0.25, 0.25"},
    {"Turn Direction (deg)", "-90"},
    {"Turn at Time (s)", "7.933"},
    {"Control Coefficients", "712.0, 807.0"},
};
constexpr int parameterRowCount = int(sizeof(parameterRows) / sizeof(parameterRows[0]));

const char *const passedText = "Tests passed: 0 / 0 ( 0 %)";

} // namespace

namespace Ui {

void MarvekDevClass::setupUi(QMainWindow *window)
{
    if (window->objectName().isEmpty())
        window->setObjectName(QStringLiteral("MarvekDevClass"));
    window->resize(538, 572);

    actionRun = named(new QAction(window), "actionRun");
    actionShow = named(new QAction(window), "actionShow");
    actionExit = named(new QAction(window), "actionExit");
    actionLoadParameters = named(new QAction(window), "actionLoadParameters");
    actionAbout = named(new QAction(window), "actionAbout");

    centralWidget = named(new QWidget(window), "centralWidget");
    verticalLayout = named(new QVBoxLayout(centralWidget), "verticalLayout");
    verticalLayout->setSpacing(6);
    verticalLayout->setContentsMargins(11, 11, 11, 11);
    tabWidget = named(new QTabWidget(centralWidget), "tabWidget");

    // "Parameters": fixed positions, no layout on the page.
    tab = named(new QWidget(), "tab");
    paramTableWidget = named(new QTableWidget(tab), "paramTableWidget");
    if (paramTableWidget->columnCount() < 2)
        paramTableWidget->setColumnCount(2);
    paramTableWidget->setHorizontalHeaderItem(0, new QTableWidgetItem());
    paramTableWidget->setHorizontalHeaderItem(1, new QTableWidgetItem());
    if (paramTableWidget->rowCount() < parameterRowCount)
        paramTableWidget->setRowCount(parameterRowCount);
    for (int row = 0; row < parameterRowCount; ++row)
        paramTableWidget->setVerticalHeaderItem(row, new QTableWidgetItem());
    QFont labelFont = paramTableWidget->font();
    labelFont.setBold(true);
    labelFont.setWeight(75);
    for (int row = 0; row < parameterRowCount; ++row) {
        auto *label = new QTableWidgetItem();
        label->setFont(labelFont);
        paramTableWidget->setItem(row, 0, label);
        paramTableWidget->setItem(row, 1, new QTableWidgetItem());
    }
    paramTableWidget->setGeometry(QRect(10, 10, 351, 321));
    paramTableWidget->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    paramTableWidget->horizontalHeader()->setVisible(false);
    paramTableWidget->verticalHeader()->setVisible(false);
    layoutWidget = named(new QWidget(tab), "layoutWidget");
    layoutWidget->setGeometry(QRect(10, 350, 461, 41));
    gridLayout_3 = named(new QGridLayout(layoutWidget), "gridLayout_3");
    gridLayout_3->setSpacing(6);
    gridLayout_3->setContentsMargins(0, 0, 0, 0);
    label_3 = named(new QLabel(layoutWidget), "label_3");
    gridLayout_3->addWidget(label_3, 0, 0, 1, 1);
    paramShipMotionLineEdit = named(new FileDropLineEdit(layoutWidget), "paramShipMotionLineEdit");
    gridLayout_3->addWidget(paramShipMotionLineEdit, 1, 0, 1, 1);
    tabWidget->addTab(tab, QString());

    // "Output": five pairs of rows, a plot row and a file row per result table.
    tab_3 = named(new QWidget(), "tab_3");
    verticalLayout_2 = named(new QVBoxLayout(tab_3), "verticalLayout_2");
    verticalLayout_2->setSpacing(6);
    verticalLayout_2->setContentsMargins(11, 11, 11, 11);

    horizontalLayout_10 = rowLayout("horizontalLayout_10");
    label_4 = named(new QLabel(tab_3), "label_4");
    plotXSpacer = horizontalSpacer(40, 20);
    plotXButton = named(new QPushButton(tab_3), "plotXButton");
    addRow(verticalLayout_2, horizontalLayout_10, label_4, plotXSpacer, plotXButton);

    horizontalLayout = rowLayout("horizontalLayout");
    label_9 = named(new QLabel(tab_3), "label_9");
    linkFileDropLineEdit = named(new FileDropLineEdit(tab_3), "linkFileDropLineEdit");
    linkButton = named(new QPushButton(tab_3), "linkButton");
    addRow(verticalLayout_2, horizontalLayout, label_9, linkFileDropLineEdit, linkButton);

    horizontalLayout_9 = rowLayout("horizontalLayout_9");
    label_8 = named(new QLabel(tab_3), "label_8");
    plotQSpacer = horizontalSpacer(40, 20);
    plotQButton = named(new QPushButton(tab_3), "plotQButton");
    addRow(verticalLayout_2, horizontalLayout_9, label_8, plotQSpacer, plotQButton);

    horizontalLayout_2 = rowLayout("horizontalLayout_2");
    label_12 = named(new QLabel(tab_3), "label_12");
    cgFileDropLineEdit = named(new FileDropLineEdit(tab_3), "cgFileDropLineEdit");
    cgButton = named(new QPushButton(tab_3), "cgButton");
    addRow(verticalLayout_2, horizontalLayout_2, label_12, cgFileDropLineEdit, cgButton);

    horizontalLayout_8 = rowLayout("horizontalLayout_8");
    label_5 = named(new QLabel(tab_3), "label_5");
    plotUSpacer = horizontalSpacer(40, 20);
    plotUButton = named(new QPushButton(tab_3), "plotUButton");
    addRow(verticalLayout_2, horizontalLayout_8, label_5, plotUSpacer, plotUButton);

    horizontalLayout_3 = rowLayout("horizontalLayout_3");
    label_10 = named(new QLabel(tab_3), "label_10");
    controlFileDropLineEdit = named(new FileDropLineEdit(tab_3), "controlFileDropLineEdit");
    controlButton = named(new QPushButton(tab_3), "controlButton");
    addRow(verticalLayout_2, horizontalLayout_3, label_10, controlFileDropLineEdit, controlButton);

    horizontalLayout_7 = rowLayout("horizontalLayout_7");
    label_6 = named(new QLabel(tab_3), "label_6");
    plotESpacer = horizontalSpacer(40, 20);
    plotEButton = named(new QPushButton(tab_3), "plotEButton");
    addRow(verticalLayout_2, horizontalLayout_7, label_6, plotESpacer, plotEButton);

    horizontalLayout_4 = rowLayout("horizontalLayout_4");
    label_13 = named(new QLabel(tab_3), "label_13");
    errorFileDropLineEdit = named(new FileDropLineEdit(tab_3), "errorFileDropLineEdit");
    errorButton = named(new QPushButton(tab_3), "errorButton");
    addRow(verticalLayout_2, horizontalLayout_4, label_13, errorFileDropLineEdit, errorButton);

    horizontalLayout_6 = rowLayout("horizontalLayout_6");
    label_7 = named(new QLabel(tab_3), "label_7");
    plotASpacer = horizontalSpacer(40, 20);
    plotAButton = named(new QPushButton(tab_3), "plotAButton");
    addRow(verticalLayout_2, horizontalLayout_6, label_7, plotASpacer, plotAButton);

    horizontalLayout_5 = rowLayout("horizontalLayout_5");
    label_11 = named(new QLabel(tab_3), "label_11");
    accelFileDropLineEdit = named(new FileDropLineEdit(tab_3), "accelFileDropLineEdit");
    accelButton = named(new QPushButton(tab_3), "accelButton");
    addRow(verticalLayout_2, horizontalLayout_5, label_11, accelFileDropLineEdit, accelButton);

    outputBottomSpacer = verticalSpacer(20, 94);
    verticalLayout_2->addItem(outputBottomSpacer);
    tabWidget->addTab(tab_3, QString());

    // "Unit Tests": one grid; the creation order below is also the focus order.
    tab_2 = named(new QWidget(), "tab_2");
    gridLayout = named(new QGridLayout(tab_2), "gridLayout");
    gridLayout->setSpacing(6);
    gridLayout->setContentsMargins(11, 11, 11, 11);
    computeErrorButton = named(new QPushButton(tab_2), "computeErrorButton");
    gridLayout->addWidget(computeErrorButton, 2, 0, 1, 1);
    computeErrorLabel = named(new QLabel(tab_2), "computeErrorLabel");
    gridLayout->addWidget(computeErrorLabel, 2, 1, 1, 1);
    poseRowSpacer = horizontalSpacer(399, 20);
    gridLayout->addItem(poseRowSpacer, 1, 2, 1, 3);
    computeControlButton = named(new QPushButton(tab_2), "computeControlButton");
    gridLayout->addWidget(computeControlButton, 3, 0, 1, 1);
    controlRowSpacer = horizontalSpacer(399, 20);
    gridLayout->addItem(controlRowSpacer, 3, 2, 1, 3);
    computeAccelLabel = named(new QLabel(tab_2), "computeAccelLabel");
    gridLayout->addWidget(computeAccelLabel, 4, 1, 1, 1);
    computeAllButton = named(new QPushButton(tab_2), "computeAllButton");
    gridLayout->addWidget(computeAllButton, 5, 0, 1, 1);
    computeAccelButton = named(new QPushButton(tab_2), "computeAccelButton");
    gridLayout->addWidget(computeAccelButton, 4, 0, 1, 1);
    errorRowSpacer = horizontalSpacer(399, 20);
    gridLayout->addItem(errorRowSpacer, 2, 2, 1, 3);
    accelRowSpacer = horizontalSpacer(399, 20);
    gridLayout->addItem(accelRowSpacer, 4, 2, 1, 3);
    computeControlLabel = named(new QLabel(tab_2), "computeControlLabel");
    gridLayout->addWidget(computeControlLabel, 3, 1, 1, 1);
    toleranceRowSpacer = horizontalSpacer(129, 20);
    gridLayout->addItem(toleranceRowSpacer, 5, 1, 1, 1);
    toleranceLineEdit = named(new QLineEdit(tab_2), "toleranceLineEdit");
    keepReadable(toleranceLineEdit);
    gridLayout->addWidget(toleranceLineEdit, 5, 3, 1, 1);
    outputToDiskCheckBox = named(new QCheckBox(tab_2), "outputToDiskCheckBox");
    gridLayout->addWidget(outputToDiskCheckBox, 5, 4, 1, 1);
    label = named(new QLabel(tab_2), "label");
    gridLayout->addWidget(label, 5, 2, 1, 1);
    rk4Button = named(new QPushButton(tab_2), "rk4Button");
    gridLayout->addWidget(rk4Button, 6, 0, 1, 1);
    testInitButton = named(new QPushButton(tab_2), "testInitButton");
    gridLayout->addWidget(testInitButton, 7, 0, 1, 1);
    shipFileDropLineEdit = named(new FileDropLineEdit(tab_2), "shipFileDropLineEdit");
    keepReadable(shipFileDropLineEdit);
    gridLayout->addWidget(shipFileDropLineEdit, 0, 3, 1, 1);
    computePoseLabel = named(new QLabel(tab_2), "computePoseLabel");
    gridLayout->addWidget(computePoseLabel, 1, 1, 1, 1);
    computePoseButton = named(new QPushButton(tab_2), "computePoseButton");
    gridLayout->addWidget(computePoseButton, 1, 0, 1, 1);
    label_2 = named(new QLabel(tab_2), "label_2");
    gridLayout->addWidget(label_2, 0, 2, 1, 1);
    interpolationButton = named(new QPushButton(tab_2), "interpolationButton");
    gridLayout->addWidget(interpolationButton, 0, 0, 1, 1);
    interpolationLabel = named(new QLabel(tab_2), "interpolationLabel");
    gridLayout->addWidget(interpolationLabel, 0, 1, 1, 1);
    simLabel = named(new QLabel(tab_2), "simLabel");
    gridLayout->addWidget(simLabel, 6, 1, 1, 1);
    rk4RowSpacer = horizontalSpacer(265, 20);
    gridLayout->addItem(rk4RowSpacer, 6, 2, 1, 2);
    unitTestsBottomSpacer = verticalSpacer(20, 172);
    gridLayout->addItem(unitTestsBottomSpacer, 8, 2, 1, 2);
    initLabel = named(new QLabel(tab_2), "initLabel");
    gridLayout->addWidget(initLabel, 7, 1, 1, 1);
    tabWidget->addTab(tab_2, QString());

    verticalLayout->addWidget(tabWidget);

    // Status line, progress bar and Cancel.
    gridLayout_2 = named(new QGridLayout(), "gridLayout_2");
    gridLayout_2->setSpacing(6);
    statusLabel = named(new QLabel(centralWidget), "statusLabel");
    gridLayout_2->addWidget(statusLabel, 0, 0, 1, 1);
    progressBar = named(new QProgressBar(centralWidget), "progressBar");
    progressBar->setValue(0);
    gridLayout_2->addWidget(progressBar, 1, 0, 1, 1);
    cancelButton = named(new QPushButton(centralWidget), "cancelButton");
    gridLayout_2->addWidget(cancelButton, 1, 1, 1, 1);
    verticalLayout->addLayout(gridLayout_2);

    window->setCentralWidget(centralWidget);

    menuBar = named(new QMenuBar(window), "menuBar");
    menuBar->setGeometry(QRect(0, 0, 538, 21));
    menuFile = named(new QMenu(menuBar), "menuFile");
    menuSimulation = named(new QMenu(menuBar), "menuSimulation");
    menuInfo = named(new QMenu(menuBar), "menuInfo");
    window->setMenuBar(menuBar);
    mainToolBar = named(new QToolBar(window), "mainToolBar");
    window->addToolBar(Qt::TopToolBarArea, mainToolBar);
    statusBar = named(new QStatusBar(window), "statusBar");
    window->setStatusBar(statusBar);

    menuBar->addAction(menuFile->menuAction());
    menuBar->addAction(menuSimulation->menuAction());
    menuBar->addAction(menuInfo->menuAction());
    menuFile->addAction(actionLoadParameters);
    menuFile->addAction(actionExit);
    menuSimulation->addAction(actionRun);
    menuSimulation->addAction(actionShow);
    menuInfo->addAction(actionAbout);

    retranslateUi(window);

    tabWidget->setCurrentIndex(1);

    QMetaObject::connectSlotsByName(window);
}

void MarvekDevClass::fitParametersPage()
{
    QTableWidget *table = paramTableWidget;
    const int frame = 2 * table->frameWidth();
    int width = frame + table->horizontalHeader()->length();
    if (table->verticalHeader()->length() > table->height() - frame)
        width += table->verticalScrollBar()->sizeHint().width();
    if (table->width() < width)
        table->resize(width, table->height());

    const int rowHeight = gridLayout_3->sizeHint().height();
    if (layoutWidget->height() < rowHeight)
        layoutWidget->resize(layoutWidget->width(), rowHeight);

    // Without a layout the page would let the tab cut off its fixed children
    // where larger fonts make the tabs and the strip below them taller.
    const QRect placed = table->geometry().united(layoutWidget->geometry());
    tab->setMinimumSize(placed.right() + 1 + placed.left(), placed.bottom() + 1 + placed.top());
}

void MarvekDevClass::retranslateUi(QMainWindow *window)
{
    window->setWindowTitle(text("Four-Link Inverted Pendulum Simulation"));
    actionRun->setText(text("Run"));
    actionShow->setText(text("Show"));
    actionExit->setText(text("Exit"));
    actionLoadParameters->setText(text("Load Parameters"));
    actionAbout->setText(text("About This Program..."));

    paramTableWidget->horizontalHeaderItem(0)->setText(text("Label"));
    paramTableWidget->horizontalHeaderItem(1)->setText(text("Value"));
    for (int row = 0; row < parameterRowCount; ++row)
        paramTableWidget->verticalHeaderItem(row)->setText(text("New Row"));
    const bool sortingEnabled = paramTableWidget->isSortingEnabled();
    paramTableWidget->setSortingEnabled(false);
    for (int row = 0; row < parameterRowCount; ++row) {
        paramTableWidget->item(row, 0)->setText(text(parameterRows[row].label));
        paramTableWidget->item(row, 1)->setText(text(parameterRows[row].value));
    }
    paramTableWidget->setSortingEnabled(sortingEnabled);

    label_3->setText(text("Ship Motion File: "));
    paramShipMotionLineEdit->setText(text("AHRS-2012-11-25_19-08-36-423_ipready.csv"));
    tabWidget->setTabText(tabWidget->indexOf(tab), text("Parameters"));

    label_4->setText(text("Link Coordinates:"));
    plotXButton->setText(text("Plot"));
    label_9->setText(text("File Output:"));
    linkButton->setText(text("Browse..."));
    label_8->setText(text("Link CG Positions:"));
    plotQButton->setText(text("Plot"));
    label_12->setText(text("File Output:"));
    cgButton->setText(text("Browse..."));
    label_5->setText(text("Control Moments:"));
    plotUButton->setText(text("Plot"));
    label_10->setText(text("File Output:"));
    controlButton->setText(text("Browse..."));
    label_6->setText(text("Errors:"));
    plotEButton->setText(text("Plot"));
    label_13->setText(text("File Output:"));
    errorButton->setText(text("Browse..."));
    label_7->setText(text("Accelerations:"));
    plotAButton->setText(text("Plot"));
    label_11->setText(text("File Output:"));
    accelButton->setText(text("Browse..."));
    tabWidget->setTabText(tabWidget->indexOf(tab_3), text("Output"));

    computeErrorButton->setText(text("Compute Error"));
    computeErrorLabel->setText(text(passedText));
    computeControlButton->setText(text("Compute Control"));
    computeAccelLabel->setText(text(passedText));
    computeAllButton->setText(text("Compute All"));
    computeAccelButton->setText(text("Compute Accel"));
    computeControlLabel->setText(text(passedText));
    toleranceLineEdit->setText(text("0.0005"));
    outputToDiskCheckBox->setText(text("Ouput results to disk"));
    label->setText(text("Tolerance:"));
    rk4Button->setText(text("RK4 Sim UT"));
    testInitButton->setText(text("Test FourBar Init"));
    computePoseLabel->setText(text(passedText));
    computePoseButton->setText(text("Compute Pose"));
    label_2->setText(text("Ship Data:"));
    interpolationButton->setText(text("Ship Data Interpolation"));
    interpolationLabel->setText(text(passedText));
    simLabel->setText(text("Tests passed: 0/0 (0 %)"));
    initLabel->setText(text("Test:"));
    tabWidget->setTabText(tabWidget->indexOf(tab_2), text("Unit Tests"));

    statusLabel->setText(text("-----"));
    cancelButton->setText(text("Cancel"));
    menuFile->setTitle(text("File"));
    menuSimulation->setTitle(text("Simulation"));
    menuInfo->setTitle(text("Info"));
}

} // namespace Ui
