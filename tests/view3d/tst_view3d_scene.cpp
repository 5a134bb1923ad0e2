// Scene structure, posing and mouse control of the 3D window. Nothing here
// renders, so it runs on the offscreen platform.

#include "fourbar3dshipclass.h"
#include "marvekview.h"

#include <Qt3DCore/QEntity>
#include <Qt3DCore/QTransform>
#include <Qt3DExtras/QCuboidMesh>
#include <Qt3DExtras/QGoochMaterial>
#include <Qt3DExtras/QPhongMaterial>
#include <Qt3DExtras/QSphereMesh>
#include <Qt3DRender/QCamera>
#include <Qt3DRender/QCameraLens>
#include <Qt3DRender/QPointLight>

#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QPointer>
#include <QtMath>
#include <QtTest>

#include <cmath>
#include <memory>

using Eigen::VectorXd;

namespace {

// Default parameter table: body mass and height with the four links' shares.
const double bodyMass = 89.6121;
const double bodyHeight = 1.72;
const double massFractions[4] = {0.122, 0.2, 0.597, 0.081};
const double lengthFractions[4] = {0.285, 0.245, 0.288, 0.182};

VectorXd vec(std::initializer_list<double> values)
{
    VectorXd v(int(values.size()));
    int i = 0;
    for (double x : values)
        v(i++) = x;
    return v;
}

void setDefaultParameters(FourBar3DShipClass &model)
{
    VectorXd masses(4), lengths(4);
    for (int i = 0; i < 4; ++i) {
        masses(i) = bodyMass * massFractions[i];
        lengths(i) = bodyHeight * lengthFractions[i];
    }
    model.setParameters(masses, lengths, VectorXd::Constant(4, 0.1), VectorXd::Constant(4, 0.01));
}

QList<Qt3DCore::QEntity *> childEntities(Qt3DCore::QNode *parent)
{
    QList<Qt3DCore::QEntity *> entities;
    for (Qt3DCore::QNode *node : parent->childNodes())
        if (auto *entity = qobject_cast<Qt3DCore::QEntity *>(node))
            entities << entity;
    return entities;
}

template <typename T>
T *component(Qt3DCore::QEntity *entity)
{
    const QVector<T *> found = entity->componentsOfType<T>();
    return found.size() == 1 ? found.first() : nullptr;
}

// The scene's top-level entities in build order.
struct Scene
{
    explicit Scene(Qt3DCore::QEntity *root)
    {
        const QList<Qt3DCore::QEntity *> top = childEntities(root);
        if (top.size() != 12)
            return;
        for (int i = 0; i < 4; ++i) {
            links << top[2 * i];
            masses << top[2 * i + 1];
        }
        deck = top[8];
        axes = top[9];
        gauge = top[10];
        light = top[11];
    }
    QList<Qt3DCore::QEntity *> links, masses;
    Qt3DCore::QEntity *deck = nullptr, *axes = nullptr, *gauge = nullptr, *light = nullptr;
};

bool fuzzyEqual(const QVector3D &a, const QVector3D &b, float tol = 1e-3f)
{
    return (a - b).length() <= tol;
}

QString describe(const QVector3D &v)
{
    return QStringLiteral("(%1, %2, %3)").arg(v.x()).arg(v.y()).arg(v.z());
}

bool fuzzyEqual(const QQuaternion &a, const QQuaternion &b, float tol = 1e-5f)
{
    return std::abs(a.scalar() - b.scalar()) <= tol && fuzzyEqual(a.vector(), b.vector(), tol);
}

void sendMouse(MarvekView &view, QEvent::Type type, QPoint pos, Qt::MouseButton button,
               Qt::MouseButtons held)
{
    QMouseEvent event(type, QPointF(pos), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(&view, &event);
}

} // namespace

class TestView3dScene : public QObject
{
    Q_OBJECT

private:
    FourBar3DShipClass m_model;
    std::unique_ptr<MarvekView> m_view;
    Qt3DRender::QCamera *camera() { return m_view->camera(); }
    void pressLeftAndMove(QPoint from, QPoint to);

private slots:
    void init();
    void cleanup();

    void sceneStructure();
    void meshesAndSphereScales();
    void materialsAndLight();
    void cameraAfterInit();
    void masslessBodyHasNoSpheres();
    void laterInitReplacesAndDeletesScene();

    void titleShowsTime_data();
    void titleShowsTime();
    void uprightBody();
    void shipRollTiltsDeckAndBody();
    void turnRotatesLinksOnly();
    void gaugeFollowsLinearAccelerations();
    void conversions();

    void yawOneStepPerMove();
    void yawAndPitchDirections();
    void doubleClickCentresOnDeck();
    void middleButtonOnlyRecordsPosition();
    void bothButtonsTurnAsLeft();
    void rightDragLeavesCamera();
    void initResetsTurnedCamera();

    void destroyedPromptlyWithoutDisplay();
};

void TestView3dScene::init()
{
    setDefaultParameters(m_model);
    m_view = std::make_unique<MarvekView>();
    m_view->initScene(&m_model);
}

void TestView3dScene::cleanup()
{
    m_view.reset();
}

void TestView3dScene::sceneStructure()
{
    Qt3DCore::QEntity *root = m_view->sceneRoot();
    QVERIFY(root);
    QVERIFY(root->parentNode() != nullptr); // held by the window
    Scene scene(root);
    QCOMPARE(scene.links.size(), 4);

    // 12 top-level entities, frame and triads of 4 + 3 + 3 bars.
    QCOMPARE(root->findChildren<Qt3DCore::QEntity *>().size(), 22);
    QCOMPARE(childEntities(scene.deck).size(), 4);
    QCOMPARE(childEntities(scene.axes).size(), 3);
    QCOMPARE(childEntities(scene.gauge).size(), 3);
    QCOMPARE(root->findChildren<Qt3DExtras::QCuboidMesh *>().size(), 4 + 4 + 3 + 3);
    QCOMPARE(root->findChildren<Qt3DExtras::QSphereMesh *>().size(), 4);
    QCOMPARE(root->findChildren<Qt3DRender::QPointLight *>().size(), 1);

    // Components in the order mesh, transform, material.
    for (Qt3DCore::QEntity *e : scene.links + scene.masses) {
        const auto components = e->components();
        QCOMPARE(components.size(), 3);
        QVERIFY(qobject_cast<Qt3DRender::QGeometryRenderer *>(components[0]));
        QVERIFY(qobject_cast<Qt3DCore::QTransform *>(components[1]));
        QVERIFY(qobject_cast<Qt3DRender::QMaterial *>(components[2]));
    }
    QCOMPARE(scene.deck->components().size(), 1);
    QVERIFY(component<Qt3DCore::QTransform>(scene.deck));
    QVERIFY(scene.gauge->components().isEmpty());
    QCOMPARE(component<Qt3DCore::QTransform>(scene.axes)->translation(), QVector3D(-130, -130, 0));

    // The frame's and the triads' geometry shows in the render test.
    QVERIFY(component<Qt3DExtras::QGoochMaterial>(childEntities(scene.deck)[0]));
    // The gauge is invisible until the ship accelerates.
    for (Qt3DCore::QEntity *bar : childEntities(scene.gauge))
        QCOMPARE(component<Qt3DCore::QTransform>(bar)->scale(), 0.0f);
}

void TestView3dScene::meshesAndSphereScales()
{
    Scene scene(m_view->sceneRoot());
    for (int i = 0; i < 4; ++i) {
        auto *box = component<Qt3DExtras::QCuboidMesh>(scene.links[i]);
        QCOMPARE(box->xExtent(), 1.0f);
        QCOMPARE(box->yExtent(), 1.0f);
        QVERIFY(qAbs(box->zExtent() - 0.99 * lengthFractions[i] * 172.0) < 1e-4);

        auto *sphere = component<Qt3DExtras::QSphereMesh>(scene.masses[i]);
        QCOMPARE(sphere->radius(), 20.0f);
        // The mass fractions add up to 1, so each scale is its fraction.
        QVERIFY(qAbs(component<Qt3DCore::QTransform>(scene.masses[i])->scale()
                     - massFractions[i]) < 1e-6);
    }
}

void TestView3dScene::materialsAndLight()
{
    Qt3DCore::QEntity *root = m_view->sceneRoot();
    Scene scene(root);

    auto *linkMaterial = component<Qt3DExtras::QPhongMaterial>(scene.links[0]);
    QVERIFY(linkMaterial);
    QCOMPARE(linkMaterial->parentNode(), root);
    QCOMPARE(linkMaterial->diffuse(), Qt3DExtras::QPhongMaterial().diffuse());
    auto *massMaterial = component<Qt3DExtras::QPhongMaterial>(scene.masses[0]);
    QCOMPARE(massMaterial->diffuse(), QColor(0x99, 0x33, 0xFF));
    for (int i = 1; i < 4; ++i) { // one shared object each
        QCOMPARE(component<Qt3DExtras::QPhongMaterial>(scene.links[i]), linkMaterial);
        QCOMPARE(component<Qt3DExtras::QPhongMaterial>(scene.masses[i]), massMaterial);
    }

    const QColor triadColours[3] = {QColor(0, 0, 255), QColor(51, 204, 51), QColor(255, 0, 0)};
    for (int k = 0; k < 3; ++k) {
        auto *axisMaterial = component<Qt3DExtras::QPhongMaterial>(childEntities(scene.axes)[k]);
        auto *gaugeMaterial = component<Qt3DExtras::QPhongMaterial>(childEntities(scene.gauge)[k]);
        QCOMPARE(axisMaterial->diffuse(), triadColours[k]);
        QCOMPARE(gaugeMaterial, axisMaterial);
    }
    auto *deckMaterial = component<Qt3DExtras::QGoochMaterial>(childEntities(scene.deck)[0]);
    QCOMPARE(component<Qt3DExtras::QGoochMaterial>(childEntities(scene.deck)[3]), deckMaterial);

    const auto lightComponents = scene.light->components();
    QCOMPARE(lightComponents.size(), 2);
    auto *light = qobject_cast<Qt3DRender::QPointLight *>(lightComponents[0]);
    QVERIFY(light);
    QCOMPARE(light->color(), QColor(Qt::white));
    QCOMPARE(light->intensity(), 1.0f);
    auto *lightTransform = qobject_cast<Qt3DCore::QTransform *>(lightComponents[1]);
    QVERIFY(lightTransform);
    QCOMPARE(lightTransform->translation(), QVector3D(100, 100, 300));
}

void TestView3dScene::cameraAfterInit()
{
    QCOMPARE(camera()->position(), QVector3D(0, 400, 75));
    QCOMPARE(camera()->viewCenter(), QVector3D(0, 0, 75));
    QCOMPARE(camera()->upVector(), QVector3D(0, 0, 1));
    QCOMPARE(camera()->projectionType(), Qt3DRender::QCameraLens::PerspectiveProjection);
    QCOMPARE(camera()->fieldOfView(), 45.0f);
    QCOMPARE(camera()->aspectRatio(), 16.0f / 9.0f);
    QCOMPARE(camera()->nearPlane(), 0.1f);
    QCOMPARE(camera()->farPlane(), 1000.0f);
    // The window starts in the projection's shape, so the first picture is undistorted.
    QCOMPARE(float(m_view->width()) / float(m_view->height()), camera()->aspectRatio());
}

void TestView3dScene::masslessBodyHasNoSpheres()
{
    FourBar3DShipClass massless;
    VectorXd lengths(4);
    lengths << 0.5, 0.4, 0.5, 0.3;
    massless.setParameters(VectorXd::Zero(4), lengths, VectorXd::Constant(4, 0.1),
                           VectorXd::Constant(4, 0.01));
    m_view->initScene(&massless);
    for (Qt3DCore::QEntity *mass : Scene(m_view->sceneRoot()).masses)
        QCOMPARE(component<Qt3DCore::QTransform>(mass)->scale(), 0.0f);
    // The links are still drawn.
    auto *box = component<Qt3DExtras::QCuboidMesh>(Scene(m_view->sceneRoot()).links[3]);
    QVERIFY(qAbs(box->zExtent() - 29.7f) < 1e-4f);
}

void TestView3dScene::laterInitReplacesAndDeletesScene()
{
    QPointer<Qt3DCore::QEntity> first = m_view->sceneRoot();
    QPointer<Qt3DCore::QTransform> firstDeck
        = component<Qt3DCore::QTransform>(Scene(first).deck);
    m_view->initScene(&m_model);
    QVERIFY(first.isNull());
    QVERIFY(firstDeck.isNull());

    // Poses now move the new scene's transforms.
    Qt3DCore::QEntity *second = m_view->sceneRoot();
    QVERIFY(second);
    m_view->updatePose(1.0, VectorXd::Zero(12), vec({0.2, 0, 0, 0, 0, 0}), VectorXd::Zero(6), 0.0);
    QVERIFY(!component<Qt3DCore::QTransform>(Scene(second).deck)->rotation().isIdentity());

    // Repeated rebuilds leave only the newest scene alive.
    QList<QPointer<Qt3DCore::QEntity>> replaced;
    for (int i = 0; i < 20; ++i) {
        replaced << m_view->sceneRoot();
        m_view->initScene(&m_model);
    }
    for (const QPointer<Qt3DCore::QEntity> &old : replaced)
        QVERIFY(old.isNull());
    QCOMPARE(childEntities(m_view->sceneRoot()->parentNode()).count(m_view->sceneRoot()), 1);
}

void TestView3dScene::titleShowsTime_data()
{
    QTest::addColumn<double>("t");
    QTest::addColumn<QString>("title");
    QTest::newRow("zero") << 0.0 << "0 s";
    QTest::newRow("step") << 7.933 << "7.933 s";
    QTest::newRow("rounded") << 12.3456789 << "12.3457 s";
    QTest::newRow("tiny") << 1e-7 << "1e-07 s";
}

void TestView3dScene::titleShowsTime()
{
    QFETCH(double, t);
    QFETCH(QString, title);
    QCOMPARE(m_view->title(), QStringLiteral("0 s")); // set by the build
    m_view->updatePose(t, VectorXd::Zero(12), VectorXd::Zero(6), VectorXd::Zero(6), 0.0);
    QCOMPARE(m_view->title(), title);
}

void TestView3dScene::uprightBody()
{
    Scene scene(m_view->sceneRoot());
    m_view->updatePose(0.5, VectorXd::Zero(12), VectorXd::Zero(6), VectorXd::Zero(6), 0.0);
    double base = 0.0;
    for (int i = 0; i < 4; ++i) {
        const double length = 172.0 * lengthFractions[i];
        const QVector3D cg(0, 0, float(base + length / 2.0));
        base += length;
        auto *link = component<Qt3DCore::QTransform>(scene.links[i]);
        auto *mass = component<Qt3DCore::QTransform>(scene.masses[i]);
        QVERIFY2(fuzzyEqual(link->translation(), cg), qPrintable(describe(link->translation())));
        QVERIFY(fuzzyEqual(mass->translation(), cg));
        QVERIFY(fuzzyEqual(link->rotation(), QQuaternion()));
        QVERIFY(mass->rotation().isIdentity()); // spheres are never turned
    }
    auto *deck = component<Qt3DCore::QTransform>(scene.deck);
    QVERIFY(fuzzyEqual(deck->rotation(), QQuaternion()));
    QCOMPARE(deck->translation(), QVector3D());
}

void TestView3dScene::shipRollTiltsDeckAndBody()
{
    Scene scene(m_view->sceneRoot());
    const double a = 20.0 * M_PI / 180.0;
    const double massScale = component<Qt3DCore::QTransform>(scene.masses[2])->scale();
    m_view->updatePose(3.0, VectorXd::Zero(12), vec({a, 0, 0, 0, 0, 0}), VectorXd::Zero(6), 0.0);

    const double halfL1 = 172.0 * lengthFractions[0] / 2.0;
    const QVector3D cg1(0, float(-halfL1 * std::sin(a)), float(halfL1 * std::cos(a)));
    const QQuaternion roll(float(std::cos(a / 2)), float(std::sin(a / 2)), 0, 0);
    auto *link1 = component<Qt3DCore::QTransform>(scene.links[0]);
    QVERIFY2(fuzzyEqual(link1->translation(), cg1), qPrintable(describe(link1->translation())));
    QVERIFY(fuzzyEqual(component<Qt3DCore::QTransform>(scene.masses[0])->translation(), cg1));
    for (int i = 0; i < 4; ++i)
        QVERIFY(fuzzyEqual(component<Qt3DCore::QTransform>(scene.links[i])->rotation(), roll));
    QVERIFY(fuzzyEqual(component<Qt3DCore::QTransform>(scene.deck)->rotation(), roll));

    // The whole body leans with the deck: link 4's centre stays on the tilted axis.
    const QVector3D cg4 = component<Qt3DCore::QTransform>(scene.links[3])->translation();
    QVERIFY(qAbs(std::atan2(-cg4.y(), cg4.z()) - a) < 1e-5);
    QCOMPARE(component<Qt3DCore::QTransform>(scene.masses[2])->scale(), float(massScale));
}

void TestView3dScene::turnRotatesLinksOnly()
{
    Scene scene(m_view->sceneRoot());
    const double psi = 90.0 * 3.14159 / 180.0;
    m_view->updatePose(8.0, VectorXd::Zero(12), VectorXd::Zero(6), VectorXd::Zero(6), 90.0);

    const QQuaternion turn(float(std::cos(psi / 2)), 0, 0, float(std::sin(psi / 2)));
    double base = 0.0;
    for (int i = 0; i < 4; ++i) {
        const double length = 172.0 * lengthFractions[i];
        auto *link = component<Qt3DCore::QTransform>(scene.links[i]);
        QVERIFY(fuzzyEqual(link->translation(), QVector3D(0, 0, float(base + length / 2.0))));
        QVERIFY(fuzzyEqual(link->rotation(), turn));
        base += length;
    }
    QVERIFY(fuzzyEqual(component<Qt3DCore::QTransform>(scene.deck)->rotation(), QQuaternion()));
}

void TestView3dScene::gaugeFollowsLinearAccelerations()
{
    const QList<Qt3DCore::QEntity *> bars = childEntities(Scene(m_view->sceneRoot()).gauge);
    // Angular accelerations (entries 0..2) must not reach the gauge.
    m_view->updatePose(1.0, VectorXd::Zero(12), VectorXd::Zero(6), vec({3, 3, 3, 1, 0, -0.5}), 0.0);

    auto *x = component<Qt3DCore::QTransform>(bars[0]);
    auto *y = component<Qt3DCore::QTransform>(bars[1]);
    auto *z = component<Qt3DCore::QTransform>(bars[2]);
    // x: 10 cm bar scaled by 4 runs from 0 to 40 cm, 4 cm thick.
    QCOMPARE(x->scale(), 4.0f);
    QCOMPARE(x->translation(), QVector3D(20, 0, 0));
    // y: gone.
    QCOMPARE(y->scale(), 0.0f);
    QCOMPARE(y->translation(), QVector3D(0, 0, 0));
    // z: from 0 down to -20 cm, 2 cm thick (the mirror image of a centred box is the same box).
    QCOMPARE(std::abs(z->scale()), 2.0f);
    QCOMPARE(z->translation(), QVector3D(0, 0, -10));
    const float zReach = z->translation().z() - 5.0f * std::abs(z->scale());
    QCOMPARE(zReach, -20.0f);
}

void TestView3dScene::conversions()
{
    QCOMPARE(MarvekView::toQVector3D(Eigen::Vector3d(1.5, -2.25, 1e-3)),
             QVector3D(1.5f, -2.25f, 1e-3f));
    const QQuaternion q = MarvekView::toQQuaternion(Eigen::Vector4d(0.1, 0.2, 0.3, 0.9));
    QCOMPARE(q.scalar(), 0.9f);
    QCOMPARE(q.vector(), QVector3D(0.1f, 0.2f, 0.3f));
}

void TestView3dScene::pressLeftAndMove(QPoint from, QPoint to)
{
    sendMouse(*m_view, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    sendMouse(*m_view, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
}

void TestView3dScene::yawOneStepPerMove()
{
    pressLeftAndMove({100, 100}, {101, 100});
    const QVector3D afterSmall = camera()->position();
    QVERIFY(afterSmall != QVector3D(0, 400, 75));

    m_view->initScene(&m_model);
    pressLeftAndMove({100, 100}, {150, 100});
    QCOMPARE(camera()->position(), afterSmall);

    // A move that does not move turns nothing; nor does a move after release.
    const QVector3D before = camera()->position();
    sendMouse(*m_view, QEvent::MouseMove, {150, 100}, Qt::NoButton, Qt::LeftButton);
    QCOMPARE(camera()->position(), before);
    sendMouse(*m_view, QEvent::MouseButtonRelease, {150, 100}, Qt::LeftButton, Qt::NoButton);
    sendMouse(*m_view, QEvent::MouseMove, {190, 140}, Qt::NoButton, Qt::NoButton);
    QCOMPARE(camera()->position(), before);

    // Three moves, three steps.
    m_view->initScene(&m_model);
    pressLeftAndMove({0, 0}, {1, 0});
    sendMouse(*m_view, QEvent::MouseMove, {2, 0}, Qt::NoButton, Qt::LeftButton);
    sendMouse(*m_view, QEvent::MouseMove, {300, 0}, Qt::NoButton, Qt::LeftButton);
    const QVector3D offset = camera()->position() - camera()->viewCenter();
    QVERIFY(qAbs(std::atan2(offset.x(), offset.y()) - 3 * 2 * std::atan(0.01)) < 1e-5);
}

void TestView3dScene::yawAndPitchDirections()
{
    const double step = 2.0 * std::atan(0.01);

    // Rightwards: clockwise seen from above, towards +x, about the view centre.
    pressLeftAndMove({100, 100}, {110, 100});
    QVector3D offset = camera()->position() - camera()->viewCenter();
    QCOMPARE(camera()->viewCenter(), QVector3D(0, 0, 75));
    QVERIFY(offset.x() > 0);
    QVERIFY(qAbs(std::atan2(offset.x(), offset.y()) - step) < 1e-5);
    QVERIFY(qAbs(offset.z()) < 1e-4f);
    // The quaternion is used as built: each step stretches by 1 + 0.01².
    QVERIFY(qAbs(offset.length() - 400.0 * 1.0001) < 1e-2);

    // Leftwards: the other way.
    m_view->initScene(&m_model);
    pressLeftAndMove({100, 100}, {90, 100});
    offset = camera()->position() - camera()->viewCenter();
    QVERIFY(qAbs(std::atan2(offset.x(), offset.y()) + step) < 1e-5);

    // Downwards: the camera rises about the +x axis; no yaw.
    m_view->initScene(&m_model);
    pressLeftAndMove({100, 100}, {100, 130});
    offset = camera()->position() - camera()->viewCenter();
    QVERIFY(qAbs(offset.x()) < 1e-4f);
    QVERIFY(qAbs(std::atan2(offset.z(), offset.y()) - step) < 1e-5);

    // Upwards: it sinks.
    m_view->initScene(&m_model);
    pressLeftAndMove({100, 100}, {100, 70});
    offset = camera()->position() - camera()->viewCenter();
    QVERIFY(qAbs(std::atan2(offset.z(), offset.y()) + step) < 1e-5);
}

void TestView3dScene::doubleClickCentresOnDeck()
{
    pressLeftAndMove({100, 100}, {120, 110});
    const QVector3D position = camera()->position();
    sendMouse(*m_view, QEvent::MouseButtonDblClick, {120, 110}, Qt::LeftButton, Qt::LeftButton);
    QCOMPARE(camera()->viewCenter(), QVector3D(0, 75, 0));
    QCOMPARE(camera()->upVector(), QVector3D(0, 0, 1));
    QCOMPARE(camera()->position(), position);
}

void TestView3dScene::middleButtonOnlyRecordsPosition()
{
    sendMouse(*m_view, QEvent::MouseButtonPress, {100, 100}, Qt::MiddleButton, Qt::MiddleButton);
    sendMouse(*m_view, QEvent::MouseMove, {180, 150}, Qt::NoButton, Qt::MiddleButton);
    QCOMPARE(camera()->position(), QVector3D(0, 400, 75));

    // With the left button held, a middle press moves the reference point:
    // the next move is measured from it (here leftwards, so the camera goes to -x).
    pressLeftAndMove({100, 100}, {100, 100});
    sendMouse(*m_view, QEvent::MouseButtonPress, {200, 100}, Qt::MiddleButton,
              Qt::LeftButton | Qt::MiddleButton);
    QCOMPARE(camera()->position(), QVector3D(0, 400, 75));
    sendMouse(*m_view, QEvent::MouseMove, {150, 100}, Qt::NoButton, Qt::LeftButton | Qt::MiddleButton);
    QVERIFY(camera()->position().x() < 0);
}

void TestView3dScene::bothButtonsTurnAsLeft()
{
    sendMouse(*m_view, QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton, Qt::LeftButton);
    sendMouse(*m_view, QEvent::MouseButtonPress, {100, 100}, Qt::RightButton,
              Qt::LeftButton | Qt::RightButton);
    sendMouse(*m_view, QEvent::MouseMove, {130, 100}, Qt::NoButton, Qt::LeftButton | Qt::RightButton);
    const QVector3D turned = camera()->position();

    m_view->initScene(&m_model);
    pressLeftAndMove({100, 100}, {130, 100});
    QCOMPARE(camera()->position(), turned);

    // Releasing either button clears both.
    sendMouse(*m_view, QEvent::MouseButtonPress, {130, 100}, Qt::RightButton,
              Qt::LeftButton | Qt::RightButton);
    sendMouse(*m_view, QEvent::MouseButtonRelease, {130, 100}, Qt::RightButton, Qt::LeftButton);
    sendMouse(*m_view, QEvent::MouseMove, {170, 140}, Qt::NoButton, Qt::LeftButton);
    QCOMPARE(camera()->position(), turned);
}

void TestView3dScene::rightDragLeavesCamera()
{
    sendMouse(*m_view, QEvent::MouseButtonPress, {100, 100}, Qt::RightButton, Qt::RightButton);
    for (int i = 1; i <= 5; ++i)
        sendMouse(*m_view, QEvent::MouseMove, {100 + 10 * i, 100 - 7 * i}, Qt::NoButton,
                  Qt::RightButton);
    QCOMPARE(camera()->position(), QVector3D(0, 400, 75));
    QCOMPARE(camera()->viewCenter(), QVector3D(0, 0, 75));
    QCOMPARE(camera()->upVector(), QVector3D(0, 0, 1));
}

void TestView3dScene::initResetsTurnedCamera()
{
    pressLeftAndMove({100, 100}, {140, 140});
    sendMouse(*m_view, QEvent::MouseButtonDblClick, {140, 140}, Qt::LeftButton, Qt::LeftButton);
    QVERIFY(camera()->position() != QVector3D(0, 400, 75));
    m_view->initScene(&m_model);
    QCOMPARE(camera()->position(), QVector3D(0, 400, 75));
    QCOMPARE(camera()->viewCenter(), QVector3D(0, 0, 75));
    QCOMPARE(camera()->upVector(), QVector3D(0, 0, 1));
}

void TestView3dScene::destroyedPromptlyWithoutDisplay()
{
    QLoggingCategory::setFilterRules(QStringLiteral("Qt3D.*.warning=false"));
    // Without a display the window gets no OpenGL context; building, showing
    // and destroying it must still come back (the test's time limit catches a hang).
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("offscreen"));
    for (int i = 0; i < 3; ++i) {
        auto view = std::make_unique<MarvekView>();
        view->initScene(&m_model);
        view->resize(800, 450);
        view->show();
        QTest::qWait(100);
        view->updatePose(0.01, VectorXd::Zero(12), VectorXd::Zero(6), VectorXd::Zero(6), 0.0);
        view->initScene(&m_model);
        QTest::qWait(50);
    }
    // Destroyed right after construction, with or without a scene: Qt3D's
    // render thread may not have started its work yet.
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 30; ++i) {
        MarvekView bare;
        MarvekView withScene;
        withScene.initScene(&m_model);
    }
    qInfo("60 windows built and destroyed in %lld ms", timer.elapsed());
}

QTEST_MAIN(TestView3dScene)
#include "tst_view3d_scene.moc"
