#include "marvekview.h"

#include "fourbar3dshipclass.h"

#include <Qt3DCore/QEntity>
#include <Qt3DCore/QTransform>
#include <Qt3DExtras/QCuboidMesh>
#include <Qt3DExtras/QGoochMaterial>
#include <Qt3DExtras/QPhongMaterial>
#include <Qt3DExtras/QSphereMesh>
#include <Qt3DRender/QCamera>
#include <Qt3DRender/QCameraLens>
#include <Qt3DRender/QMaterial>
#include <Qt3DRender/QPointLight>

#include <QColor>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QShowEvent>
#include <QString>
#include <QVector4D>
#include <QtGlobal>

#include <cmath>

using Eigen::VectorXd;

namespace {

// A box entity below parent: mesh with the given extents (cm), a transform
// holding the translation, and the material. Returns the transform.
Qt3DCore::QTransform *addBox(Qt3DCore::QEntity *parent, const QVector3D &extents,
                             const QVector3D &translation, Qt3DRender::QMaterial *material)
{
    auto *entity = new Qt3DCore::QEntity(parent);
    auto *mesh = new Qt3DExtras::QCuboidMesh;
    mesh->setXExtent(extents.x());
    mesh->setYExtent(extents.y());
    mesh->setZExtent(extents.z());
    auto *transform = new Qt3DCore::QTransform;
    transform->setTranslation(translation);
    entity->addComponent(mesh);
    entity->addComponent(transform);
    entity->addComponent(material);
    return transform;
}

// Three bars of 10 cm from the parent's origin along x (blue), y (green)
// and z (red). Returns their transforms in that order.
std::vector<Qt3DCore::QTransform *> addTriad(Qt3DCore::QEntity *parent,
                                             Qt3DRender::QMaterial *blue,
                                             Qt3DRender::QMaterial *green,
                                             Qt3DRender::QMaterial *red)
{
    return {addBox(parent, {10, 1, 1}, {5, 0, 0}, blue),
            addBox(parent, {1, 10, 1}, {0, 5, 0}, green),
            addBox(parent, {1, 1, 10}, {0, 0, 5}, red)};
}

Qt3DExtras::QPhongMaterial *phong(QRgb diffuse)
{
    auto *material = new Qt3DExtras::QPhongMaterial;
    material->setDiffuse(QColor::fromRgb(diffuse));
    return material;
}

} // namespace

MarvekView::MarvekView()
{
    // Same shape as the camera's 16:9 projection.
    resize(1024, 576);
    m_titleTimer.setSingleShot(true);
    m_titleTimer.setTimerType(Qt::PreciseTimer); // never before the interval is over
    connect(&m_titleTimer, &QTimer::timeout, this, &MarvekView::applyTitle);
}

MarvekView::~MarvekView()
{
    // Qt3D starts its render thread when the window is constructed, and
    // tearing the window down before that thread has initialised can
    // deadlock. The first show event starts the 3D engine, which waits for
    // the render thread to be ready; sending one here (a no-op once the
    // window has been shown) makes destruction safe for windows never shown.
    QShowEvent settle;
    QCoreApplication::sendEvent(this, &settle);
    // By then the render thread has queued a call that creates an offscreen
    // surface from the renderer's format. The renderer goes with the window,
    // so that call has to run now rather than from a later event loop.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
}

void MarvekView::initScene(FourBar3DShipClass *model)
{
    m_fourBar = model;
    Qt3DCore::QEntity *root = buildScene();

    Qt3DRender::QCamera *cam = camera();
    cam->lens()->setPerspectiveProjection(45.0f, 16.0f / 9.0f, 0.1f, 1000.0f);
    cam->setUpVector(QVector3D(0, 0, 1));
    cam->setPosition(QVector3D(0, 400, 75));
    cam->setViewCenter(QVector3D(0, 0, 75));

    // The window only lets go of the scene it replaces, so delete it here
    // to keep repeated rebuilds from piling up old scenes.
    Qt3DCore::QEntity *previous = m_rootEntity;
    setRootEntity(root);
    m_rootEntity = root;
    delete previous;
}

Qt3DCore::QEntity *MarvekView::buildScene()
{
    Q_ASSERT_X(m_fourBar != nullptr, "MarvekView::buildScene", "m_fourBar != nullptr");
    Q_ASSERT(m_fourBar->masses().size() >= 4 && m_fourBar->lengths().size() >= 4);

    // Each link's share of the body mass sizes its sphere; a body without
    // mass gets no spheres rather than non-finite scales.
    const VectorXd &masses = m_fourBar->masses();
    const double totalMass = masses.sum();
    const VectorXd relMass = totalMass != 0.0 ? VectorXd(masses / totalMass)
                                              : VectorXd(VectorXd::Zero(masses.size()));
    const VectorXd lengthCm = m_fourBar->lengths() * 100.0;

    m_linkTransforms.clear();
    m_massTransforms.clear();
    m_gaugeTransforms.clear();

    auto *root = new Qt3DCore::QEntity;

    auto *linkMaterial = new Qt3DExtras::QPhongMaterial(root);
    auto *massMaterial = phong(qRgb(153, 51, 255));
    auto *red = phong(qRgb(255, 0, 0));
    auto *green = phong(qRgb(51, 204, 51));
    auto *blue = phong(qRgb(0, 0, 255));
    auto *deckMaterial = new Qt3DExtras::QGoochMaterial;

    // Links and their mass spheres; updatePose puts both at the link's
    // centre of gravity, halfway along it, so each box leaves a small gap
    // at the joints.
    for (int i = 0; i < 4; ++i) {
        m_linkTransforms.push_back(addBox(root, QVector3D(1.0f, 1.0f, float(0.99 * lengthCm(i))),
                                          QVector3D(), linkMaterial));

        auto *mass = new Qt3DCore::QEntity(root);
        auto *sphere = new Qt3DExtras::QSphereMesh;
        sphere->setRadius(20.0f);
        auto *massTransform = new Qt3DCore::QTransform;
        massTransform->setScale(float(relMass(i)));
        mass->addComponent(sphere);
        mass->addComponent(massTransform);
        mass->addComponent(massMaterial);
        m_massTransforms.push_back(massTransform);
    }

    // Deck: a square frame 2 m wide, turned about the origin by updatePose.
    auto *deck = new Qt3DCore::QEntity(root);
    m_deckTransform = new Qt3DCore::QTransform;
    deck->addComponent(m_deckTransform);
    addBox(deck, {10, 200, 1}, {95, 0, 0}, deckMaterial);
    addBox(deck, {10, 200, 1}, {-95, 0, 0}, deckMaterial);
    addBox(deck, {200, 10, 1}, {0, 95, 0}, deckMaterial);
    addBox(deck, {200, 10, 1}, {0, -95, 0}, deckMaterial);

    // Fixed axes triad beside the deck.
    auto *axes = new Qt3DCore::QEntity(root);
    auto *axesTransform = new Qt3DCore::QTransform;
    axesTransform->setTranslation(QVector3D(-130, -130, 0));
    axes->addComponent(axesTransform);
    addTriad(axes, blue, green, red);

    // Acceleration gauge at the origin; updatePose sizes its bars.
    auto *gauge = new Qt3DCore::QEntity(root);
    m_gaugeTransforms = addTriad(gauge, blue, green, red);

    auto *lightEntity = new Qt3DCore::QEntity(root);
    auto *light = new Qt3DRender::QPointLight(lightEntity);
    light->setColor(QColor(QStringLiteral("white")));
    light->setIntensity(1.0f);
    auto *lightTransform = new Qt3DCore::QTransform(lightEntity);
    lightTransform->setTranslation(QVector3D(100, 100, 300));
    lightEntity->addComponent(light);
    lightEntity->addComponent(lightTransform);

    // The new scene's "0 s" at once, not after a run's last title.
    updatePose(0.0, VectorXd::Zero(12), VectorXd::Zero(6), VectorXd::Zero(6), 0.0);
    m_titleTimer.stop();
    applyTitle();
    return root;
}

void MarvekView::updatePose(const double &t, const VectorXd &q, const VectorXd &shipAngles,
                            const VectorXd &shipAccel, const double &turnAngle)
{
    m_titleTime = t;
    if (!m_titleTimer.isActive()) {
        const qint64 since = m_sinceTitle.isValid() ? m_sinceTitle.elapsed() : titleInterval;
        if (since >= titleInterval)
            applyTitle();
        else
            m_titleTimer.start(int(titleInterval - since));
    }
    if (m_fourBar == nullptr || m_deckTransform == nullptr)
        return;

    VectorXd viewPoints;
    VectorXd viewQuats;
    m_fourBar->computeViewPose(q, shipAngles, turnAngle, viewPoints, viewQuats);
    viewPoints *= 100.0; // m to cm

    for (int i = 0; i < 4; ++i) {
        const QVector3D cg = toQVector3D(viewPoints.segment<3>(3 * i));
        m_massTransforms[i]->setTranslation(cg);
        m_linkTransforms[i]->setTranslation(cg);
        m_linkTransforms[i]->setRotation(toQQuaternion(viewQuats.segment<4>(4 * i + 4)));
    }
    m_deckTransform->setRotation(toQQuaternion(viewQuats.segment<4>(0)));

    // Gauge bar k is 10 cm long at scale 1: scaled by 4 |a_k| and moved by
    // half its new length, it runs from the origin to 40 a_k cm along axis k.
    // The sign goes into the move only: a negative scale would mirror the
    // box, turn its faces inside out and leave it unlit.
    for (int k = 0; k < 3; ++k) {
        const double a = shipAccel(3 + k);
        QVector3D translation;
        translation[k] = float(5.0 * a * 4.0);
        m_gaugeTransforms[k]->setScale(float(4.0 * std::abs(a)));
        m_gaugeTransforms[k]->setTranslation(translation);
    }
}

void MarvekView::applyTitle()
{
    const QString text = QString::number(m_titleTime, 'g', 6) + QStringLiteral(" s");
    if (title() == text)
        return;
    setTitle(text);
    m_sinceTitle.start();
}

QVector3D MarvekView::toQVector3D(const Eigen::Vector3d &v)
{
    return QVector3D(float(v(0)), float(v(1)), float(v(2)));
}

QQuaternion MarvekView::toQQuaternion(const Eigen::Vector4d &v)
{
    return QQuaternion(QVector4D(float(v(0)), float(v(1)), float(v(2)), float(v(3))));
}

void MarvekView::mousePressEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton)
        m_leftButtonDown = true;
    else if (e->button() == Qt::RightButton)
        m_rightButtonDown = true;
    m_lastMousePos = e->pos();
}

void MarvekView::mouseReleaseEvent(QMouseEvent *)
{
    m_leftButtonDown = false;
    m_rightButtonDown = false;
}

void MarvekView::mouseDoubleClickEvent(QMouseEvent *)
{
    camera()->setViewCenter(QVector3D(0, 75, 0));
    camera()->setUpVector(QVector3D(0, 0, 1));
}

void MarvekView::mouseMoveEvent(QMouseEvent *e)
{
    if (m_leftButtonDown) {
        // One fixed step per event: only the sign of the movement counts.
        const double dx = e->pos().x() - m_lastMousePos.x();
        const double dy = e->pos().y() - m_lastMousePos.y();
        const QVector3D axis(0.0f, 0.0f, float(m_rotationStep));
        Qt3DRender::QCamera *cam = camera();

        if (m_yawEnabled) {
            if (dx > 0)
                cam->rotateAboutViewCenter(QQuaternion(-1.0f, axis));
            else if (dx < 0)
                cam->rotateAboutViewCenter(QQuaternion(1.0f, axis));
        }
        if (m_pitchEnabled) {
            // Horizontal and across the view; its length grows with the
            // camera's distance from the view centre.
            const QVector3D pitchAxis = QVector3D::crossProduct(cam->viewVector(), axis)
                                        * float(m_rotationStep / 4.0);
            if (dy > 0)
                cam->rotateAboutViewCenter(QQuaternion(-1.0f, pitchAxis));
            else if (dy < 0)
                cam->rotateAboutViewCenter(QQuaternion(1.0f, pitchAxis));
        }
        m_lastMousePos = e->pos();
    }
    if (m_rightButtonDown) {
        // A right drag is only tracked; the camera stays where it is.
        m_lastMousePos = e->pos();
    }
}
