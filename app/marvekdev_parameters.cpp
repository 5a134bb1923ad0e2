// The main window's parameter table: applying it to the body model, the fixed
// unit-test parameters, and loading a parameter file into the table.

#include "marvekdev.h"

#include "bodyparameters.h"
#include "fourbar3dshipclass.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QTableWidget>
#include <QTableWidgetItem>
#include <QTextStream>

using namespace bodyparameters;

void MarvekDev::applyParameters(FourBar3DShipClass *model)
{
    const QStringList values = getParameterValues();

    m_id = values.value(IdRow);
    m_timestep = toNumber(values.value(TimestepRow));
    m_bodyMass = toNumber(values.value(BodyMassRow));
    Eigen::Vector4d massFractions;
    parseFourValues(values.value(MassFractionsRow), massFractions);
    m_bodyHeight = toNumber(values.value(BodyHeightRow));
    Eigen::Vector4d lengthFractions;
    parseFourValues(values.value(LengthFractionsRow), lengthFractions);
    Eigen::Vector4d ixyFractions;
    parseFourValues(values.value(IxyFractionsRow), ixyFractions);
    Eigen::Vector4d izzFractions;
    parseFourValues(values.value(IzzFractionsRow), izzFractions);
    m_turnDirection = toNumber(values.value(TurnDirectionRow));
    m_turnTime = toNumber(values.value(TurnTimeRow));
    parseTwoValues(values.value(ControlCoefficientsRow), m_controlCoefficients);

    const LinkParameters link = linkParameters(m_bodyMass, massFractions, m_bodyHeight,
                                               lengthFractions, ixyFractions, izzFractions);
    model->setParameters(link.masses, link.lengths, link.ixy, link.izz);
}

void MarvekDev::setTestParameters(FourBar3DShipClass *model)
{
    // The parameter set of the unit-test reference tables; it equals the
    // table's default texts. The timestep stays as it is.
    m_id = QStringLiteral("92");
    m_bodyHeight = 1.72;
    m_bodyMass = 89.6121;
    m_turnTime = 7.933;
    m_turnDirection = -90.0;
    m_controlCoefficients << 712.0, 807.0;

    const LinkParameters link = linkParameters(m_bodyMass, Eigen::Vector4d(0.122, 0.2, 0.597, 0.081),
                                               m_bodyHeight, Eigen::Vector4d(0.285, 0.245, 0.288, 0.182),
                                               Eigen::Vector4d(0.416, 0.323, 0.5, 0.495),
                                               Eigen::Vector4d(0.25, 0.25, 0.25, 0.25));
    model->setParameters(link.masses, link.lengths, link.ixy, link.izz);
}

QStringList MarvekDev::getParameterValues() const
{
    QStringList values;
    const QTableWidget *table = ui.paramTableWidget;
    for (int row = 0; row < table->rowCount(); ++row) {
        const QTableWidgetItem *item = table->item(row, 1);
        values << (item ? item->text() : QString());
    }
    return values;
}

QString MarvekDev::parameterTableProblem() const
{
    const QString problem = checkValues(getParameterValues());
    if (problem.isEmpty())
        return problem;
    return QStringLiteral("The parameter table cannot be used:\n%1").arg(problem);
}

void MarvekDev::commitParameterEdit()
{
    // Leaving a cell commits its editor's text and closes the editor. The
    // editor is usually on the current cell, but one opened otherwise is
    // made current first.
    QTableWidget *table = ui.paramTableWidget;
    for (int row = 0; row < table->rowCount(); ++row) {
        for (int column = 0; column < table->columnCount(); ++column) {
            const QModelIndex index = table->model()->index(row, column);
            if (table->indexWidget(index)) {
                table->setCurrentIndex(index);
                table->setCurrentIndex(QModelIndex());
            }
        }
    }
}

double MarvekDev::getTimestep() const
{
    return m_timestep;
}

void MarvekDev::fileLoadParameters()
{
    const QString fileName =
        QFileDialog::getOpenFileName(nullptr, tr("File Open"), QString(), QStringLiteral("*.txt"));
    loadParameterFile(fileName);
}

bool MarvekDev::loadParameterFile(const QString &fileName)
{
    // A cancelled dialog gives an empty name, which does not open either;
    // nor is anything but a regular file opened (a FIFO would wait for a
    // writer, a device might never end).
    if (!QFileInfo(fileName).isFile())
        return false;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QTextStream stream(&file);
    const ParameterFileEntries entries = parseParameterFile(stream.readAll());
    file.close();

    // An editor still open on a cell would later write its text over the
    // loaded value.
    commitParameterEdit();

    QLineEdit *const fields[FileFieldCount] = {
        ui.paramShipMotionLineEdit, ui.linkFileDropLineEdit, ui.cgFileDropLineEdit,
        ui.controlFileDropLineEdit, ui.errorFileDropLineEdit, ui.accelFileDropLineEdit};
    for (auto it = entries.files.cbegin(); it != entries.files.cend(); ++it)
        fields[it.key()]->setText(it.value());

    // Table lines fill the value column from the top; lines beyond the last
    // row are skipped.
    int row = 0;
    for (const QString &value : entries.tableValues) {
        if (QTableWidgetItem *item = ui.paramTableWidget->item(row, 1))
            item->setText(value);
        ++row;
    }
    return true;
}
