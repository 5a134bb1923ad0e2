// Show in the Simulation menu: the 3D window is built from the parameter
// table, a refused table changes nothing, a run poses the shown window and
// keeps the parameters Show gave the model, Show pressed during a run is
// ignored, and Exit closes the 3D window.
#include "apptestsupport.h"
#include "marvekdev.h"
#include "marvekview.h"
#include "testsupport.h"

#include <Qt3DCore/QEntity>
#include <Qt3DCore/QTransform>
#include <Qt3DExtras/QCuboidMesh>
#include <Qt3DExtras/QSphereMesh>

#include <QAction>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <functional>

namespace {

using apptest::child;
using apptest::readAll;
using apptest::resultFields;
using apptest::sampleUpTo;
using apptest::theView;

// Rows of the parameter table used here.
enum { BodyMassRow = 2, MassFractionsRow = 3, BodyHeightRow = 4, LengthFractionsRow = 5 };

template <typename T>
T *component(Qt3DCore::QEntity *entity)
{
    const QVector<T *> found = entity->componentsOfType<T>();
    return found.size() == 1 ? found.first() : nullptr;
}

// Link box lengths and sphere scales of a scene, links 1 to 4.
struct SceneSizes
{
    QVector<float> boxLengths;
    QVector<float> sphereScales;
};

SceneSizes sizesOf(Qt3DCore::QEntity *root)
{
    SceneSizes sizes;
    for (Qt3DCore::QNode *node : root->childNodes()) {
        auto *entity = qobject_cast<Qt3DCore::QEntity *>(node);
        if (!entity)
            continue;
        if (auto *box = component<Qt3DExtras::QCuboidMesh>(entity)) {
            if (sizes.boxLengths.size() < 4)
                sizes.boxLengths << box->zExtent();
        } else if (component<Qt3DExtras::QSphereMesh>(entity)) {
            sizes.sphereScales << component<Qt3DCore::QTransform>(entity)->scale();
        }
    }
    return sizes;
}

bool allFinite(const QVector3D &v)
{
    return std::isfinite(v.x()) && std::isfinite(v.y()) && std::isfinite(v.z());
}

// A main window with its 3D window, set up for Show and Run in the test's
// working folder.
class ShowWindow
{
public:
    ShowWindow()
        : view(theView()),
          show(child<QAction>(&window, "actionShow")),
          run(child<QAction>(&window, "actionRun")),
          table(child<QTableWidget>(&window, "paramTableWidget")),
          progress(child<QProgressBar>(&window, "progressBar"))
    {
    }

    void setValue(int row, const QString &text) { table->item(row, 1)->setText(text); }
    void setRecording(const QByteArray &contents)
    {
        child<QLineEdit>(&window, "paramShipMotionLineEdit")
            ->setText(testsupport::writeTextFile(QStringLiteral("ship.csv"), contents));
    }
    // Names the five result files "<prefix>_0.csv" ... in the working folder.
    void nameResults(const QString &prefix)
    {
        for (int k = 0; k < 5; ++k) {
            const QString name = prefix + QStringLiteral("_%1.csv").arg(k);
            QFile::remove(name);
            child<QLineEdit>(&window, resultFields[k])->setText(name);
        }
    }
    QVector<QByteArray> results() const
    {
        QVector<QByteArray> contents;
        for (const char *field : resultFields)
            contents << readAll(child<QLineEdit>(&window, field)->text());
        return contents;
    }
    // Runs with `poke` called from a zero timer while the steps are under way
    // (status "Running Sim", bar above zero), until it returns true.
    void runWhile(const std::function<bool()> &poke)
    {
        QLabel *status = child<QLabel>(&window, "statusLabel");
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&]() {
            if (status->text() == QLatin1String("Running Sim") && progress->value() > 0 && poke())
                timer.stop();
        });
        timer.start(0);
        run->trigger();
    }

    MarvekDev window;
    MarvekView *view;
    QAction *show;
    QAction *run;
    QTableWidget *table;
    QProgressBar *progress;
};

} // namespace

class TestShow : public QObject
{
    Q_OBJECT

private slots:
    void showBuildsTheSceneFromTheTable();
    void refusedTableChangesNothing();
    void runPosesTheShownWindowWithTheShownParameters();
    void stoppedRunLeavesTheLastFinitePose();
    void showPressedDuringARunChangesNothing();
    void exitClosesTheViewFirst();
};

void TestShow::showBuildsTheSceneFromTheTable()
{
    ModalDialogCloser closer;
    ShowWindow w;
    QVERIFY(!w.view->isVisible());
    QVERIFY(!w.view->sceneRoot());

    w.setValue(MassFractionsRow, QStringLiteral("0.1, 0.2, 0.3, 0.4"));
    w.setValue(BodyHeightRow, QStringLiteral("2.0"));
    w.setValue(LengthFractionsRow, QStringLiteral("0.3, 0.25, 0.25, 0.2"));
    w.show->trigger();
    QCOMPARE(closer.closedTexts(), QStringList());
    QVERIFY(w.view->isVisible());
    QCOMPARE(w.view->title(), QStringLiteral("0 s"));
    QPointer<Qt3DCore::QEntity> first = w.view->sceneRoot();
    QVERIFY(first);
    const SceneSizes sizes = sizesOf(first);
    QCOMPARE(sizes.sphereScales.size(), 4);
    QCOMPARE(sizes.boxLengths.size(), 4);
    const float masses[4] = {0.1f, 0.2f, 0.3f, 0.4f};
    const float lengthsCm[4] = {60.0f, 50.0f, 50.0f, 40.0f};
    for (int i = 0; i < 4; ++i) {
        QVERIFY(qAbs(sizes.sphereScales[i] - masses[i]) < 1e-6f);
        QVERIFY(qAbs(sizes.boxLengths[i] - 0.99f * lengthsCm[i]) < 1e-4f);
    }

    // Show again, also while shown: a new scene from the table as it is now.
    w.setValue(BodyHeightRow, QStringLiteral("1.0"));
    w.show->trigger();
    QVERIFY(w.view->isVisible());
    QVERIFY(!first); // the replaced scene is gone
    QVERIFY(qAbs(sizesOf(w.view->sceneRoot()).boxLengths[0] - 0.99f * 30.0f) < 1e-4f);
}

void TestShow::refusedTableChangesNothing()
{
    ModalDialogCloser closer;
    ShowWindow w;

    // Refused while hidden: still hidden, no scene.
    w.setValue(BodyMassRow, QStringLiteral("heavy"));
    w.show->trigger();
    QCOMPARE(closer.closedTexts().size(), 1);
    QVERIFY(closer.closedTexts().first().startsWith(
        QStringLiteral("Simulation Failed: The parameter table cannot be used:\nBody Mass (kg)")));
    QVERIFY(!w.view->isVisible());
    QVERIFY(!w.view->sceneRoot());

    // Refused while shown: the shown scene stays, and so do the model's
    // parameters, which a run then uses.
    w.setValue(BodyMassRow, QStringLiteral("89.6121"));
    w.show->trigger();
    Qt3DCore::QEntity *shown = w.view->sceneRoot();
    QVERIFY(shown);
    w.setRecording(sampleUpTo(2.0));
    w.nameResults(QStringLiteral("before"));
    w.run->trigger();
    const QVector<QByteArray> before = w.results();

    closer.clear();
    w.setValue(BodyHeightRow, QStringLiteral("2.5"));
    w.setValue(LengthFractionsRow, QStringLiteral("0.5, 0.5"));
    w.show->trigger();
    QCOMPARE(closer.closedTexts().size(), 1);
    QVERIFY(closer.closedTexts().first().contains(QStringLiteral("Length Fractions")));
    QVERIFY(w.view->isVisible());
    QCOMPARE(w.view->sceneRoot(), shown);
    QVERIFY(qAbs(sizesOf(shown).boxLengths[0] - 0.99f * 172.0f * 0.285f) < 1e-3f);

    w.nameResults(QStringLiteral("after"));
    w.run->trigger();
    QCOMPARE(w.results(), before);
}

void TestShow::runPosesTheShownWindowWithTheShownParameters()
{
    ModalDialogCloser closer;
    ShowWindow w;
    w.setRecording(sampleUpTo(3.0));

    // A run with the 3D window hidden applies the table.
    w.nameResults(QStringLiteral("hidden"));
    w.run->trigger();
    const QVector<QByteArray> hidden = w.results();
    QVERIFY(!hidden.first().isEmpty());
    QVERIFY(w.view->title().isEmpty());

    // Shown with the same table, the run gives the same files and leaves the
    // window at its last step (N = 300, steps up to 297).
    w.show->trigger();
    w.nameResults(QStringLiteral("shown"));
    w.run->trigger();
    QCOMPARE(w.results(), hidden);
    QCOMPARE(w.view->title(), QStringLiteral("2.97 s"));

    // While shown, Run neither checks nor applies the table.
    w.setValue(BodyMassRow, QStringLiteral("120"));
    w.setValue(MassFractionsRow, QStringLiteral("0.25"));
    w.nameResults(QStringLiteral("edited"));
    w.run->trigger();
    QCOMPARE(closer.closedTexts(), QStringList());
    QCOMPARE(w.results(), hidden);

    // Closed again, Run goes back to the table and refuses it.
    w.view->close();
    w.nameResults(QStringLiteral("closed"));
    w.run->trigger();
    QCOMPARE(closer.closedTexts().size(), 1);
    QVERIFY(closer.closedTexts().first().contains(QStringLiteral("Mass Fractions")));
    QVERIFY(w.results().first().isEmpty());
}

void TestShow::stoppedRunLeavesTheLastFinitePose()
{
    ModalDialogCloser closer;
    ShowWindow w;
    w.setRecording(sampleUpTo(8.0, 5.0));
    w.show->trigger();
    w.run->trigger();
    QCOMPARE(closer.closedTexts().size(), 1);
    QVERIFY(closer.closedTexts().first().contains(QStringLiteral("stopped")));

    // The ship row is not finite once t passes 4.95.
    QCOMPARE(w.view->title(), QStringLiteral("4.95 s"));
    const QList<Qt3DCore::QTransform *> transforms =
        w.view->sceneRoot()->findChildren<Qt3DCore::QTransform *>();
    QVERIFY(transforms.size() >= 12);
    for (const Qt3DCore::QTransform *transform : transforms) {
        QVERIFY(allFinite(transform->translation()));
        QVERIFY(allFinite(transform->scale3D()));
        QVERIFY(allFinite(transform->rotation().vector()));
        QVERIFY(std::isfinite(transform->rotation().scalar()));
    }
}

void TestShow::showPressedDuringARunChangesNothing()
{
    ModalDialogCloser closer;
    ShowWindow w;
    w.setRecording(sampleUpTo(10.0));
    w.nameResults(QStringLiteral("calm"));
    w.run->trigger();
    const QVector<QByteArray> undisturbed = w.results();

    // Window hidden: the table is edited once the run has begun, and Show
    // pressed at 10, 20, ... 90 percent would give the model other
    // parameters and start posing a window.
    int presses = 0;
    const auto editAndPressShow = [&]() {
        if (presses == 0)
            w.setValue(BodyMassRow, QStringLiteral("120"));
        if (w.progress->value() >= 10 * (presses + 1)) {
            ++presses;
            w.show->trigger();
        }
        return presses == 9;
    };
    w.nameResults(QStringLiteral("hidden"));
    w.runWhile(editAndPressShow);
    QCOMPARE(presses, 9);
    QCOMPARE(closer.closedTexts(), QStringList());
    QCOMPARE(w.progress->value(), 99);
    QCOMPARE(w.results(), undisturbed);
    QVERIFY(!w.view->isVisible());
    QVERIFY(!w.view->sceneRoot());

    // Window shown: the scene is not rebuilt and the run's poses go on.
    w.setValue(BodyMassRow, QStringLiteral("89.6121"));
    w.show->trigger();
    Qt3DCore::QEntity *shown = w.view->sceneRoot();
    w.nameResults(QStringLiteral("shown"));
    presses = 0;
    w.runWhile(editAndPressShow);
    QCOMPARE(presses, 9);
    QCOMPARE(closer.closedTexts(), QStringList());
    QCOMPARE(w.results(), undisturbed);
    QCOMPARE(w.view->sceneRoot(), shown);
    QCOMPARE(w.view->title(), QStringLiteral("9.97 s"));
}

void TestShow::exitClosesTheViewFirst()
{
    ShowWindow w;
    w.window.show();
    w.show->trigger();
    QVERIFY(w.view->isVisible());

    // The 3D window is already closed when the main window closes.
    bool viewOpenAtClose = true;
    struct CloseWatch : QObject
    {
        std::function<void()> onClose;
        bool eventFilter(QObject *, QEvent *e) override
        {
            if (e->type() == QEvent::Close)
                onClose();
            return false;
        }
    } watch;
    watch.onClose = [&]() { viewOpenAtClose = w.view->isVisible(); };
    w.window.installEventFilter(&watch);

    QTimer::singleShot(0, child<QAction>(&w.window, "actionExit"), &QAction::trigger);
    QTimer::singleShot(20000, [] { QCoreApplication::exit(3); });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!viewOpenAtClose);
    QVERIFY(!w.view->isVisible());
    QVERIFY(!w.window.isVisible());
}

QTEST_MAIN(TestShow)
#include "tst_show.moc"
