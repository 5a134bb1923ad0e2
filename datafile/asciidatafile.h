#ifndef ASCIIDATAFILE_H
#define ASCIIDATAFILE_H

#include "baserecords.h"

#include <Eigen/Dense>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QVariant>
#include <QVector>

// An in-memory table of rows of cells, loaded from a delimited text file,
// read by row and column, interpolated in time, extended row by row and
// written back as comma-separated text.
//
// Cells read from a file stay text until they are read; appended cells hold
// doubles. Rows may differ in width. Column 0 is the time in seconds.
// Derives from QThread, but no thread is ever started: every call runs on
// the caller's thread.
class AsciiDataFile : public QThread
{
    Q_OBJECT
public:
    AsciiDataFile();
    ~AsciiDataFile() override;

    // Replaces the table with the file's rows. The first line is a header
    // when its first field is not a number; later lines whose first field is
    // not a number are skipped. Returns true when at least one data row was
    // read. A file that cannot be opened, or that is not a regular file,
    // leaves the table empty and fileName() unchanged.
    bool loadFile(const QString& fileName, const QString& delimiter);
    // Writes the header (if any) and the rows as comma-separated lines, each
    // ending in a single line feed. The file is replaced only when the whole
    // text was written; on failure returns false and, when errorMessage is
    // given, stores the reason there.
    bool writeFile(const QString& fileName, QString* errorMessage = nullptr) const;

    // Empties rows and header and releases their memory; the file name is
    // kept.
    void clear();
    void appendRow(QVector<QVariant> row);
    // Memory that an appended row of that many cells takes in the table, its
    // share of the table's growing row list included, in bytes.
    static qint64 appendedRowBytes(int cells);

    int rowCount() const { return m_rows.size(); }
    // 0.0 when the row or column is out of range or the cell is not a number.
    double getValue(int row, int column) const;
    // The cell as text, or a null string when out of range.
    QString getString(int row, int column) const;
    BaseDataPoint getDataPoint(int row, int column) const;

    // Copies; an empty row when out of range or the table is empty.
    QVector<QVariant> getRow(int row) const;
    QVector<QVariant> getFirstRow() const;
    QVector<QVariant> getLastRow() const;

    // Cell 0 of the row; 0.0 for a missing or empty row.
    double getTime(int row) const;
    double getFirstTime() const;
    double getLastTime() const;
    // Last time minus first time; 0.0 without rows.
    double getDuration() const;

    // The row linearly interpolated at the given time, without the time
    // column: entry k is column k + 1, as many entries as row 0 has cells
    // after the time. Empty outside [first time, last time] (both ends
    // inclusive), for a NaN time and for a table of fewer than two rows.
    Eigen::VectorXd getInterpolatedRow(double time) const;

    // Adds the values as texts of 6 significant digits, each but the last
    // followed by "," (written after the rows by writeFile).
    void appendTextLine(const double* values, int count);
    // Replaces the pending text lines by one text per row.
    void buildTextLines();

    QString fileName() const { return m_fileName; }
    QStringList header() const { return m_header; }

protected:
    void run() override;

private:
    // Cell as a number, 0.0 when the row has no such column.
    static double cellValue(const QVector<QVariant>& row, int column);

    QVector<QVector<QVariant>> m_rows; // data rows in file or append order
    QStringList m_pendingLines;        // text written after the rows
    QString m_fileName;                // last file opened by loadFile
    QStringList m_header;              // header fields, empty without header
};

#endif // ASCIIDATAFILE_H
