#ifndef ACCELFULLFORM_H
#define ACCELFULLFORM_H

// The equations of motion in their plain 18-speed form, every matrix formed
// whole: the oracle against which the model's reduced computation is checked
// and timed. Header-only so that tests and benchmarks share it.

#include "fourbar3dshipclass.h"

#include <Eigen/Dense>

namespace fullform {

using Eigen::Matrix3d;
using Eigen::Vector3d;
using Eigen::VectorXd;
typedef Eigen::Matrix<double, 18, 18> Matrix18d;
typedef Eigen::Matrix<double, 18, 3> Matrix18x3d;
typedef Eigen::Matrix<double, 18, 1> Vector18d;
typedef FourBar3DShipClass::Vector6d Vector6d;
typedef FourBar3DShipClass::Vector12d Vector12d;

struct Body
{
    Eigen::Vector4d masses, lengths, Ixy, Izz;
};

inline Matrix3d skew(const Vector3d &v) { return FourBar3DShipClass::skewMatrix(v); }

inline VectorXd computeAccel(const Body &body, const Vector12d &q, const Vector12d &u,
                             const Vector6d &shipAngles, const Vector6d &shipRates,
                             const Vector6d &shipAccel, const Vector12d &ctrlMoments,
                             const Vector12d &ctrlForces, double turnAngle,
                             bool differentiateW = true)
{
    const Matrix3d I = Matrix3d::Identity(), Z = Matrix3d::Zero();
    const double g = 9.81, shipMass = 100000.0;
    const Matrix3d shipInertia = I;
    const Vector3d deckPoint = Vector3d::Zero(), shipMassPoint = Vector3d::Zero();
    Vector3d link[4], cg[4];
    Matrix3d inertia[4];
    for (int k = 0; k < 4; ++k) {
        link[k] = Vector3d(0, 0, body.lengths(k));
        cg[k] = Vector3d(0, 0, body.lengths(k) / 2.0);
        inertia[k] = Vector3d(body.Ixy(k), body.Ixy(k), body.Izz(k)).asDiagonal();
    }
    const Matrix3d Sd = skew(deckPoint), Sp = skew(shipMassPoint);

    // 1. Euler rates.
    VectorXd result = VectorXd::Zero(27);
    for (int k = 0; k < 4; ++k)
        result.segment<3>(3 * k) =
            FourBar3DShipClass::eulerRateMatrix(q.segment<3>(3 * k)) * u.segment<3>(3 * k);

    // 2. Speeds.
    Vector18d s;
    s << shipRates.head<3>(), 0, 0, 0, u;
    const Vector6d ap = shipAccel;

    // 3. Rotations.
    const Matrix3d R0 = FourBar3DShipClass::rotationMatrix(shipAngles.head<3>());
    const double psi = (turnAngle * 3.14159) / 180.0;
    Matrix3d Rt;
    Rt << std::cos(psi), -std::sin(psi), 0, std::sin(psi), std::cos(psi), 0, 0, 0, 1;
    Rt.transposeInPlace();
    Matrix3d R[5], C[5];
    for (int k = 1; k <= 4; ++k)
        R[k] = FourBar3DShipClass::rotationMatrix(q.segment<3>(3 * (k - 1)));
    C[1] = R[1] * Rt * R0;
    for (int k = 2; k <= 4; ++k)
        C[k] = R[k] * C[k - 1];

    // Relative rates of the links and their rotation rates.
    Matrix3d Rdot[5];
    for (int k = 1; k <= 4; ++k)
        Rdot[k] = skew(u.segment<3>(3 * (k - 1))).transpose() * R[k];
    const Matrix3d Rtdot = Z;

    // 4. W (block (1,1) the identity) and its rate.
    Matrix18d W = Matrix18d::Zero(), Wdot = Matrix18d::Zero();
    auto setBlock = [&](int i, int j, const Matrix3d &P, const Matrix3d &Pdot) {
        W.block<3, 3>(3 * i, 3 * j) = P;
        Wdot.block<3, 3>(3 * i, 3 * j) = Pdot;
    };
    for (int i = 0; i < 6; ++i)
        setBlock(i, i, I, Z);
    // Row 0: (Rk ... R1 Rt)^T = Rt^T R1^T ... Rk^T.
    for (int j = 2; j <= 5; ++j) {
        Matrix3d P, Pdot;
        P.setIdentity();
        Pdot.setZero();
        Pdot = (Pdot * Rt.transpose() + P * Rtdot.transpose()).eval();
        P = Rt.transpose();
        for (int k = 1; k <= j - 1; ++k) {
            Pdot = (Pdot * R[k].transpose() + P * Rdot[k].transpose()).eval();
            P = (P * R[k].transpose()).eval();
        }
        setBlock(0, j, P, Pdot);
    }
    // Rows 2 to 4: (Rj ... R(i+1))^T for speed block j of link j-1.
    for (int i = 2; i <= 5; ++i) {
        for (int j = i + 1; j <= 5; ++j) {
            Matrix3d P = I, Pdot = Z;
            for (int k = i; k <= j - 1; ++k) {
                Pdot = (Pdot * R[k].transpose() + P * Rdot[k].transpose()).eval();
                P = (P * R[k].transpose()).eval();
            }
            setBlock(i, j, P, Pdot);
        }
    }

    // 5. Angular velocities and rotation rates.
    const Vector18d wloc = W.transpose() * s;
    const Matrix3d R0dot = skew(wloc.segment<3>(0)).transpose() * R0;
    Matrix3d Cdot[5];
    for (int k = 1; k <= 4; ++k)
        Cdot[k] = skew(wloc.segment<3>(3 + 3 * k)).transpose() * C[k];

    // 6, 7. Partial angular velocities, lever matrices and their rates.
    Matrix18x3d Om[5], Omd[5], H[5], Hd[5];
    for (int k = 0; k <= 4; ++k) {
        Om[k].setZero();
        Omd[k].setZero();
        H[k].setZero();
        Hd[k].setZero();
        Om[k].block<3, 3>(0, 0) = R0;
        Omd[k].block<3, 3>(0, 0) = R0dot;
        for (int j = 1; j <= k; ++j) {
            Om[k].block<3, 3>(3 + 3 * j, 0) = C[j];
            Omd[k].block<3, 3>(3 + 3 * j, 0) = Cdot[j];
        }
    }
    H[0].block<3, 3>(0, 0) = Sp * R0;
    Hd[0].block<3, 3>(0, 0) = Sp * R0dot;
    for (int k = 1; k <= 4; ++k) {
        H[k].block<3, 3>(0, 0) = Sd * R0;
        Hd[k].block<3, 3>(0, 0) = Sd * R0dot;
        H[k].block<3, 3>(3, 0) = R0;
        Hd[k].block<3, 3>(3, 0) = R0dot;
        for (int j = 1; j <= k; ++j) {
            const Matrix3d S = j < k ? skew(link[j - 1]) : skew(cg[k - 1]);
            H[k].block<3, 3>(3 + 3 * j, 0) = S * C[j];
            Hd[k].block<3, 3>(3 + 3 * j, 0) = S * Cdot[j];
        }
    }

    // 8. Partial velocities with W differentiated.
    Matrix18x3d V[5], Vd[5];
    for (int k = 0; k <= 4; ++k) {
        V[k] = W * H[k];
        Vd[k] = W * Hd[k];
        if (differentiateW)
            Vd[k] += Wdot * H[k];
    }

    // 9, 10. Inertias, mass matrix and velocity terms.
    Matrix3d J[5];
    J[0] = (R0.transpose() * shipInertia * R0).transpose();
    for (int k = 1; k <= 4; ++k)
        J[k] = (C[k].transpose() * inertia[k - 1] * C[k]).transpose();
    Matrix18d M = shipMass * V[0] * V[0].transpose();
    Matrix18d A1 = shipMass * V[0] * Vd[0].transpose();
    Matrix18d A2 = Matrix18d::Zero();
    for (int k = 1; k <= 4; ++k) {
        M += body.masses(k - 1) * V[k] * V[k].transpose();
        A1 += body.masses(k - 1) * V[k] * Vd[k].transpose();
    }
    for (int k = 0; k <= 4; ++k) {
        const Vector3d wk = Om[k].transpose() * s;
        const Matrix3d G = skew(J[k] * wk).transpose();
        M += Om[k] * J[k] * Om[k].transpose();
        A1 += Om[k] * J[k] * Omd[k].transpose();
        A2 += Om[k] * G * Om[k].transpose();
    }

    // 11. Active forces.
    Vector18d F = Vector18d::Zero();
    for (int k = 1; k <= 4; ++k) {
        const Vector3d f = Vector3d(0, 0, -body.masses(k - 1) * g) + ctrlForces.segment<3>(3 * (k - 1));
        F += V[k] * f + Om[k] * ctrlMoments.segment<3>(3 * (k - 1));
    }

    // 12 to 15. Reduce to the free speeds and solve.
    const Vector18d b = F - A1 * s - A2 * s - M.leftCols<6>() * ap;
    const int S[7] = {6, 7, 10, 12, 13, 15, 16};
    Eigen::Matrix<double, 7, 7> Mr;
    Eigen::Matrix<double, 7, 1> br;
    for (int i = 0; i < 7; ++i) {
        br(i) = b(S[i]);
        for (int j = 0; j < 7; ++j)
            Mr(i, j) = M(S[i], S[j]);
    }
    const Eigen::Matrix<double, 7, 1> x = Mr.colPivHouseholderQr().solve(br);
    const int slot[7] = {15, 16, 19, 21, 22, 24, 25};
    for (int i = 0; i < 7; ++i)
        result(slot[i]) = x(i);
    return result;
}

} // namespace fullform

#endif // ACCELFULLFORM_H
