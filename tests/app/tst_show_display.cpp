// The 3D window drawn on the X display while a run poses it: over a steady
// roll of 20 degrees, a frame captured after the ramp-in shows the deck frame
// tilted and the larger mass spheres where the run put them.
#include "apptestsupport.h"
#include "marvekdev.h"
#include "marvekview.h"
#include "testsupport.h"

#include <Qt3DCore/QEntity>
#include <Qt3DCore/QTransform>
#include <Qt3DExtras/QForwardRenderer>
#include <Qt3DExtras/QSphereMesh>
#include <Qt3DRender/QCamera>
#include <Qt3DRender/QRenderCapture>

#include <QAction>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtMath>
#include <QtTest>

#include <memory>

namespace {

using apptest::child;
using apptest::theView;

// A ship that rolls by `roll` radians and does nothing else, sampled every
// 0.05 s up to lastTime, in the 19 columns a run reads.
QByteArray steadyRoll(double roll, double lastTime)
{
    QByteArray out = "time";
    for (int c = 1; c < 19; ++c)
        out += ",c" + QByteArray::number(c);
    out += '\n';
    for (int i = 0; i * 0.05 <= lastTime + 1e-9; ++i) {
        out += QByteArray::number(i * 0.05);
        for (int c = 1; c < 19; ++c)
            out += ',' + (c == 4 ? QByteArray::number(roll, 'g', 17) : QByteArray("0"));
        out += '\n';
    }
    return out;
}

using testsupport::describe;
using testsupport::isPurple;

} // namespace

class TestShowDisplay : public QObject
{
    Q_OBJECT

private:
    MarvekView *m_view = nullptr;
    QImage m_frame;
    QRgb m_background = 0;

    QPoint project(const QVector3D &world) const;
    QRgb at(const QVector3D &world) const { return m_frame.pixel(project(world)); }
    // Empty when m_frame shows the deck frame rolled by `roll` about x and
    // the spheres of links 2 and 3 at their present places.
    QString checkRolled(double roll) const;

private slots:
    void runDrawsTheRolledDeck();
};

QPoint TestShowDisplay::project(const QVector3D &world) const
{
    Qt3DRender::QCamera *cam = m_view->camera();
    const QVector3D ndc = (cam->projectionMatrix() * cam->viewMatrix()).map(world);
    return QPoint(int((ndc.x() + 1.0f) / 2.0f * m_frame.width()),
                  int((1.0f - ndc.y()) / 2.0f * m_frame.height()));
}

QString TestShowDisplay::checkRolled(double roll) const
{
    const QQuaternion tilt = QQuaternion::fromAxisAndAngle(1, 0, 0, float(qRadiansToDegrees(roll)));
    // The front and the left bar of the frame, whose top faces stay in view.
    for (const QVector3D &bar : {QVector3D(50, 95, 0.5f), QVector3D(95, 30, 0.5f)}) {
        const QVector3D tilted = tilt.rotatedVector(bar);
        if (at(tilted) == m_background || isPurple(at(tilted)))
            return QStringLiteral("tilted deck: ") + describe(project(tilted), at(tilted));
    }
    // Where the front bar lies on a level deck there is only background.
    const QVector3D level(50, 95, 0.5f);
    if (at(level) != m_background)
        return QStringLiteral("level deck still drawn: ") + describe(project(level), at(level));
    // The spheres of links 2 and 3 (those of links 1 and 4 are only a few
    // pixels across and mostly in shade).
    int sphere = 0;
    for (Qt3DCore::QNode *node : m_view->sceneRoot()->childNodes()) {
        auto *entity = qobject_cast<Qt3DCore::QEntity *>(node);
        if (!entity || entity->componentsOfType<Qt3DExtras::QSphereMesh>().isEmpty())
            continue;
        ++sphere;
        if (sphere != 2 && sphere != 3)
            continue;
        const QVector3D cg = entity->componentsOfType<Qt3DCore::QTransform>().first()->translation();
        if (!isPurple(at(cg)))
            return QStringLiteral("sphere %1: ").arg(sphere) + describe(project(cg), at(cg));
    }
    return QString();
}

void TestShowDisplay::runDrawsTheRolledDeck()
{
    ModalDialogCloser closer;
    MarvekDev window;
    m_view = theView();
    child<QLineEdit>(&window, "paramShipMotionLineEdit")
        ->setText(testsupport::writeTextFile(QStringLiteral("roll20.csv"),
                                             steadyRoll(qDegreesToRadians(20.0), 60.0)));

    // Frames are captured by a node above the window's own frame graph.
    m_view->resize(800, 450);
    auto *capture = new Qt3DRender::QRenderCapture;
    m_view->activeFrameGraph()->setParent(capture);
    m_view->setActiveFrameGraph(capture);
    m_background = m_view->defaultFrameGraph()->clearColor().rgb();
    child<QAction>(&window, "actionShow")->trigger();
    QVERIFY(QTest::qWaitForWindowExposed(m_view));

    // From inside the run's event processing: once the window shows a time
    // past the 3 s ramp-in (more than 300 steps), capture frames until one
    // shows the rolled deck, then stop the run.
    const double roll = qDegreesToRadians(20.0);
    QLabel *status = child<QLabel>(&window, "statusLabel");
    std::unique_ptr<Qt3DRender::QRenderCaptureReply> reply;
    double capturedAt = 0.0;
    bool drawn = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&]() {
        if (status->text() != QLatin1String("Running Sim"))
            return;
        const double shownTime = m_view->title().chopped(2).toDouble();
        if (shownTime <= 3.0)
            return;
        if (reply && reply->isComplete()) {
            m_frame = reply->image().convertToFormat(QImage::Format_RGB32);
            reply.reset();

            if (m_frame.size() == QSize(800, 450) && checkRolled(roll).isEmpty()) {
                drawn = true;
                poll.stop();
                child<QPushButton>(&window, "cancelButton")->click();
                return;
            }
        }
        if (!reply) {
            capturedAt = shownTime;
            reply.reset(capture->requestCapture());
        }
    });
    poll.start(0);
    child<QAction>(&window, "actionRun")->trigger();
    poll.stop();

    QCOMPARE(closer.closedTexts(), QStringList());
    QVERIFY(!m_frame.isNull());
    QVERIFY(m_frame.save(testsupport::artifactPath(QStringLiteral("show_run_roll20.png"))));
    QVERIFY2(drawn, qPrintable(checkRolled(roll)));
    QVERIFY(capturedAt > 3.0);
    // Cancelled well before the end of the 60 s recording.
    QVERIFY(m_view->title().chopped(2).toDouble() < 59.0);
}

QTEST_MAIN(TestShowDisplay)
#include "tst_show_display.moc"
