#include "fourbar3dshipclass.h"

#include <cmath>

using Eigen::Matrix3d;
using Eigen::Vector3d;
using Eigen::Vector4d;
using Eigen::VectorXd;

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

// (Rx(a0) Ry(a1) Rz(a2))^T from the cosines and sines of the three angles.
Matrix3d rotationFromTrig(double c0, double s0, double c1, double s1, double c2, double s2)
{
    Matrix3d R;
    R << c1 * c2, s0 * s1 * c2 + c0 * s2, -c0 * s1 * c2 + s0 * s2,
        -c1 * s2, -s0 * s1 * s2 + c0 * c2, c0 * s1 * s2 + s0 * c2,
        s1, -s0 * c1, c0 * c1;
    return R;
}

Matrix3d eulerRateFromTrig(double c1, double s1, double c2, double s2)
{
    Matrix3d E;
    E << c2, -s2, 0.0,
        s2 * c1, c2 * c1, 0.0,
        -c2 * s1, s2 * s1, c1;
    // Not finite when the middle angle is at +-90 degrees.
    return E * (1.0 / c1);
}

} // namespace

// Rotations of one evaluation: ship (world -> ship), turn (ship -> person),
// each link against its parent, and the chains from the person frame (P) and
// from the world frame (C) to each link.
struct FourBar3DShipClass::Chain
{
    Matrix3d R0;
    Matrix3d Rt;
    Matrix3d R[4];
    Matrix3d C[4];

    // Person frame to each link.
    void personChain(Matrix3d P[4]) const
    {
        P[0] = R[0];
        for (int k = 1; k < 4; ++k)
            P[k] = R[k] * P[k - 1];
    }
};

FourBar3DShipClass::FourBar3DShipClass(QObject *parent)
    : QObject(parent)
    , m_g(9.81)
    , m_identity(Matrix3d::Identity())
    , m_zero(Matrix3d::Zero())
    , m_shipMass(100000.0)
    , m_deckPoint(Vector3d::Zero())
    , m_shipMassPoint(Vector3d::Zero())
    , m_shipInertia(Matrix3d::Identity())
{
    // Until the parameters are set the body has no geometry: computations
    // give NaN rather than numbers that look valid.
    m_link1 = m_link2 = m_link3 = m_link4 = Vector3d::Constant(kNaN);
    m_cg1 = m_cg2 = m_cg3 = m_cg4 = Vector3d::Constant(kNaN);
    m_inertia1 = m_inertia2 = m_inertia3 = m_inertia4 = Matrix3d::Constant(kNaN);
    m_skewLink1 = m_skewLink2 = m_skewLink3 = Matrix3d::Constant(kNaN);
    m_skewCg1 = m_skewCg2 = m_skewCg3 = m_skewCg4 = Matrix3d::Constant(kNaN);
    m_skewDeckPoint = skewMatrix(m_deckPoint);
    m_skewShipMassPoint = skewMatrix(m_shipMassPoint);
}

FourBar3DShipClass::~FourBar3DShipClass() = default;

double FourBar3DShipClass::entry(const VectorXd &v, Eigen::Index i)
{
    return i < v.size() ? v(i) : kNaN;
}

void FourBar3DShipClass::setParameters(const VectorXd &masses, const VectorXd &lengths,
                                       const VectorXd &Ixy, const VectorXd &Izz)
{
    m_masses = masses;
    m_lengths = lengths;

    m_deckPoint = Vector3d::Zero();
    m_link1 = Vector3d(0.0, 0.0, entry(lengths, 0));
    m_link2 = Vector3d(0.0, 0.0, entry(lengths, 1));
    m_link3 = Vector3d(0.0, 0.0, entry(lengths, 2));
    m_link4 = Vector3d(0.0, 0.0, entry(lengths, 3));
    m_shipMassPoint = Vector3d::Zero();
    m_cg1 = Vector3d(0.0, 0.0, entry(lengths, 0) / 2.0);
    m_cg2 = Vector3d(0.0, 0.0, entry(lengths, 1) / 2.0);
    m_cg3 = Vector3d(0.0, 0.0, entry(lengths, 2) / 2.0);
    m_cg4 = Vector3d(0.0, 0.0, entry(lengths, 3) / 2.0);

    m_skewDeckPoint = skewMatrix(m_deckPoint);
    m_skewLink1 = skewMatrix(m_link1);
    m_skewLink2 = skewMatrix(m_link2);
    m_skewLink3 = skewMatrix(m_link3);
    m_skewShipMassPoint = skewMatrix(m_shipMassPoint);
    m_skewCg1 = skewMatrix(m_cg1);
    m_skewCg2 = skewMatrix(m_cg2);
    m_skewCg3 = skewMatrix(m_cg3);
    m_skewCg4 = skewMatrix(m_cg4);

    m_shipInertia = m_identity;
    Matrix3d *inertias[4] = {&m_inertia1, &m_inertia2, &m_inertia3, &m_inertia4};
    for (int k = 0; k < 4; ++k) {
        const double ixy = entry(Ixy, k);
        *inertias[k] << ixy, 0.0, 0.0,
            0.0, ixy, 0.0,
            0.0, 0.0, entry(Izz, k);
    }
}

bool FourBar3DShipClass::operator==(const FourBar3DShipClass &other) const
{
    if (m_lengths.size() != other.m_lengths.size() || m_lengths != other.m_lengths)
        return false;
    if (m_masses.size() != other.m_masses.size() || m_masses != other.m_masses)
        return false;
    return m_shipInertia == other.m_shipInertia && m_inertia1 == other.m_inertia1
        && m_inertia2 == other.m_inertia2 && m_inertia3 == other.m_inertia3
        && m_inertia4 == other.m_inertia4;
}

Matrix3d FourBar3DShipClass::rotationMatrix(const Vector3d &angles)
{
    return rotationFromTrig(std::cos(angles(0)), std::sin(angles(0)), std::cos(angles(1)),
                            std::sin(angles(1)), std::cos(angles(2)), std::sin(angles(2)));
}

Matrix3d FourBar3DShipClass::skewMatrix(Vector3d v)
{
    Matrix3d S;
    S << 0.0, -v.z(), v.y(),
        v.z(), 0.0, -v.x(),
        -v.y(), v.x(), 0.0;
    return S;
}

Matrix3d FourBar3DShipClass::eulerRateMatrix(const Vector3d &angles)
{
    return eulerRateFromTrig(std::cos(angles(1)), std::sin(angles(1)), std::cos(angles(2)),
                             std::sin(angles(2)));
}

Matrix3d FourBar3DShipClass::angularVelocityMatrix(const Vector3d &angles)
{
    const double c1 = std::cos(angles(1)), s1 = std::sin(angles(1));
    const double c2 = std::cos(angles(2)), s2 = std::sin(angles(2));
    Matrix3d A;
    A << c1 * c2, s2, 0.0,
        -c1 * s2, c2, 0.0,
        s1, 0.0, 1.0;
    return A;
}

Vector3d FourBar3DShipClass::angularAcceleration(const Vector3d &angles, const Vector3d &rates,
                                                 const Vector3d &accels)
{
    const double c1 = std::cos(angles(1)), s1 = std::sin(angles(1));
    const double c2 = std::cos(angles(2)), s2 = std::sin(angles(2));
    const Vector3d &d = rates;
    const Vector3d &dd = accels;
    return Vector3d(
        dd(0) * c1 * c2 - d(0) * d(1) * s1 * c2 - d(0) * d(2) * c1 * s2 + dd(1) * s2 + d(1) * d(2) * c2,
        -dd(0) * c1 * s2 + d(0) * d(1) * s1 * s2 - d(0) * d(2) * c1 * c2 + dd(1) * c2 - d(1) * d(2) * s2,
        dd(0) * s1 + d(0) * d(1) * c1 + dd(2));
}

Vector4d FourBar3DShipClass::rotationToQuaternion(const Matrix3d &R)
{
    const double tr = R(0, 0) + R(1, 1) + R(2, 2);
    // Rounding can push the square roots' arguments slightly below zero near
    // a half turn; they are taken as zero there.
    const double w = std::sqrt(std::max(0.0, (tr + 1.0) / 4.0));
    double x, y, z;
    if (w != 0.0) {
        x = (R(2, 1) - R(1, 2)) / (4.0 * w);
        y = (R(0, 2) - R(2, 0)) / (4.0 * w);
        z = (R(1, 0) - R(0, 1)) / (4.0 * w);
    } else {
        x = std::sqrt(std::max(0.0, (1.0 + 2.0 * R(0, 0) - tr) / 4.0));
        y = std::sqrt(std::max(0.0, (1.0 + 2.0 * R(1, 1) - tr) / 4.0));
        z = std::sqrt(std::max(0.0, (1.0 + 2.0 * R(2, 2) - tr) / 4.0));
        if (x != 0.0) {
            y = (R(1, 0) + R(0, 1)) / (4.0 * x);
            z = (R(2, 0) + R(0, 2)) / (4.0 * x);
        } else if (y != 0.0) {
            x = (R(1, 0) + R(0, 1)) / (4.0 * y);
            z = (R(2, 1) + R(1, 2)) / (4.0 * y);
        } else if (z != 0.0) {
            x = (R(2, 0) + R(0, 2)) / (4.0 * z);
            y = (R(2, 1) + R(1, 2)) / (4.0 * z);
        }
    }
    return Vector4d(x, y, z, w);
}

int FourBar3DShipClass::sign(double x)
{
    if (x < 0.0)
        return -1;
    if (x == 0.0)
        return 0;
    return 1;
}

Matrix3d FourBar3DShipClass::turnMatrix(double turnAngle)
{
    const double psi = (turnAngle * FourBar3DShipClass::pi5) / 180.0;
    const double c = std::cos(psi), s = std::sin(psi);
    Matrix3d Rt;
    Rt << c, s, 0.0,
        -s, c, 0.0,
        0.0, 0.0, 1.0;
    return Rt;
}

FourBar3DShipClass::Chain FourBar3DShipClass::chain(const Vector12d &q, const Vector3d &shipAngles,
                                                    double turnAngle, Matrix3d *eulerRates)
{
    Chain ch;
    for (int k = 0; k < 4; ++k) {
        const double c0 = std::cos(q(3 * k)), s0 = std::sin(q(3 * k));
        const double c1 = std::cos(q(3 * k + 1)), s1 = std::sin(q(3 * k + 1));
        const double c2 = std::cos(q(3 * k + 2)), s2 = std::sin(q(3 * k + 2));
        ch.R[k] = rotationFromTrig(c0, s0, c1, s1, c2, s2);
        if (eulerRates)
            eulerRates[k] = eulerRateFromTrig(c1, s1, c2, s2);
    }
    ch.R0 = rotationMatrix(shipAngles);
    ch.Rt = turnMatrix(turnAngle);
    ch.C[0] = ch.R[0] * (ch.Rt * ch.R0);
    for (int k = 1; k < 4; ++k)
        ch.C[k] = ch.R[k] * ch.C[k - 1];
    return ch;
}

VectorXd FourBar3DShipClass::computePose(const VectorXd &q, const VectorXd &shipAngles) const
{
    Q_UNUSED(shipAngles);
    const Chain ch = chain(toFixed<12>(q), Vector3d::Zero(), 0.0);
    Matrix3d P[4];
    ch.personChain(P);

    // Centres of gravity summed from the base upwards, person frame.
    const Vector3d top1 = P[0].transpose() * m_link1;
    const Vector3d top2 = top1 + P[1].transpose() * m_link2;
    const Vector3d top3 = top2 + P[2].transpose() * m_link3;
    VectorXd pose(12);
    pose << P[0].transpose() * m_cg1, top1 + P[1].transpose() * m_cg2,
        top2 + P[2].transpose() * m_cg3, top3 + P[3].transpose() * m_cg4;
    return pose;
}

void FourBar3DShipClass::computeViewPose(const VectorXd &q, const VectorXd &shipAngles,
                                         const double &turnAngle, VectorXd &viewPoints,
                                         VectorXd &viewQuats) const
{
    const Chain ch = chain(toFixed<12>(q), toFixed<3>(shipAngles), turnAngle);
    const Matrix3d *C = ch.C;

    viewQuats.resize(20);
    viewQuats.segment<4>(0) = rotationToQuaternion(ch.R0.transpose());
    for (int k = 0; k < 4; ++k)
        viewQuats.segment<4>(4 + 4 * k) = rotationToQuaternion(C[k].transpose());

    // World frame, origin at the base of link 1; J are the link tops.
    const Vector3d J1 = C[0].transpose() * m_link1;
    const Vector3d J2 = J1 + C[1].transpose() * m_link2;
    const Vector3d J3 = J2 + C[2].transpose() * m_link3;
    const Vector3d J4 = J3 + C[3].transpose() * m_link4;
    viewPoints.resize(24);
    viewPoints << C[0].transpose() * m_cg1, J1 + C[1].transpose() * m_cg2,
        J2 + C[2].transpose() * m_cg3, J3 + C[3].transpose() * m_cg4, J1, J2, J3, J4;
}

VectorXd FourBar3DShipClass::computeError(const VectorXd &q, const VectorXd &shipAngles,
                                          const VectorXd &u) const
{
    Q_UNUSED(shipAngles);
    const Vector12d q12 = toFixed<12>(q);
    const Vector12d u12 = toFixed<12>(u);
    const Chain ch = chain(q12, Vector3d::Zero(), 0.0);
    Matrix3d P[4];
    ch.personChain(P);

    VectorXd err(24);
    err.head<12>() = q12;
    // Tilt of link 1's centre of gravity in place of its own x and y angles.
    const Vector3d p = P[0].transpose() * m_cg1;
    err(0) = -std::atan2(p.y(), p.z());
    err(1) = std::atan2(p.x(), p.z());

    // Angular velocities relative to the person frame, expressed in it.
    Vector3d w = Vector3d::Zero();
    for (int k = 0; k < 4; ++k) {
        w += P[k].transpose() * u12.segment<3>(3 * k);
        err.segment<3>(12 + 3 * k) = w;
    }
    return err;
}

VectorXd FourBar3DShipClass::computeControl(const VectorXd &q, const VectorXd &u,
                                            const VectorXd &shipAngles, const VectorXd &posError,
                                            const VectorXd &velError, double turnAngle,
                                            const VectorXd &coef) const
{
    Q_ASSERT_X(coef.size() >= 2, __FILE__, "coef.size() >= 2");
    const Vector12d e = toFixed<12>(posError);
    const Vector12d ed = toFixed<12>(velError);
    const double c[2] = {entry(coef, 0), entry(coef, 1)};

    // Gain shapes (rows x, y; links 1 to 4), link factors D and coupling E.
    static const double shape[2][4] = {{1.0, 0.0, 0.8, 0.1}, {1.0, 0.9, 0.8, 0.1}};
    static const double D[2][4] = {{2.0, 1.0, 2.0, 1.0}, {2.0, 1.0, 2.0, 1.0}};
    static const double E[2][4] = {{0.0, 0.0, 0.8, 0.1}, {0.0, 0.9, 0.8, 0.1}};

    // Proportional-derivative moments about each link's x and y axes, local
    // frames; the tilt of link 1's centre of gravity is fed to every link.
    const double v[2] = {shape[0][0] * c[0] * e(0), shape[1][0] * c[1] * e(1)};
    Vector12d t = Vector12d::Zero();
    for (int j = 0; j < 4; ++j) {
        for (int r = 0; r < 2; ++r) {
            const int i = 3 * j + r;
            const double K = shape[r][j] * c[r];
            const double Kd = K * 0.15;
            t(i) = -D[r][j] * (E[r][j] * v[r] + K * e(i) + Kd * ed(i));
        }
    }

    // Into the world frame.
    const Chain ch = chain(toFixed<12>(q), toFixed<3>(shipAngles), turnAngle);
    for (int k = 0; k < 4; ++k)
        t.segment<3>(3 * k) = ch.C[k].transpose() * t.segment<3>(3 * k).eval();

    // Net moments between neighbouring links. Link 1's x moment is netted
    // against link 3's, not link 2's (link 2 has no x gain).
    Vector12d net;
    net << t(0) - t(6), t(1) - t(4), 0.0,
        t(3) - t(6), t(4) - t(7), 0.0,
        t(6) - t(9), t(7) - t(10), 0.0,
        t(9), t(10), 0.0;

    // Damping on the link rates, subtracted as they come, in the links' frames.
    VectorXd ctrl = VectorXd::Zero(24);
    ctrl.head<12>() = net - 10.0 * toFixed<12>(u);
    return ctrl;
}

// Equations of motion by generalized speeds and partial velocities, evaluated
// only for the rows of the seven free speeds. For a free speed about axis n of
// link a (n in the world frame), the partial velocity of the centre of gravity
// of link k >= a is n x r_ak (r_ak from the lower joint of link a to that
// centre), and its partial angular velocity is n. The generalized forces of
// that speed are therefore n . tau_a, where tau_a is the moment about joint a
// of the applied minus the inertia forces of links a..4 at zero free
// accelerations, and the mass matrix entries are the matching sums of
// m_k (n_i x r_ik).(n_j x r_jk) + n_i^T J_k n_j.
VectorXd FourBar3DShipClass::computeAccel(const Vector12d &q, const Vector12d &u,
                                          const Vector6d &shipAngles, const Vector6d &shipRates,
                                          const Vector6d &shipAccel, const Vector12d &ctrlMoments,
                                          const Vector12d &ctrlForces, double turnAngle) const
{
    Matrix3d E[4];
    const Chain ch = chain(q, shipAngles.head<3>(), turnAngle, E);
    const Matrix3d *C = ch.C;

    VectorXd result = VectorXd::Zero(27);
    for (int k = 0; k < 4; ++k)
        result.segment<3>(3 * k) = E[k] * u.segment<3>(3 * k);

    const double masses[4] = {entry(m_masses, 0), entry(m_masses, 1), entry(m_masses, 2),
                              entry(m_masses, 3)};
    const Vector3d *links[3] = {&m_link1, &m_link2, &m_link3};
    const Vector3d *cgs[4] = {&m_cg1, &m_cg2, &m_cg3, &m_cg4};
    const Matrix3d *inertias[4] = {&m_inertia1, &m_inertia2, &m_inertia3, &m_inertia4};

    // Ship motion in the world frame. The ship's linear accelerations are
    // given in the ship frame and reach the world through one rotation.
    const Matrix3d R0t = ch.R0.transpose();
    const Vector3d omegaShip_W = R0t * shipRates.head<3>();
    const Vector3d alphaShip_W = R0t * shipAccel.head<3>();
    const Vector3d accelDeck_W = R0t * shipAccel.tail<3>();
    const Vector3d deck_W = R0t * m_deckPoint;

    // Link by link from the deck upwards, world frame, origin at the base of
    // link 1: relative rates nu, absolute rates omega, joints and centres of
    // gravity with the time derivatives of those vectors. With the free
    // accelerations at zero, the centre of gravity of link k accelerates by
    //   sum over links a <= k of (omega_a x nu_a) x r_ak + nu_a x d(r_ak)/dt
    // on top of the ship's motion (r_ak from joint a to that centre), and the
    // link's angular acceleration is the sum of omega_a x nu_a. The sums over
    // a are carried along as running sums.
    Vector3d joint_W[4], cg_W[4], force_W[4], moment_W[4];
    Matrix3d J_W[4];
    Vector3d omega = omegaShip_W;
    Vector3d joint = Vector3d::Zero(), jointDot = Vector3d::Zero();
    Vector3d coriolisSum = Vector3d::Zero(), coriolisAtJoints = Vector3d::Zero();
    Vector3d nuSum = Vector3d::Zero(), nuAtJoints = Vector3d::Zero();
    const Vector3d shipCentripetal = omegaShip_W.cross(omegaShip_W.cross(deck_W));
    for (int k = 0; k < 4; ++k) {
        const Matrix3d Ct = C[k].transpose();
        const Vector3d nu = Ct * u.segment<3>(3 * k);
        omega += nu;
        const Vector3d coriolis = omega.cross(nu);
        coriolisSum += coriolis;
        coriolisAtJoints += coriolis.cross(joint);
        nuSum += nu;
        nuAtJoints += nu.cross(jointDot);

        const Vector3d cg = Ct * *cgs[k];
        joint_W[k] = joint;
        cg_W[k] = joint + cg;
        const Vector3d cgDot = jointDot + omega.cross(cg);
        // The link inertias are diagonal in the links' frames.
        J_W[k] = Ct * inertias[k]->diagonal().asDiagonal() * C[k];

        // Applied minus inertia forces and moments.
        const Vector3d accel = shipCentripetal + omegaShip_W.cross(cgDot)
            + alphaShip_W.cross(deck_W + cg_W[k]) + accelDeck_W
            + coriolisSum.cross(cg_W[k]) - coriolisAtJoints + nuSum.cross(cgDot) - nuAtJoints;
        const Vector3d alpha = alphaShip_W + coriolisSum;
        force_W[k] = ctrlForces.segment<3>(3 * k) - masses[k] * accel;
        force_W[k](2) -= masses[k] * m_g;
        moment_W[k] = ctrlMoments.segment<3>(3 * k) - J_W[k] * alpha - omega.cross(J_W[k] * omega);

        if (k < 3) {
            const Vector3d link = Ct * *links[k];
            joint += link;
            jointDot += omega.cross(link);
        }
    }

    // Their moments about each joint, and the inertias, summed over the links
    // from that joint upwards.
    Vector3d tau_W[4];
    Matrix3d inertiaAbove_W[4];
    Vector3d forceAbove = Vector3d::Zero(), momentAbove = Vector3d::Zero();
    Matrix3d inertiaAbove = Matrix3d::Zero();
    for (int a = 3; a >= 0; --a) {
        forceAbove += force_W[a];
        momentAbove += cg_W[a].cross(force_W[a]) + moment_W[a];
        inertiaAbove += J_W[a];
        tau_W[a] = momentAbove - joint_W[a].cross(forceAbove);
        inertiaAbove_W[a] = inertiaAbove;
    }

    // The seven free speeds: link index and local axis.
    static const int kLink[7] = {0, 0, 1, 2, 2, 3, 3};
    static const int kAxis[7] = {0, 1, 1, 0, 1, 0, 1};
    static const int kSlot[7] = {15, 16, 19, 21, 22, 24, 25};

    Vector3d axis_W[7];
    Vector3d partial_W[7][4];
    Eigen::Matrix<double, 7, 1> br;
    for (int i = 0; i < 7; ++i) {
        const int a = kLink[i];
        axis_W[i] = C[a].row(kAxis[i]).transpose();
        for (int k = a; k < 4; ++k)
            partial_W[i][k] = axis_W[i].cross(cg_W[k] - joint_W[a]);
        br(i) = axis_W[i].dot(tau_W[a]);
    }

    // Symmetric; the speeds are ordered by link, so for i <= j the links that
    // both speeds move are those from link kLink[j] upwards.
    Eigen::Matrix<double, 7, 7> Mr;
    for (int j = 0; j < 7; ++j) {
        const int top = kLink[j];
        const Vector3d inertiaAxis = inertiaAbove_W[top] * axis_W[j];
        for (int i = 0; i <= j; ++i) {
            double m = axis_W[i].dot(inertiaAxis);
            for (int k = top; k < 4; ++k)
                m += masses[k] * partial_W[i][k].dot(partial_W[j][k]);
            Mr(i, j) = m;
            Mr(j, i) = m;
        }
    }

    // The basic solution of a rank-deficient system leaves the dropped speeds
    // at zero. Eigen keeps every pivot of an all-zero matrix (its threshold is
    // relative to the largest pivot) and would divide by zero: a body without
    // mass or inertia gets zero accelerations instead.
    if ((Mr.array() == 0.0).all())
        return result;
    const Eigen::Matrix<double, 7, 1> x = Mr.colPivHouseholderQr().solve(br);
    for (int i = 0; i < 7; ++i)
        result(kSlot[i]) = x(i);
    return result;
}
