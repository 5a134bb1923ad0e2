// Show in the Simulation menu: the 3D window is built from the parameter
// table, a refused table changes nothing, and a run poses the shown window
// with the parameters Show gave the model.
#include "apptestsupport.h"

#include <Qt3DCore/QEntity>
#include <Qt3DCore/QTransform>
#include <Qt3DExtras/QCuboidMesh>
#include <Qt3DExtras/QSphereMesh>

#include <QPointer>
#include <QtTest>

#include <cmath>

using namespace apptest;

namespace {

// Link box lengths and sphere scales of the shown scene, links 1 to 4.
QVector<float> sizes(MarvekView *view)
{
    QVector<float> boxes, spheres;
    for (Qt3DCore::QNode *node : view->sceneRoot()->childNodes()) {
        auto *entity = qobject_cast<Qt3DCore::QEntity *>(node);
        if (!entity)
            continue;
        const auto box = entity->componentsOfType<Qt3DExtras::QCuboidMesh>();
        if (!box.isEmpty() && boxes.size() < 4)
            boxes << box.first()->zExtent();
        if (!entity->componentsOfType<Qt3DExtras::QSphereMesh>().isEmpty())
            spheres << entity->componentsOfType<Qt3DCore::QTransform>().first()->scale();
    }
    return boxes + spheres;
}

bool near(const QVector<float> &a, const QVector<float> &b)
{
    for (int i = 0; i < a.size() && a.size() == b.size(); ++i) {
        if (!(std::abs(a[i] - b[i]) < 1e-4f))
            return false;
    }
    return a.size() == b.size();
}

} // namespace

class TestShow : public QObject
{
    Q_OBJECT

private slots:
    void showBuildsTheSceneFromTheTable();
    void refusedTableChangesNothing();
    void runPosesTheShownWindowWithTheShownParameters();
};

void TestShow::showBuildsTheSceneFromTheTable()
{
    Harness h;
    MarvekView *view = theView();
    h.setValue(3, "0.1, 0.2, 0.3, 0.4");
    h.setValue(4, "2.0");
    h.setValue(5, "0.3, 0.25, 0.25, 0.2");
    h.trigger("actionShow");
    QCOMPARE(h.warnings(), QStringList());
    QVERIFY(view->isVisible());
    QCOMPARE(view->title(), QStringLiteral("0 s"));
    // Boxes 99 % of the link lengths in cm, spheres scaled by the mass share.
    const QVector<float> expected = {59.4f, 49.5f, 49.5f, 39.6f, 0.1f, 0.2f, 0.3f, 0.4f};
    QVERIFY(near(sizes(view), expected));

    // Show again, also while shown: a new scene from the table as it is now.
    QPointer<Qt3DCore::QEntity> first = view->sceneRoot();
    h.setValue(4, "1.0");
    h.trigger("actionShow");
    QVERIFY(!first && std::abs(sizes(view)[0] - 29.7f) < 1e-4f);
}

void TestShow::refusedTableChangesNothing()
{
    Harness h;
    MarvekView *view = theView();
    h.setValue(2, "heavy");
    h.trigger("actionShow");
    QCOMPARE(h.warnings().size(), 1);
    QVERIFY(h.warnings().first().startsWith("Simulation Failed: The parameter table cannot be used:\nBody Mass (kg)"));
    QVERIFY(!view->isVisible() && !view->sceneRoot());

    // Refused while shown: the scene stays, and so do the model's parameters.
    h.setValue(2, "89.6121");
    h.trigger("actionShow");
    Qt3DCore::QEntity *shown = view->sceneRoot();
    const QVector<float> shownSizes = sizes(view);
    h.setRecording(sampleUpTo(2.0));
    h.nameResults("before");
    h.trigger("actionRun");
    const QVector<QByteArray> before = h.results();
    h.closer.clear();
    h.setValue(5, "0.5, 0.5");
    h.trigger("actionShow");
    QCOMPARE(h.warnings().size(), 1);
    QVERIFY(view->isVisible() && view->sceneRoot() == shown);
    QVERIFY(near(sizes(view), shownSizes));
    h.nameResults("after");
    h.trigger("actionRun");
    QCOMPARE(h.results(), before);
}

void TestShow::runPosesTheShownWindowWithTheShownParameters()
{
    Harness h;
    MarvekView *view = theView();
    h.setRecording(sampleUpTo(3.0));
    h.nameResults("hidden");
    h.trigger("actionRun");
    const QVector<QByteArray> hidden = h.results();
    QVERIFY(!hidden.first().isEmpty() && view->title().isEmpty());

    // Shown, the run gives the same files and leaves the window at its last
    // step (297 of 300); the table is neither checked nor applied.
    h.trigger("actionShow");
    h.setValue(2, "120");
    h.setValue(3, "0.25");
    h.nameResults("shown");
    h.trigger("actionRun");
    QCOMPARE(h.warnings(), QStringList());
    QCOMPARE(h.results(), hidden);
    QCOMPARE(view->title(), QStringLiteral("2.97 s"));

    // A run stopped by a recording that stops being finite keeps the last
    // finite pose.
    h.setRecording(sampleUpTo(8.0, 5.0));
    h.trigger("actionRun");
    QCOMPARE(view->title(), QStringLiteral("4.95 s"));
    for (const Qt3DCore::QTransform *t : view->sceneRoot()->findChildren<Qt3DCore::QTransform *>()) {
        const QVector4D r = t->rotation().toVector4D();
        QVERIFY(std::isfinite(r.x() + r.y() + r.z() + r.w()));
        QVERIFY(std::isfinite(t->translation().lengthSquared() + t->scale3D().lengthSquared()));
    }

    // Closed again, Run goes back to the table and refuses it.
    view->close();
    h.closer.clear();
    h.nameResults("closed");
    h.trigger("actionRun");
    QCOMPARE(h.warnings().size(), 1);
    QVERIFY(h.warnings().first().contains("Mass Fractions"));
    QVERIFY(h.results().first().isEmpty());
}

QTEST_MAIN(TestShow)
#include "tst_show.moc"
