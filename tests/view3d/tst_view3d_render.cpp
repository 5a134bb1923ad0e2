// Renders the 3D window on the X display and checks what the frames show.
// The links are only a pixel or two wide at this distance, so the checks look
// at the mass spheres, the deck frame and the background.

#include "fourbar3dshipclass.h"
#include "marvekview.h"
#include "testsupport.h"

#include <Qt3DExtras/QForwardRenderer>
#include <Qt3DRender/QCamera>
#include <Qt3DRender/QRenderCapture>

#include <QElapsedTimer>
#include <QImage>
#include <QtMath>
#include <QtTest>

#include <functional>
#include <memory>

using Eigen::VectorXd;

namespace {

const double massFractions[4] = {0.122, 0.2, 0.597, 0.081};
const double lengthsCm[4] = {172 * 0.285, 172 * 0.245, 172 * 0.288, 172 * 0.182};

using testsupport::describe;
using testsupport::isPurple;

} // namespace

class TestView3dRender : public QObject
{
    Q_OBJECT

private:
    FourBar3DShipClass m_model;
    std::unique_ptr<MarvekView> m_view;
    Qt3DRender::QRenderCapture *m_capture = nullptr;
    QImage m_frame;
    QRgb m_background = 0;

    QPoint project(const QVector3D &world) const;
    QRgb at(const QVector3D &world) const { return m_frame.pixel(project(world)); }
    // Captures frames until check() holds for one, for at most 10 s; the
    // last frame stays in m_frame.
    bool captureUntil(const std::function<bool()> &check);
    QString checkUpright() const;
    QString checkRolled(double roll) const;

private slots:
    void initTestCase();
    void cleanupTestCase();
    void uprightBodyOnLevelDeck();
    void rolledDeckIsDrawnTilted();
    void rebuiltSceneReplacesTheShownOne();
    void negativeAccelerationKeepsBarColour();
};

void TestView3dRender::initTestCase()
{
    VectorXd masses(4), lengths(4);
    for (int i = 0; i < 4; ++i) {
        masses(i) = 89.6121 * massFractions[i];
        lengths(i) = lengthsCm[i] / 100.0;
    }
    m_model.setParameters(masses, lengths, VectorXd::Constant(4, 0.1), VectorXd::Constant(4, 0.01));

    m_view = std::make_unique<MarvekView>();
    m_view->initScene(&m_model);
    m_view->resize(800, 450);
    // Capture node above the window's own frame graph.
    m_capture = new Qt3DRender::QRenderCapture;
    m_view->activeFrameGraph()->setParent(m_capture);
    m_view->setActiveFrameGraph(m_capture);
    m_background = m_view->defaultFrameGraph()->clearColor().rgb();
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
}

void TestView3dRender::cleanupTestCase()
{
    m_view.reset();
}

QPoint TestView3dRender::project(const QVector3D &world) const
{
    Qt3DRender::QCamera *cam = m_view->camera();
    const QVector3D ndc = (cam->projectionMatrix() * cam->viewMatrix()).map(world);
    return QPoint(int((ndc.x() + 1.0f) / 2.0f * m_frame.width()),
                  int((1.0f - ndc.y()) / 2.0f * m_frame.height()));
}

bool TestView3dRender::captureUntil(const std::function<bool()> &check)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 10000) {
        std::unique_ptr<Qt3DRender::QRenderCaptureReply> reply(m_capture->requestCapture());
        if (!QTest::qWaitFor([&] { return reply->isComplete(); }, 5000))
            return false;
        m_frame = reply->image().convertToFormat(QImage::Format_RGB32);
        if (m_frame.size() == QSize(800, 450) && check())
            return true;
        QTest::qWait(20);
    }
    return false;
}

// Empty when the frame shows the upright body on the level deck.
QString TestView3dRender::checkUpright() const
{
    // Spheres of links 1 to 3 (link 4's is only about two pixels across).
    double base = 0.0;
    for (int i = 0; i < 3; ++i) {
        const QVector3D cg(0, 0, float(base + lengthsCm[i] / 2.0));
        base += lengthsCm[i];
        if (!isPurple(at(cg)))
            return QStringLiteral("sphere %1: ").arg(i + 1) + describe(project(cg), at(cg));
    }
    // Top faces of the front and the left bar of the deck frame.
    for (const QVector3D &bar : {QVector3D(50, 95, 0.5f), QVector3D(95, 30, 0.5f)}) {
        const QRgb c = at(bar);
        if (c == m_background || isPurple(c))
            return QStringLiteral("deck: ") + describe(project(bar), c);
    }
    // Background: corners, above the head, and inside the frame.
    for (const QVector3D &empty : {QVector3D(200, 0, 200), QVector3D(-200, 0, -80),
                                   QVector3D(0, 0, 200), QVector3D(50, 0, 0)}) {
        if (at(empty) != m_background)
            return QStringLiteral("background: ") + describe(project(empty), at(empty));
    }
    return QString();
}

// Empty when the deck frame is drawn rolled by the given angle about x.
QString TestView3dRender::checkRolled(double roll) const
{
    const QQuaternion tilt = QQuaternion::fromAxisAndAngle(1, 0, 0, float(qRadiansToDegrees(roll)));
    // The front bar and the left bar, whose top faces stay in view.
    for (const QVector3D &bar : {QVector3D(50, 95, 0.5f), QVector3D(95, 30, 0.5f)}) {
        const QRgb tilted = at(tilt.rotatedVector(bar));
        if (tilted == m_background || isPurple(tilted))
            return QStringLiteral("tilted deck: ") + describe(project(tilt.rotatedVector(bar)), tilted);
    }
    // The front bar has left its level place (now above it on the screen).
    const QVector3D level(50, 95, 0.5f);
    if (at(level) != m_background)
        return QStringLiteral("level deck still drawn: ") + describe(project(level), at(level));
    // Link 3's sphere leans with the deck.
    const QVector3D cg3 = tilt.rotatedVector(
        QVector3D(0, 0, float(lengthsCm[0] + lengthsCm[1] + lengthsCm[2] / 2.0)));
    if (!isPurple(at(cg3)))
        return QStringLiteral("sphere 3: ") + describe(project(cg3), at(cg3));
    return QString();
}

void TestView3dRender::uprightBodyOnLevelDeck()
{
    m_view->updatePose(0.0, VectorXd::Zero(12), VectorXd::Zero(6), VectorXd::Zero(6), 0.0);
    const bool drawn = captureUntil([this] { return checkUpright().isEmpty(); });
    QVERIFY(m_frame.save(testsupport::artifactPath(QStringLiteral("view3d_upright.png"))));
    QVERIFY2(drawn, qPrintable(checkUpright()));
}

void TestView3dRender::rolledDeckIsDrawnTilted()
{
    const double roll = qDegreesToRadians(20.0);
    VectorXd shipAngles = VectorXd::Zero(6);
    shipAngles(0) = roll;
    m_view->updatePose(5.0, VectorXd::Zero(12), shipAngles, VectorXd::Zero(6), 0.0);
    QCOMPARE(m_view->title(), QStringLiteral("5 s"));
    const bool drawn = captureUntil([&] { return checkRolled(roll).isEmpty(); });
    QVERIFY(m_frame.save(testsupport::artifactPath(QStringLiteral("view3d_roll20.png"))));
    QVERIFY2(drawn, qPrintable(checkRolled(roll)));
}

void TestView3dRender::rebuiltSceneReplacesTheShownOne()
{
    // Rebuilding while shown (a repeated Show) draws the new, upright scene
    // and nothing of the rolled one.
    for (int i = 0; i < 3; ++i)
        m_view->initScene(&m_model);
    const bool drawn = captureUntil([this] { return checkUpright().isEmpty(); });
    QVERIFY2(drawn, qPrintable(checkUpright()));
    QCOMPARE(m_view->title(), QStringLiteral("0 s"));
}

void TestView3dRender::negativeAccelerationKeepsBarColour()
{
    // Each bar alone at +a and at -a (a = 2, 1.6, 1.2 along x, y, z), each
    // pose after the zero frame is drawn again so that no earlier pose shows;
    // the bar's mean colour over the pixels that differ from the zero frame.
    const auto poseGauge = [this](int k, double a) {
        VectorXd accel = VectorXd::Zero(6);
        accel(3 + k) = a;
        m_view->updatePose(0.0, VectorXd::Zero(12), VectorXd::Zero(6), accel, 0.0);
    };
    poseGauge(0, 0.0);
    QVERIFY(captureUntil([this] { return checkUpright().isEmpty(); }));
    const QImage zero = m_frame;
    const double size[3] = {2.0, 1.6, 1.2};
    for (int k = 0; k < 3; ++k) {
        QVector3D mean[2];
        for (int side = 0; side < 2; ++side) {
            poseGauge(k, 0.0);
            QVERIFY(captureUntil([&] { return m_frame == zero; }));
            poseGauge(k, side == 0 ? size[k] : -size[k]);
            QVERIFY(captureUntil([&] {
                QVector3D sum;
                int count = 0;
                for (int y = 0; y < m_frame.height(); ++y) {
                    for (int x = 0; x < m_frame.width(); ++x) {
                        const QRgb c = m_frame.pixel(x, y);
                        if (c != zero.pixel(x, y)) {
                            sum += QVector3D(qRed(c), qGreen(c), qBlue(c));
                            ++count;
                        }
                    }
                }
                mean[side] = sum / float(qMax(count, 1));
                return count >= 50;
            }));
        }
        // The two sides face the light differently: their means were seen up
        // to 9 apart in a channel; a bar drawn inside out loses 65 or more of
        // its own colour's channel.
        const QVector3D d = mean[0] - mean[1];
        QVERIFY2(qMax(qMax(qAbs(d.x()), qAbs(d.y())), qAbs(d.z())) <= 25.0f,
                 qPrintable(QStringLiteral("bar %1: +a and -a differ by (%2, %3, %4)")
                                .arg(k).arg(d.x()).arg(d.y()).arg(d.z())));
    }
}

QTEST_MAIN(TestView3dRender)
#include "tst_view3d_render.moc"
