#include "bodyparameters.h"

#include <cmath>

namespace bodyparameters {

namespace {

// Smallest and largest timestep a run accepts, seconds. Below the smallest a
// run over a long recording would hold tens of millions of result rows.
const double minTimestep = 0.0001;
const double maxTimestep = 1.0;

QStringList listItems(const QString &text)
{
    return text.split(QLatin1Char(','), Qt::KeepEmptyParts, Qt::CaseSensitive);
}

// Empty when text is a finite number, otherwise why not (without the row).
QString numberProblem(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return QStringLiteral("the value is empty.");
    bool ok = false;
    const double value = trimmed.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return QStringLiteral("\"%1\" is not a number.").arg(trimmed);
    return QString();
}

QString listProblem(const QString &text, int needed)
{
    if (text.trimmed().isEmpty())
        return QStringLiteral("the value is empty.");
    const QStringList items = listItems(text);
    if (items.size() < needed)
        return QStringLiteral("%1 numbers separated by commas are needed, %2 given.")
            .arg(needed)
            .arg(items.size());
    for (int k = 0; k < needed; ++k) {
        const QString item = items.at(k).trimmed();
        if (item.isEmpty())
            return QStringLiteral("item %1 is empty.").arg(k + 1);
        bool ok = false;
        const double value = item.toDouble(&ok);
        if (!ok || !std::isfinite(value))
            return QStringLiteral("item %1, \"%2\", is not a number.").arg(k + 1).arg(item);
    }
    return QString();
}

} // namespace

QString defaultLabel(int row)
{
    switch (row) {
    case IdRow: return QStringLiteral("ID");
    case TimestepRow: return QStringLiteral("Timestep (s)");
    case BodyMassRow: return QStringLiteral("Body Mass (kg)");
    case MassFractionsRow: return QStringLiteral("Mass Fractions");
    case BodyHeightRow: return QStringLiteral("Body Height (m)");
    case LengthFractionsRow: return QStringLiteral("Length Fractions");
    case IxyFractionsRow: return QStringLiteral("Ixy Fractions");
    case IzzFractionsRow: return QStringLiteral("Izz Fractions");
    case TurnDirectionRow: return QStringLiteral("Turn Direction (deg)");
    case TurnTimeRow: return QStringLiteral("Turn at Time (s)");
    case ControlCoefficientsRow: return QStringLiteral("Control Coefficients");
    default: return QString();
    }
}

double toNumber(const QString &text)
{
    return text.toDouble();
}

void parseFourValues(const QString &text, Eigen::Vector4d &out)
{
    const QStringList items = listItems(text);
    out << toNumber(items.value(0)), toNumber(items.value(1)), toNumber(items.value(2)),
        toNumber(items.value(3));
}

void parseTwoValues(const QString &text, Eigen::Vector2d &out)
{
    const QStringList items = listItems(text);
    out << toNumber(items.value(0)), toNumber(items.value(1));
}

LinkParameters linkParameters(double bodyMass, const Eigen::Vector4d &massFractions,
                              double bodyHeight, const Eigen::Vector4d &lengthFractions,
                              const Eigen::Vector4d &ixyFractions,
                              const Eigen::Vector4d &izzFractions)
{
    LinkParameters link;
    link.masses = massFractions * bodyMass;
    link.lengths = lengthFractions * bodyHeight;
    // Ixy = m·(f·L)², rounded in this order: radius of gyration, its square,
    // then times the mass.
    Eigen::Array4d gyration = ixyFractions.array() * link.lengths.array();
    gyration = gyration * gyration;
    link.ixy = (gyration * link.masses.array()).matrix();
    // The Izz fractions are the axial inertias themselves.
    link.izz = izzFractions * 1.0;
    return link;
}

TableParameters readParameters(const QStringList &values)
{
    TableParameters table;
    table.id = values.value(IdRow);
    table.timestep = toNumber(values.value(TimestepRow));
    table.bodyMass = toNumber(values.value(BodyMassRow));
    Eigen::Vector4d massFractions;
    parseFourValues(values.value(MassFractionsRow), massFractions);
    table.bodyHeight = toNumber(values.value(BodyHeightRow));
    Eigen::Vector4d lengthFractions;
    parseFourValues(values.value(LengthFractionsRow), lengthFractions);
    Eigen::Vector4d ixyFractions;
    parseFourValues(values.value(IxyFractionsRow), ixyFractions);
    Eigen::Vector4d izzFractions;
    parseFourValues(values.value(IzzFractionsRow), izzFractions);
    table.turnDirection = toNumber(values.value(TurnDirectionRow));
    table.turnTime = toNumber(values.value(TurnTimeRow));
    parseTwoValues(values.value(ControlCoefficientsRow), table.controlCoefficients);
    table.links = linkParameters(table.bodyMass, massFractions, table.bodyHeight, lengthFractions,
                                 ixyFractions, izzFractions);
    return table;
}

QString checkValues(const QStringList &values)
{
    for (int row = TimestepRow; row < RowCount; ++row) {
        const QString text = values.value(row);
        QString problem;
        switch (row) {
        case MassFractionsRow:
        case LengthFractionsRow:
        case IxyFractionsRow:
        case IzzFractionsRow:
            problem = listProblem(text, 4);
            break;
        case ControlCoefficientsRow:
            problem = listProblem(text, 2);
            break;
        default:
            problem = numberProblem(text);
            break;
        }
        if (problem.isEmpty()) {
            const double value = toNumber(text);
            if (row == TimestepRow && !(value >= minTimestep && value <= maxTimestep))
                problem = QStringLiteral("%1 is not between 0.0001 s and 1 s.").arg(text.trimmed());
            else if ((row == BodyMassRow || row == BodyHeightRow) && !(value > 0.0))
                problem = QStringLiteral("%1 is not greater than 0.").arg(text.trimmed());
        }
        if (!problem.isEmpty())
            return defaultLabel(row) + QStringLiteral(": ") + problem;
    }
    return QString();
}

QString fileKey(FileField field)
{
    switch (field) {
    case ShipMotionFile: return QStringLiteral("SHIP MOTION FILE");
    case LinkCoordinatesFile: return QStringLiteral("LINK COORDINATES OUTPUT FILE");
    case LinkCgPositionsFile: return QStringLiteral("LINK CG POSITIONS OUTPUT FILE");
    case ControlMomentsFile: return QStringLiteral("CONTROL MOMENTS OUTPUT FILE");
    case ErrorsFile: return QStringLiteral("ERRORS OUTPUT FILE");
    case AccelerationsFile: return QStringLiteral("ACCELERATIONS OUTPUT FILE");
    default: return QString();
    }
}

ParameterFileEntries parseParameterFile(const QString &text)
{
    ParameterFileEntries entries;
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::KeepEmptyParts);
    for (const QString &line : lines) {
        const QStringList parts = line.split(QLatin1Char('='), Qt::KeepEmptyParts);
        const QString &key = parts.at(0);
        const QString value = parts.value(1).trimmed();

        bool isFileLine = false;
        for (int field = 0; field < FileFieldCount && !isFileLine; ++field) {
            if (key.contains(fileKey(FileField(field)), Qt::CaseSensitive)) {
                entries.files.insert(FileField(field), value);
                isFileLine = true;
            }
        }
        if (!isFileLine)
            entries.tableValues << value;
    }
    return entries;
}

} // namespace bodyparameters
