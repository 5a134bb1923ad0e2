#ifndef BODYPARAMETERS_H
#define BODYPARAMETERS_H

#include <QMap>
#include <QString>
#include <QStringList>

#include <Eigen/Dense>

// The rules behind the parameter table and the parameter file, kept apart
// from the widgets: the table is read as a list of value texts, one per row,
// and a parameter file as its whole text.
namespace bodyparameters {

// Rows of the parameter table, read by index (the label column is never read).
enum Row {
    IdRow = 0,
    TimestepRow,
    BodyMassRow,
    MassFractionsRow,
    BodyHeightRow,
    LengthFractionsRow,
    IxyFractionsRow,
    IzzFractionsRow,
    TurnDirectionRow,
    TurnTimeRow,
    ControlCoefficientsRow,
    RowCount
};

// The label a row of the table has by default ("Body Mass (kg)"); empty for
// an index outside the table.
QString defaultLabel(int row);

// A text as a number the way the table reads it: QString::toDouble (point as
// decimal separator, blanks around the number ignored); 0.0 when the text is
// not a number.
double toNumber(const QString &text);

// A list text split at every comma, empty parts kept: item k converted by
// toNumber, a missing item giving 0.0, items beyond the needed count ignored.
void parseFourValues(const QString &text, Eigen::Vector4d &out);
void parseTwoValues(const QString &text, Eigen::Vector2d &out);

// The four link-parameter vectors handed to the body model (entry k for
// link k+1): masses in kg, lengths in m, inertias across (Ixy) and along
// (Izz) each link in kg·m².
struct LinkParameters
{
    Eigen::VectorXd masses;
    Eigen::VectorXd lengths;
    Eigen::VectorXd ixy;
    Eigen::VectorXd izz;
};

// masses = massFractions·bodyMass, lengths = lengthFractions·bodyHeight,
// Ixy = masses·(ixyFractions·lengths)² entry by entry (the fractions are radii
// of gyration relative to the link length), Izz taken as given in kg·m².
LinkParameters linkParameters(double bodyMass, const Eigen::Vector4d &massFractions,
                              double bodyHeight, const Eigen::Vector4d &lengthFractions,
                              const Eigen::Vector4d &ixyFractions,
                              const Eigen::Vector4d &izzFractions);

// The whole table as numbers, the way a model is given it: single values by
// toNumber, lists by parseFourValues and parseTwoValues, the link parameters
// by linkParameters. values are the texts of the value column in row order;
// missing rows read as empty texts.
struct TableParameters
{
    QString id;
    double timestep = 0.0;
    double bodyMass = 0.0;
    double bodyHeight = 0.0;
    double turnDirection = 0.0;
    double turnTime = 0.0;
    Eigen::Vector2d controlCoefficients = Eigen::Vector2d::Zero();
    LinkParameters links;
};
TableParameters readParameters(const QStringList &values);

// The check a simulation makes before it applies the table. values are the
// texts of the value column in row order. Returns an empty text when a run
// may start from them, otherwise one sentence that names the first refused
// row by its default label: a value that is not a finite number, a list with
// fewer numbers than its row needs, a timestep outside 0.0001 s to 1 s, a
// body mass or height that is not positive. The "ID" row is free text.
QString checkValues(const QStringList &values);

// The six file fields that a parameter file can set, in the order their keys
// are tried.
enum FileField {
    ShipMotionFile = 0,
    LinkCoordinatesFile,
    LinkCgPositionsFile,
    ControlMomentsFile,
    ErrorsFile,
    AccelerationsFile,
    FileFieldCount
};

// The key text that selects a file field (case-sensitive, found anywhere in
// the part of a line before its first "=").
QString fileKey(FileField field);

// What a parameter file asks for: the file fields it names (a later line for
// the same field wins) and the values of its table lines in file order.
struct ParameterFileEntries
{
    QMap<FileField, QString> files;
    QStringList tableValues;
};

// Splits a parameter file's text into lines at every "\n" (empty lines
// kept); each line is key "=" value, with the value trimmed and anything
// after a second "=" dropped. A line whose key contains a file key sets that
// field; every other line, one without "=" included, is the next table line.
ParameterFileEntries parseParameterFile(const QString &text);

} // namespace bodyparameters

#endif // BODYPARAMETERS_H
