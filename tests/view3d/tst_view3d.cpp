// The 3D window: its scene from the model, its poses against positions and
// rotations worked out here, its title, the camera's drag, and its frames on
// the X display: the deck where its pose puts it, gauge bars lit alike for ±a.
#include "fourbar3dshipclass.h"
#include "marvekview.h"
#include "testsupport.h"

#include <Qt3DCore/QEntity>
#include <Qt3DCore/QTransform>
#include <Qt3DExtras/QCuboidMesh>
#include <Qt3DExtras/QForwardRenderer>
#include <Qt3DRender/QCamera>
#include <Qt3DRender/QRenderCapture>

#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPointer>
#include <QtMath>
#include <QtTest>

#include <cmath>
#include <functional>
#include <memory>

using Eigen::VectorXd;

namespace {

const double kLengths[4] = {0.4902, 0.4214, 0.49536, 0.31304}; // m, a 1.72 m body

// A body of these link masses (kg) and lengths (m).
void setBody(FourBar3DShipClass &model, QVector<double> masses, QVector<double> lengths = {kLengths, kLengths + 4})
{
    model.setParameters(Eigen::Map<VectorXd>(masses.data(), 4), Eigen::Map<VectorXd>(lengths.data(), 4),
                        VectorXd::Constant(4, 0.1), VectorXd::Constant(4, 0.01));
}

// The scene's parts in build order: four links each with its mass sphere, deck, axes, gauge, light.
struct Scene
{
    explicit Scene(Qt3DCore::QEntity *root) : top(root->findChildren<Qt3DCore::QEntity *>(QString(), Qt::FindDirectChildrenOnly)) {}
    static Qt3DCore::QTransform *transform(QObject *e) { return e->findChild<Qt3DCore::QTransform *>(QString(), Qt::FindDirectChildrenOnly); }
    Qt3DCore::QTransform *link(int i) const { return transform(top[2 * i]); }
    Qt3DCore::QTransform *mass(int i) const { return transform(top[2 * i + 1]); }
    Qt3DCore::QTransform *deck() const { return transform(top[8]); }
    Qt3DCore::QTransform *bar(int k) const { return transform(top[10]->children()[k]); }
    QList<Qt3DCore::QEntity *> top;
};

// Positions in cm, quaternions as (x, y, z, scalar).
bool near(const QVector4D &a, const QVector4D &b)
{
    return (a - b).length() < 1e-4f * qMax(1.0f, a.length());
}

} // namespace

class TestView3d : public QObject
{
    Q_OBJECT

private:
    FourBar3DShipClass m_model;
    std::unique_ptr<MarvekView> m_view;
    Qt3DRender::QRenderCapture *m_capture = nullptr;
    QImage m_frame;

    // Where a point of the scene (cm) is drawn in the frame.
    QPoint project(const QVector3D &p) const
    {
        const QVector3D ndc = (m_view->camera()->projectionMatrix() * m_view->camera()->viewMatrix()).map(p);
        return QPoint(int((ndc.x() + 1) / 2 * m_frame.width()), int((1 - ndc.y()) / 2 * m_frame.height()));
    }
    QRgb at(const QVector3D &p) const { return m_frame.pixel(project(p)); }
    bool captureUntil(const std::function<bool()> &check);
    QString deckDrawn(double roll) const;
    void pose(double roll, const VectorXd &accel = VectorXd::Zero(6))
    {
        m_view->updatePose(0.0, VectorXd::Zero(12), VectorXd::Unit(6, 0) * qDegreesToRadians(roll), accel, 0.0);
    }

private slots:
    void initTestCase();
    void init();
    void sceneFromTheModel_data();
    void sceneFromTheModel();
    void pose_data();
    void pose();
    void dragTurnsTheCamera_data();
    void dragTurnsTheCamera();
    void deckDrawnWhereItsPosePutsIt_data();
    void deckDrawnWhereItsPosePutsIt();
    void negativeAccelerationKeepsBarColour_data();
    void negativeAccelerationKeepsBarColour();
};

void TestView3d::initTestCase()
{
    m_view = std::make_unique<MarvekView>();
    m_view->resize(800, 450);
    m_capture = new Qt3DRender::QRenderCapture; // above the window's own frame graph
    m_view->activeFrameGraph()->setParent(m_capture);
    m_view->setActiveFrameGraph(m_capture);
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
}

void TestView3d::init()
{
    setBody(m_model, {10.93, 17.92, 53.50, 7.26});
    m_view->initScene(&m_model); // each test on a scene built afresh, the camera reset with it
}

// Captures frames until check() holds for one, for at most 10 s.
bool TestView3d::captureUntil(const std::function<bool()> &check)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 10000) {
        std::unique_ptr<Qt3DRender::QRenderCaptureReply> reply(m_capture->requestCapture());
        if (!QTest::qWaitFor([&] { return reply->isComplete(); }, 5000))
            return false;
        m_frame = reply->image().convertToFormat(QImage::Format_RGB32);
        if (m_frame.size() == m_view->size() && check())
            return true;
        QTest::qWait(20);
    }
    return false;
}

void TestView3d::sceneFromTheModel_data()
{
    // A link's box is 1 % shorter than the link; its sphere scaled by its mass share.
    using V = QVector<double>;
    QTest::addColumn<V>("masses");
    QTest::addColumn<V>("lengths");
    QTest::addColumn<V>("scales");
    QTest::newRow("a body") << V{10.93, 17.92, 53.50, 7.26} << V{0.5, 0.4, 0.5, 0.3} << V{0.122, 0.2, 0.597, 0.081};
    QTest::newRow("equal masses") << V{2, 2, 2, 2} << V{0.3, 0.6, 0.9, 1.2} << V{0.25, 0.25, 0.25, 0.25};
    QTest::newRow("no mass at all") << V{0, 0, 0, 0} << V{0.5, 0.4, 0.5, 0.3} << V{0, 0, 0, 0};
}

void TestView3d::sceneFromTheModel()
{
    QFETCH(QVector<double>, lengths);
    QFETCH(QVector<double>, scales);
    FourBar3DShipClass model;
    QFETCH(QVector<double>, masses);
    setBody(model, masses, lengths);
    QPointer<Qt3DCore::QEntity> replaced = m_view->sceneRoot();
    m_view->initScene(&model);
    QVERIFY(replaced.isNull()); // deleted, not left to pile up
    QVERIFY(m_view->sceneRoot()->parentNode()); // held by the window, so shown
    const Scene scene(m_view->sceneRoot());
    QCOMPARE(scene.top.size(), 12);
    for (int i = 0; i < 4; ++i) {
        auto *box = scene.top[2 * i]->componentsOfType<Qt3DExtras::QCuboidMesh>().value(0);
        QVERIFY(box && qAbs(box->zExtent() - 99 * lengths[i]) < 1e-4);
        QVERIFY2(qAbs(scene.mass(i)->scale() - scales[i]) < 1e-3, qPrintable(QString::number(scene.mass(i)->scale())));
    }
}

void TestView3d::pose_data()
{
    // The ship rolls the deck about x, the person turns about the vertical, link 3 bends about x
    // (link 4 with it). A gauge bar, 10 cm at scale 1, runs to 40 cm per m/s²: scaled 4 |a|, moved 20 a.
    QTest::addColumn<double>("t");
    QTest::addColumn<QVector3D>("angles"); // roll, turn, bend in degrees
    QTest::addColumn<QVector<double>>("accel"); // angular x, y, z, then linear
    QTest::addColumn<QString>("title");
    const QVector<double> still(6, 0.0);
    QTest::newRow("upright") << 0.0 << QVector3D() << still << "0 s";
    QTest::newRow("20 degree roll") << 7.933 << QVector3D(20, 0, 0) << still << "7.933 s";
    QTest::newRow("turned") << 12.3456789 << QVector3D(0, 90, 0) << still << "12.3457 s";
    QTest::newRow("link 3 bent") << 1.0 << QVector3D(0, 0, 30) << still << "1 s";
    QTest::newRow("rolled, turned and bent") << 2.0 << QVector3D(-15, 40, 25) << still << "2 s";
    QTest::newRow("gauge") << 3.0 << QVector3D() << QVector<double>{3, 3, 3, 1.0, -0.25, 0.5} << "3 s";
    QTest::newRow("gauge the other way") << 3.0 << QVector3D() << QVector<double>{0, 0, 0, -0.5, 2.0, -1.0} << "3 s";
}

void TestView3d::pose()
{
    QFETCH(double, t);
    QFETCH(QVector3D, angles);
    QFETCH(QVector<double>, accel);
    QFETCH(QString, title);
    const float roll = angles.x(), turn = angles.y(), bend = angles.z();
    m_view->updatePose(t, VectorXd::Unit(12, 6) * qDegreesToRadians(double(bend)), VectorXd::Unit(6, 0) * qDegreesToRadians(double(roll)),
                       Eigen::Map<const VectorXd>(accel.data(), 6), double(turn));
    // Shown at once or, right after the scene's own "0 s", when the
    // title's interval is over.
    QTRY_COMPARE_WITH_TIMEOUT(m_view->title(), title, 1000);

    const Scene scene(m_view->sceneRoot());
    const QQuaternion deck = QQuaternion::fromAxisAndAngle(1, 0, 0, roll);
    QVERIFY(near(scene.deck()->rotation().toVector4D(), deck.toVector4D()));
    QVector3D base;
    for (int i = 0; i < 4; ++i) {
        const QQuaternion link = deck * QQuaternion::fromAxisAndAngle(0, 0, 1, turn)
                                 * QQuaternion::fromAxisAndAngle(1, 0, 0, i >= 2 ? bend : 0.0f);
        const QVector3D cg = base + link.rotatedVector(QVector3D(0, 0, float(50 * kLengths[i])));
        base += link.rotatedVector(QVector3D(0, 0, float(100 * kLengths[i])));
        QVERIFY2(near(scene.link(i)->translation(), cg) && near(scene.mass(i)->translation(), cg)
                     && near(scene.link(i)->rotation().toVector4D(), link.toVector4D()),
                 qPrintable(QStringLiteral("link %1").arg(i + 1)));
    }
    for (int k = 0; k < 3; ++k) {
        QCOMPARE(scene.bar(k)->scale(), float(4 * std::abs(accel[3 + k])));
        QVERIFY(near(scene.bar(k)->translation(), QVector3D(k == 0, k == 1, k == 2) * float(20 * accel[3 + k])));
    }
}

void TestView3d::dragTurnsTheCamera_data()
{
    // Press (L)eft or (R)ight at x,y, (M)ove, (U) release, (D)ouble-click. A left drag turns the
    // camera about its view centre one fixed step per move: sideways about the vertical, up and
    // down about the horizontal. A double click stands the camera upright, looking at the deck
    // 75 cm along y from where it is (yaw and pitch of the position about the old centre).
    QTest::addColumn<QString>("events");
    QTest::addColumn<int>("yaw"); // steps, + towards x seen from above
    QTest::addColumn<int>("pitch"); // + rising
    QTest::newRow("right") << "L100,100 M110,100" << 1 << 0;
    QTest::newRow("left") << "L100,100 M90,100" << -1 << 0;
    QTest::newRow("down") << "L100,100 M100,130" << 0 << 1;
    QTest::newRow("up") << "L100,100 M100,70" << 0 << -1;
    QTest::newRow("a step a move, however far, from the last") << "L0,0 M1,0 M300,0 M200,0" << 1 << 0;
    QTest::newRow("no movement, no step") << "L100,100 M100,100" << 0 << 0;
    QTest::newRow("released") << "L100,100 U M150,100" << 0 << 0;
    QTest::newRow("right drag") << "R100,100 M150,80 M170,60" << 0 << 0;
    QTest::newRow("both buttons") << "L100,100 R100,100 M130,100" << 1 << 0;
    QTest::newRow("double click after a turn and a tilt") << "L100,100 M110,100 M110,130 U D100,100" << 1 << 1;
}

void TestView3d::dragTurnsTheCamera()
{
    QFETCH(QString, events);
    QFETCH(int, yaw);
    QFETCH(int, pitch);
    Qt3DRender::QCamera *camera = m_view->camera();
    const QVector3D centre = camera->viewCenter();
    Qt::MouseButtons held;
    for (const QString &e : events.split(QLatin1Char(' '))) {
        const char kind = e[0].toLatin1();
        const Qt::MouseButton button = kind == 'L' ? Qt::LeftButton : kind == 'R' ? Qt::RightButton : Qt::NoButton;
        held = kind == 'U' ? Qt::NoButton : held | button;
        const QEvent::Type type = kind == 'M' ? QEvent::MouseMove : kind == 'U' ? QEvent::MouseButtonRelease
                                  : kind == 'D' ? QEvent::MouseButtonDblClick : QEvent::MouseButtonPress;
        QMouseEvent event(type,
                          QPointF(e.mid(1).section(',', 0, 0).toDouble(), e.section(',', 1).toDouble()), button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(m_view.get(), &event);
    }
    const double step = 2 * std::atan(0.01); // the turn of the quaternion (1, 0.01 along the axis)
    const QVector3D offset = camera->position() - centre;
    const bool clicked = events.contains(QLatin1Char('D'));
    QCOMPARE(camera->viewCenter(), clicked ? QVector3D(0, 75, 0) : centre);
    if (clicked || (yaw == 0 && pitch == 0))
        QCOMPARE(camera->upVector(), QVector3D(0, 0, 1));
    QVERIFY(qAbs(std::atan2(offset.x(), offset.y()) - yaw * step) < 1e-5);
    QVERIFY(qAbs(std::atan2(offset.z(), offset.y()) - pitch * step) < 1e-5);
}

void TestView3d::deckDrawnWhereItsPosePutsIt_data()
{
    QTest::addColumn<double>("roll"); // degrees
    QTest::newRow("level") << 0.0;
    QTest::newRow("rolled 20 degrees") << 20.0;
}

// Empty when the frame shows the deck rolled by roll degrees: the top faces
// of its front and left bars where the roll turns them, background where the
// other pose (level or 20 degrees) puts the front bar, and link 3's sphere
// leaning with the deck; else the pixel that is wrong.
QString TestView3d::deckDrawn(double roll) const
{
    const QRgb background = m_view->defaultFrameGraph()->clearColor().rgb();
    const QQuaternion tilt = QQuaternion::fromAxisAndAngle(1, 0, 0, float(roll));
    const QVector3D deck[] = {tilt.rotatedVector({50, 95, 0.5f}), tilt.rotatedVector({95, 30, 0.5f})};
    const QVector3D elsewhere = QQuaternion::fromAxisAndAngle(1, 0, 0, float(20 - roll)).rotatedVector({50, 95, 0.5f});
    const QVector3D sphere3 = tilt.rotatedVector({0, 0, 49.02f + 42.14f + 49.536f / 2});
    for (const QVector3D &p : {deck[0], deck[1], elsewhere, sphere3}) {
        const bool purple = testsupport::isPurple(at(p));
        if (p == elsewhere ? at(p) != background : p == sphere3 ? !purple : at(p) == background || purple)
            return testsupport::describe(project(p), at(p));
    }
    return QString();
}

void TestView3d::deckDrawnWhereItsPosePutsIt()
{
    QFETCH(double, roll);
    pose(roll);
    const bool drawn = captureUntil([&] { return deckDrawn(roll).isEmpty(); });
    if (roll != 0.0)
        QVERIFY(m_frame.save(testsupport::artifactPath(QStringLiteral("view3d_roll20.png"))));
    QVERIFY2(drawn, qPrintable(deckDrawn(roll)));
}

void TestView3d::negativeAccelerationKeepsBarColour_data()
{
    QTest::addColumn<int>("bar");
    QTest::addColumn<double>("a"); // m/s², small enough to stay in view
    QTest::newRow("x") << 0 << 2.0;
    QTest::newRow("y") << 1 << 1.6;
    QTest::newRow("z") << 2 << 1.2;
}

void TestView3d::negativeAccelerationKeepsBarColour()
{
    // The bar alone at +a and at -a, each after the frame without acceleration
    // is drawn again so that no earlier pose shows: the mean colour of the
    // pixels that differ from that frame.
    QFETCH(int, bar);
    QFETCH(double, a);
    pose(0.0);
    QVERIFY(captureUntil([&] { return deckDrawn(0.0).isEmpty(); }));
    const QImage zero = m_frame;
    QVector3D mean[2];
    for (int side = 0; side < 2; ++side) {
        pose(0.0);
        QVERIFY(captureUntil([&] { return m_frame == zero; }));
        pose(0.0, VectorXd::Unit(6, 3 + bar) * (side == 0 ? a : -a));
        QVERIFY(captureUntil([&] {
            QVector3D sum;
            int count = 0;
            for (int i = 0; i < zero.width() * zero.height(); ++i) {
                const QRgb c = m_frame.pixel(i % zero.width(), i / zero.width());
                if (c != zero.pixel(i % zero.width(), i / zero.width()) && ++count)
                    sum += QVector3D(qRed(c), qGreen(c), qBlue(c));
            }
            return (mean[side] = sum / float(qMax(count, 1))), count >= 50;
        }));
    }
    // The sides face the light differently: means seen up to 9 apart in a
    // channel; a bar drawn inside out loses 65 or more of its own colour.
    const QVector3D d = mean[0] - mean[1];
    QVERIFY2(qMax(qMax(qAbs(d.x()), qAbs(d.y())), qAbs(d.z())) <= 25.0f,
             qPrintable(QStringLiteral("+a and -a differ by (%1, %2, %3)").arg(d.x()).arg(d.y()).arg(d.z())));
}

QTEST_MAIN(TestView3d)
#include "tst_view3d.moc"
