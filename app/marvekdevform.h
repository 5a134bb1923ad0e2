#ifndef MARVEKDEVFORM_H
#define MARVEKDEVFORM_H

// The form's widget headers come with it, so code that uses the form can
// reach every widget without further includes.
#include "filedropwidget.h"

#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSpacerItem>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWidget>

namespace Ui {

// The main window's form: menus, the three tab pages ("Parameters", "Output",
// "Unit Tests") and the status strip below them. One pointer per created item,
// in creation order, named after its object name. The form owns nothing:
// everything it creates belongs to the window through Qt's parent tree.
class MarvekDevClass
{
public:
    // Builds the whole form on the window and sets its texts and defaults.
    void setupUi(QMainWindow *window);
    // Sets every text and default value; called once by setupUi.
    void retranslateUi(QMainWindow *window);
    // Makes room on the "Parameters" page for larger fonts, once the table's
    // columns and rows are sized to their contents: the table widens until
    // every value shows without a horizontal scroll bar, the ship-motion row
    // grows to the height its label and field ask for, and the page keeps
    // both inside the tab. At the usual fonts nothing moves.
    void fitParametersPage();

    QAction *actionRun;
    QAction *actionShow;
    QAction *actionExit;
    QAction *actionLoadParameters;
    QAction *actionAbout;
    QWidget *centralWidget;
    QVBoxLayout *verticalLayout;
    QTabWidget *tabWidget;

    // "Parameters" page
    QWidget *tab;
    QTableWidget *paramTableWidget;
    QWidget *layoutWidget;
    QGridLayout *gridLayout_3;
    QLabel *label_3;
    FileDropLineEdit *paramShipMotionLineEdit;

    // "Output" page
    QWidget *tab_3;
    QVBoxLayout *verticalLayout_2;
    QHBoxLayout *horizontalLayout_10;
    QLabel *label_4;
    QSpacerItem *plotXSpacer;
    QPushButton *plotXButton;
    QHBoxLayout *horizontalLayout;
    QLabel *label_9;
    FileDropLineEdit *linkFileDropLineEdit;
    QPushButton *linkButton;
    QHBoxLayout *horizontalLayout_9;
    QLabel *label_8;
    QSpacerItem *plotQSpacer;
    QPushButton *plotQButton;
    QHBoxLayout *horizontalLayout_2;
    QLabel *label_12;
    FileDropLineEdit *cgFileDropLineEdit;
    QPushButton *cgButton;
    QHBoxLayout *horizontalLayout_8;
    QLabel *label_5;
    QSpacerItem *plotUSpacer;
    QPushButton *plotUButton;
    QHBoxLayout *horizontalLayout_3;
    QLabel *label_10;
    FileDropLineEdit *controlFileDropLineEdit;
    QPushButton *controlButton;
    QHBoxLayout *horizontalLayout_7;
    QLabel *label_6;
    QSpacerItem *plotESpacer;
    QPushButton *plotEButton;
    QHBoxLayout *horizontalLayout_4;
    QLabel *label_13;
    FileDropLineEdit *errorFileDropLineEdit;
    QPushButton *errorButton;
    QHBoxLayout *horizontalLayout_6;
    QLabel *label_7;
    QSpacerItem *plotASpacer;
    QPushButton *plotAButton;
    QHBoxLayout *horizontalLayout_5;
    QLabel *label_11;
    FileDropLineEdit *accelFileDropLineEdit;
    QPushButton *accelButton;
    QSpacerItem *outputBottomSpacer;

    // "Unit Tests" page
    QWidget *tab_2;
    QGridLayout *gridLayout;
    QPushButton *computeErrorButton;
    QLabel *computeErrorLabel;
    QSpacerItem *poseRowSpacer;
    QPushButton *computeControlButton;
    QSpacerItem *controlRowSpacer;
    QLabel *computeAccelLabel;
    QPushButton *computeAllButton;
    QPushButton *computeAccelButton;
    QSpacerItem *errorRowSpacer;
    QSpacerItem *accelRowSpacer;
    QLabel *computeControlLabel;
    QSpacerItem *toleranceRowSpacer;
    QLineEdit *toleranceLineEdit;
    QCheckBox *outputToDiskCheckBox;
    QLabel *label;
    QPushButton *rk4Button;
    QPushButton *testInitButton;
    FileDropLineEdit *shipFileDropLineEdit;
    QLabel *computePoseLabel;
    QPushButton *computePoseButton;
    QLabel *label_2;
    QPushButton *interpolationButton;
    QLabel *interpolationLabel;
    QLabel *simLabel;
    QSpacerItem *rk4RowSpacer;
    QSpacerItem *unitTestsBottomSpacer;
    QLabel *initLabel;

    // Status strip below the tabs
    QGridLayout *gridLayout_2;
    QLabel *statusLabel;
    QProgressBar *progressBar;
    QPushButton *cancelButton;

    QMenuBar *menuBar;
    QMenu *menuFile;
    QMenu *menuSimulation;
    QMenu *menuInfo;
    QToolBar *mainToolBar;
    QStatusBar *statusBar;
};

} // namespace Ui

#endif // MARVEKDEVFORM_H
