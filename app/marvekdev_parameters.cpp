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

namespace {

void giveLinks(FourBar3DShipClass *model, const LinkParameters &link)
{
    model->setParameters(link.masses, link.lengths, link.ixy, link.izz);
}

} // namespace

void MarvekDev::applyParameters(FourBar3DShipClass *model)
{
    const TableParameters table = readParameters(getParameterValues());
    m_id = table.id;
    m_timestep = table.timestep;
    m_bodyMass = table.bodyMass;
    m_bodyHeight = table.bodyHeight;
    m_turnDirection = table.turnDirection;
    m_turnTime = table.turnTime;
    m_controlCoefficients = table.controlCoefficients;
    giveLinks(model, table.links);
    // The interpolation test ramps with the timestep last applied, whoever
    // applied it.
    m_unitTest.timestep = m_timestep;
}

void MarvekDev::applyParametersToUnitTests(FourBar3DShipClass *model)
{
    const TableParameters table = readParameters(getParameterValues());
    m_unitTest.timestep = table.timestep;
    m_unitTest.turnDirection = table.turnDirection;
    m_unitTest.turnTime = table.turnTime;
    m_unitTest.controlCoefficients = table.controlCoefficients;
    giveLinks(model, table.links);
}

void MarvekDev::setTestParameters(FourBar3DShipClass *model)
{
    // The parameter set of the unit-test reference tables; it equals the
    // table's default texts. The timestep stays as it is.
    m_unitTest.turnTime = 7.933;
    m_unitTest.turnDirection = -90.0;
    m_unitTest.controlCoefficients << 712.0, 807.0;
    giveLinks(model, linkParameters(89.6121, Eigen::Vector4d(0.122, 0.2, 0.597, 0.081), 1.72,
                                    Eigen::Vector4d(0.285, 0.245, 0.288, 0.182),
                                    Eigen::Vector4d(0.416, 0.323, 0.5, 0.495),
                                    Eigen::Vector4d(0.25, 0.25, 0.25, 0.25)));
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
