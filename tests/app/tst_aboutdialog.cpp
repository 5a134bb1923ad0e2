// The About dialog: size, title, texts, fixed geometry and the OK button.
#include "aboutdialog.h"
#include "testsupport.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <Eigen/Core>

class TestAboutDialog : public QObject
{
    Q_OBJECT

private slots:
    void layout();
    void texts();
    void screenshot();
    void okCloses();
};

void TestAboutDialog::layout()
{
    AboutDialog dialog;
    QCOMPARE(dialog.objectName(), QStringLiteral("AboutDialog"));
    QCOMPARE(dialog.size(), QSize(376, 208));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("About This Program"));
    QVERIFY(!dialog.layout());

    struct Placed
    {
        const char *name;
        QRect geometry;
    };
    const Placed placed[] = {
        {"label_3", QRect(290, 80, 71, 16)}, {"label_7", QRect(20, 160, 131, 16)},
        {"label_5", QRect(20, 120, 81, 16)}, {"label_4", QRect(330, 60, 31, 16)},
        {"label_6", QRect(20, 140, 91, 16)}, {"okButton", QRect(280, 170, 75, 23)},
        {"label_2", QRect(20, 60, 81, 16)}, {"label_8", QRect(20, 180, 201, 16)},
        {"label", QRect(20, 10, 351, 41)},
    };
    // Created in this order, so the children list follows it.
    const QObjectList children = dialog.children();
    QCOMPARE(children.size(), int(sizeof(placed) / sizeof(placed[0])));
    for (int i = 0; i < children.size(); ++i) {
        QCOMPARE(children[i]->objectName(), QLatin1String(placed[i].name));
        QCOMPARE(qobject_cast<QWidget *>(children[i])->geometry(), placed[i].geometry);
    }
}

void TestAboutDialog::texts()
{
    AboutDialog dialog;
    const auto text = [&](const char *name) { return dialog.findChild<QLabel *>(QLatin1String(name))->text(); };
    QCOMPARE(text("label"), QStringLiteral("Orvinel"));
    QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("label"))->font().pointSize(), 24);
    QCOMPARE(text("label_4"), QStringLiteral("v0.3"));
    QCOMPARE(text("label_3"), QStringLiteral("Mar 6, 2019"));
    QCOMPARE(text("label_5"), QStringLiteral("Compiled with:"));
    QCOMPARE(dialog.findChild<QPushButton *>(QStringLiteral("okButton"))->text(), QStringLiteral("OK"));
    QVERIFY(!text("label_2").isEmpty());

    // Every text is whole within its fixed place, whatever the system font.
    for (const QLabel *label : dialog.findChildren<QLabel *>())
        QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->width(),
                 qPrintable(label->objectName()));

    // The library lines name the versions this program was built with.
    QVERIFY(text("label_7").startsWith(QStringLiteral("Qt " QT_VERSION_STR " (")));
    const QString eigen = QStringLiteral("Eigen %1.%2.%3 (")
                              .arg(EIGEN_WORLD_VERSION)
                              .arg(EIGEN_MAJOR_VERSION)
                              .arg(EIGEN_MINOR_VERSION);
    QVERIFY(text("label_8").startsWith(eigen));
#if defined(__GNUC__) && !defined(__clang__)
    QCOMPARE(text("label_6"), QStringLiteral("GCC %1.%2.%3").arg(__GNUC__).arg(__GNUC_MINOR__).arg(__GNUC_PATCHLEVEL__));
#else
    QVERIFY(!text("label_6").isEmpty());
#endif
}

void TestAboutDialog::screenshot()
{
    AboutDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QImage image = dialog.grab().toImage();
    QCOMPARE(image.size(), QSize(376, 208));
    QVERIFY(image.save(testsupport::artifactPath(QStringLiteral("aboutdialog.png"))));
}

void TestAboutDialog::okCloses()
{
    AboutDialog dialog;
    QTimer::singleShot(0, dialog.findChild<QPushButton *>(QStringLiteral("okButton")), &QPushButton::click);
    // Safety net: a dialog that OK fails to close is closed after a while.
    QTimer::singleShot(20000, &dialog, &QDialog::reject);
    QElapsedTimer timer;
    timer.start();
    dialog.exec();
    QVERIFY(timer.elapsed() < 20000);
    QVERIFY(!dialog.isVisible());
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestAboutDialog test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_aboutdialog.moc"
