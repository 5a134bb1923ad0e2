#ifndef MARVEKVIEW_H
#define MARVEKVIEW_H

#include <Qt3DExtras/Qt3DWindow>

#include <QElapsedTimer>
#include <QPoint>
#include <QQuaternion>
#include <QTimer>
#include <QVector3D>

#include <Eigen/Dense>

#include <vector>

class FourBar3DShipClass;
class QMouseEvent;

namespace Qt3DCore {
class QEntity;
class QTransform;
}

// The 3D window: the four links as thin boxes, a sphere at each link's centre
// of gravity sized by its share of the body mass, the deck frame, a fixed axes
// triad and a three-bar gauge of the ship's linear accelerations.
// One scene unit is one centimetre; z points up and the origin is the base of
// link 1, about which the deck turns. A left-button drag turns the camera
// about its view centre.
class MarvekView : public Qt3DExtras::Qt3DWindow
{
    Q_OBJECT

public:
    MarvekView();
    ~MarvekView() override;

    // Shows the given model (not owned): builds a new scene from its link
    // lengths and masses, resets the camera and replaces the previous scene,
    // which is deleted.
    void initScene(FourBar3DShipClass *model);

    // Builds the scene tree and returns its root entity (no parent).
    Qt3DCore::QEntity *buildScene();
    // Root entity of the scene shown now; null before the first initScene.
    Qt3DCore::QEntity *sceneRoot() const { return m_rootEntity; }

    // Shows time t (s) in the title and poses links, spheres, deck and gauge
    // from link angles q (12, rad), ship attitude shipAngles (rad), ship
    // accelerations shipAccel (6; entries 3..5 are linear, m/s²) and the
    // person's heading turnAngle (degrees). The title follows at most once
    // per titleInterval ms; a time held back is shown when the interval is
    // over, from the event loop.
    void updatePose(const double &t, const Eigen::VectorXd &q, const Eigen::VectorXd &shipAngles,
                    const Eigen::VectorXd &shipAccel, const double &turnAngle);

    // The three entries as a float vector.
    static QVector3D toQVector3D(const Eigen::Vector3d &v);
    // The four entries read as (x, y, z, w): entry 3 is the scalar part.
    static QQuaternion toQQuaternion(const Eigen::Vector4d &v);

    // Shortest time between two title changes: about one frame of the
    // screen. Each change goes to the window manager, which a run at every
    // step would keep busy long after the run.
    static constexpr int titleInterval = 16;

protected:
    void mousePressEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;

private:
    // Shows m_titleTime in the title now, when the text differs.
    void applyTitle();

    FourBar3DShipClass *m_fourBar = nullptr;
    bool m_leftButtonDown = false;
    bool m_rightButtonDown = false;
    double m_rotationStep = 0.01;
    double m_panStep = 0.01; // a right-button drag is tracked but moves nothing
    bool m_yawEnabled = true;
    bool m_pitchEnabled = true;
    QPoint m_lastMousePos;
    std::vector<Qt3DCore::QTransform *> m_linkTransforms; // links 1 to 4
    std::vector<Qt3DCore::QTransform *> m_massTransforms; // links 1 to 4
    std::vector<Qt3DCore::QTransform *> m_gaugeTransforms; // bars x, y, z
    Qt3DCore::QTransform *m_deckTransform = nullptr;
    Qt3DCore::QEntity *m_rootEntity = nullptr; // scene shown now, owned by the window
    double m_titleTime = 0.0; // the latest pose's time, shown now or by m_titleTimer
    QTimer m_titleTimer; // shows m_titleTime when the interval is over
    QElapsedTimer m_sinceTitle; // since the last title change
};

#endif // MARVEKVIEW_H
