#ifndef FOURBAR3DSHIPCLASS_H
#define FOURBAR3DSHIPCLASS_H

#include <QObject>

#include <Eigen/Dense>

#include <algorithm>
#include <limits>

// The body of a person standing on a moving ship's deck: four rigid links
// stacked from the deck upwards, each turned against the one below by X-Y-Z
// Euler angles. The model holds only its parameters; every computing operation
// is a function of its arguments and of the parameters set last.
//
// Frames: world (z up, gravity along -z); ship, v_ship = R0 * v_world with
// R0 = rotationMatrix(shipAngles); person, v_person = Rt * v_ship, the ship
// frame turned by the turn angle about z, origin at the base of link 1; and
// one local frame per link, z along the link, v_k = Rk * v_(k-1).
//
// Vectors at the interface (SI units, radians):
//   q (12)  link Euler angles, three per link, each relative to its parent
//   u (12)  link rates, each relative to its parent, in the link's own frame
//   shipAngles (6), shipRates (6): entries 0..2 are read
//   shipAccel (6): angular (ship frame) then linear (ship frame) accelerations
//   turnAngle: the person's heading on the deck, degrees
//
// Vectors shorter than stated read their missing entries as NaN, and a model
// whose parameters were never set has NaN geometry, so such calls give
// non-finite results instead of reading out of bounds.
class FourBar3DShipClass : public QObject
{
    Q_OBJECT

public:
    typedef Eigen::Matrix<double, 6, 1> Vector6d;
    typedef Eigen::Matrix<double, 12, 1> Vector12d;

    // The value of pi with which degrees and radians are converted throughout
    // the program (turn angle, error result file, unit-test tables). The five
    // digits are deliberate: stored results and reference tables depend on it.
    static constexpr double pi5 = 3.14159;

    explicit FourBar3DShipClass(QObject *parent = nullptr);
    ~FourBar3DShipClass() override;

    // Masses (kg), lengths (m), and inertias about the centre of gravity
    // across (Ixy) and along (Izz) each link (kg m^2), links 1 to 4.
    void setParameters(const Eigen::VectorXd &masses, const Eigen::VectorXd &lengths,
                       const Eigen::VectorXd &Ixy, const Eigen::VectorXd &Izz);
    const Eigen::VectorXd &lengths() const { return m_lengths; }
    const Eigen::VectorXd &masses() const { return m_masses; }

    // Lengths, masses and inertia matrices compared exactly.
    bool operator==(const FourBar3DShipClass &other) const;

    // (Rx(a0) Ry(a1) Rz(a2))^T: maps parent coordinates to child coordinates.
    static Eigen::Matrix3d rotationMatrix(const Eigen::Vector3d &angles);
    // skewMatrix(v) * w = v x w.
    static Eigen::Matrix3d skewMatrix(Eigen::Vector3d v);
    // Euler-angle rates from the angular velocity in the child's own frame.
    static Eigen::Matrix3d eulerRateMatrix(const Eigen::Vector3d &angles);
    // The inverse of eulerRateMatrix.
    static Eigen::Matrix3d angularVelocityMatrix(const Eigen::Vector3d &angles);
    // d/dt (angularVelocityMatrix(angles) * rates).
    static Eigen::Vector3d angularAcceleration(const Eigen::Vector3d &angles,
                                               const Eigen::Vector3d &rates,
                                               const Eigen::Vector3d &accels);
    // Quaternion (x, y, z, w) of a matrix that maps body to parent coordinates.
    static Eigen::Vector4d rotationToQuaternion(const Eigen::Matrix3d &R);
    static int sign(double x);

    // Centres of gravity of links 1 to 4 in the person frame (12, m).
    // shipAngles is not read.
    Eigen::VectorXd computePose(const Eigen::VectorXd &q, const Eigen::VectorXd &shipAngles) const;
    // World centres of gravity then link tops (24, m) and the quaternions
    // (x, y, z, w) of the deck and links 1 to 4 (20); both outputs are
    // overwritten whole and resized when needed.
    void computeViewPose(const Eigen::VectorXd &q, const Eigen::VectorXd &shipAngles,
                         const double &turnAngle, Eigen::VectorXd &viewPoints,
                         Eigen::VectorXd &viewQuats) const;
    // Tracking errors (24): the link angles with entries 0 and 1 replaced by
    // the tilt of link 1's centre of gravity, then the links' angular
    // velocities relative to the person frame, expressed in it.
    Eigen::VectorXd computeError(const Eigen::VectorXd &q, const Eigen::VectorXd &shipAngles,
                                 const Eigen::VectorXd &u) const;
    // Balance controller (24): 12 net link moments in the world frame minus
    // 10 times the link rates, then 12 zero link forces.
    Eigen::VectorXd computeControl(const Eigen::VectorXd &q, const Eigen::VectorXd &u,
                                   const Eigen::VectorXd &shipAngles,
                                   const Eigen::VectorXd &posError,
                                   const Eigen::VectorXd &velError, double turnAngle,
                                   const Eigen::VectorXd &coef) const;
    // Equations of motion (27): 12 Euler-angle rates, 3 zeros, then the
    // accelerations of the 12 link rates, of which only the seven free ones
    // (u entries 0, 1, 4, 6, 7, 9, 10) are non-zero.
    Eigen::VectorXd computeAccel(const Vector12d &q, const Vector12d &u,
                                 const Vector6d &shipAngles, const Vector6d &shipRates,
                                 const Vector6d &shipAccel, const Vector12d &ctrlMoments,
                                 const Vector12d &ctrlForces, double turnAngle) const;

    // The first N entries of v; entries v does not have read as NaN.
    template <int N>
    static Eigen::Matrix<double, N, 1> toFixed(const Eigen::VectorXd &v)
    {
        Eigen::Matrix<double, N, 1> out;
        out.setConstant(std::numeric_limits<double>::quiet_NaN());
        const Eigen::Index n = std::min<Eigen::Index>(N, v.size());
        out.head(n) = v.head(n);
        return out;
    }

private:
    struct Chain;

    static double entry(const Eigen::VectorXd &v, Eigen::Index i);
    static Eigen::Matrix3d turnMatrix(double turnAngle);
    static Chain chain(const Vector12d &q, const Eigen::Vector3d &shipAngles, double turnAngle,
                       Eigen::Matrix3d *eulerRates = nullptr);

    double m_g;
    Eigen::Matrix3d m_identity;
    Eigen::Matrix3d m_zero;
    Eigen::VectorXd m_lengths;
    Eigen::VectorXd m_masses;
    double m_shipMass;
    Eigen::Vector3d m_deckPoint;
    Eigen::Vector3d m_link1, m_link2, m_link3, m_link4;
    Eigen::Vector3d m_shipMassPoint;
    Eigen::Vector3d m_cg1, m_cg2, m_cg3, m_cg4;
    Eigen::Matrix3d m_shipInertia;
    Eigen::Matrix3d m_inertia1, m_inertia2, m_inertia3, m_inertia4;
    Eigen::Matrix3d m_skewDeckPoint, m_skewLink1, m_skewLink2, m_skewLink3, m_skewShipMassPoint;
    Eigen::Matrix3d m_skewCg1, m_skewCg2, m_skewCg3, m_skewCg4;
};

#endif // FOURBAR3DSHIPCLASS_H
