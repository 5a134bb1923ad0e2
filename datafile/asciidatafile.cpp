#include "asciidatafile.h"

#include "numbertext.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>

#include <charconv>
#include <system_error>

namespace {

// A plain decimal number ("-1.25e-05") converted without QString::toDouble,
// which is several times slower. Returns false for anything else (spaces, a
// leading "+", "inf", overflow ...), which the caller then leaves to Qt; where
// both convert, both give the correctly rounded double.
bool parsePlainNumber(const QString& text, double* value)
{
    constexpr int maxLength = 64;
    const int length = text.size();
    if (length == 0 || length > maxLength)
        return false;
    char buffer[maxLength];
    const QChar* chars = text.constData();
    for (int i = 0; i < length; ++i) {
        const ushort c = chars[i].unicode();
        const bool plain = (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e'
                           || c == 'E';
        if (!plain)
            return false;
        buffer[i] = static_cast<char>(c);
    }
    const std::from_chars_result result = std::from_chars(buffer, buffer + length, *value);
    return result.ec == std::errc() && result.ptr == buffer + length;
}

bool isNumber(const QString& text)
{
    double value = 0.0;
    if (parsePlainNumber(text, &value))
        return true;
    bool ok = false;
    text.toDouble(&ok);
    return ok;
}

// QVariant::toDouble, with a fast path for text cells.
double toNumber(const QVariant& cell)
{
    if (cell.userType() == QMetaType::Double)
        return *static_cast<const double*>(cell.constData());
    if (cell.userType() == QMetaType::QString) {
        double value = 0.0;
        if (parsePlainNumber(*static_cast<const QString*>(cell.constData()), &value))
            return value;
    }
    return cell.toDouble();
}

QVector<QVariant> textCells(const QStringList& fields)
{
    QVector<QVariant> row;
    row.reserve(fields.size());
    for (const QString& field : fields)
        row.append(QVariant(field));
    return row;
}

} // namespace

AsciiDataFile::AsciiDataFile()
    : QThread(nullptr)
{
}

AsciiDataFile::~AsciiDataFile() = default;

bool AsciiDataFile::loadFile(const QString& fileName, const QString& delimiter)
{
    clear();

    // Only a regular file can be read to its end: a device would never end,
    // and opening a FIFO would wait for a writer.
    if (!QFileInfo(fileName).isFile())
        return false;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    m_fileName = fileName;

    QTextStream in(&file);
    QString line;
    bool firstLine = true;
    while (in.readLineInto(&line)) {
        const QStringList fields = line.split(delimiter, Qt::KeepEmptyParts, Qt::CaseSensitive);
        if (isNumber(fields.first()))
            m_rows.append(textCells(fields));
        else if (firstLine)
            m_header = fields;
        firstLine = false;
    }
    file.close();
    return !m_rows.isEmpty();
}

bool AsciiDataFile::writeFile(const QString& fileName, QString* errorMessage) const
{
    // Without text mode: every line ends in a bare line feed on every platform.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (errorMessage)
            *errorMessage = file.errorString();
        return false;
    }

    // The text is built in bytes and handed to the file in blocks. Doubles are
    // converted by numbertext, which writes what QVariant::toString writes,
    // several times faster; other cells go through QVariant::toString and the
    // locale's encoding, as a QTextStream would write them.
    constexpr int blockSize = 1 << 16;
    QByteArray block;
    block.reserve(blockSize + 4096);
    bool ok = true;
    // Unbuffered, so that a failure is seen at its write; the rest of a
    // short write is written again, which fails with the system's reason
    // (a full disk) where the short write gave none.
    auto flush = [&]() {
        const char* data = block.constData();
        qint64 left = block.size();
        while (ok && left > 0) {
            const qint64 written = file.write(data, left);
            ok = written > 0;
            data += written;
            left -= written;
        }
        block.clear();
    };
    auto appendCell = [&](const QVariant& cell) {
        if (cell.userType() == QMetaType::Double) {
            char text[numbertext::maxLength];
            block.append(text, numbertext::formatDouble(
                                   *static_cast<const double*>(cell.constData()), text));
        } else {
            block.append(cell.toString().toLocal8Bit());
        }
    };

    if (!m_header.isEmpty())
        block.append(m_header.join(QLatin1Char(',')).toLocal8Bit()).append('\n');
    for (const QVector<QVariant>& row : m_rows) {
        if (row.isEmpty())
            continue;
        appendCell(row.first());
        for (int column = 1; column < row.size(); ++column) {
            block.append(',');
            appendCell(row.at(column));
        }
        block.append('\n');
        if (block.size() >= blockSize)
            flush();
    }
    for (const QString& line : m_pendingLines)
        block.append(line.toLocal8Bit());
    flush();

    if (!ok) {
        if (errorMessage)
            *errorMessage = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (errorMessage)
            *errorMessage = file.errorString();
        return false;
    }
    return true;
}

void AsciiDataFile::clear()
{
    // Released, not only emptied: a long run's rows may take gigabytes.
    m_rows.clear();
    m_rows.squeeze();
    m_header.clear();
}

void AsciiDataFile::appendRow(QVector<QVariant> row)
{
    m_rows.append(std::move(row));
}

qint64 AsciiDataFile::appendedRowBytes(int cells)
{
    // The cells with their array header and the allocator's own overhead,
    // and the row's handle in the row list, which may hold up to three
    // handles per row while it grows (old and new storage during a copy).
    constexpr qint64 arrayOverhead = sizeof(QArrayData) + 16;
    return qint64(cells) * qint64(sizeof(QVariant)) + arrayOverhead
           + 3 * qint64(sizeof(QVector<QVariant>));
}

double AsciiDataFile::getValue(int row, int column) const
{
    if (row < 0 || row >= m_rows.size())
        return 0.0;
    return cellValue(m_rows.at(row), column);
}

QString AsciiDataFile::getString(int row, int column) const
{
    if (row < 0 || row >= m_rows.size())
        return QString();
    const QVector<QVariant>& cells = m_rows.at(row);
    if (column < 0 || column >= cells.size())
        return QString();
    return cells.at(column).toString();
}

BaseDataPoint AsciiDataFile::getDataPoint(int row, int column) const
{
    return BaseDataPoint(getValue(row, 0), getValue(row, column));
}

QVector<QVariant> AsciiDataFile::getRow(int row) const
{
    if (row < 0 || row >= m_rows.size())
        return QVector<QVariant>();
    return m_rows.at(row);
}

QVector<QVariant> AsciiDataFile::getFirstRow() const
{
    return getRow(0);
}

QVector<QVariant> AsciiDataFile::getLastRow() const
{
    return getRow(m_rows.size() - 1);
}

double AsciiDataFile::getTime(int row) const
{
    return getValue(row, 0);
}

double AsciiDataFile::getFirstTime() const
{
    return getTime(0);
}

double AsciiDataFile::getLastTime() const
{
    return getTime(m_rows.size() - 1);
}

double AsciiDataFile::getDuration() const
{
    if (m_rows.isEmpty())
        return 0.0;
    return getLastTime() - getFirstTime();
}

Eigen::VectorXd AsciiDataFile::getInterpolatedRow(double time) const
{
    const int count = m_rows.size();
    // The negated test also turns away a NaN time.
    if (count < 2 || !(time >= getFirstTime() && time <= getLastTime()))
        return Eigen::VectorXd();

    // Bisection for the rows mid and mid + 1 around the time.
    int lo = 0;
    int hi = count - 1;
    int mid = 0;
    for (;;) {
        mid = (lo + hi) / 2;
        const double midTime = getTime(mid);
        if (time >= midTime)
            lo = mid;
        else
            hi = mid; // also a NaN time cell, so the search always narrows
        if (hi - lo <= 1) {
            mid = lo;
            break;
        }
        if (time > midTime && getTime(mid + 1) >= time)
            break;
    }

    const QVector<QVariant>& rowA = m_rows.at(mid);
    const QVector<QVariant>& rowB = m_rows.at(mid + 1);
    const int n = m_rows.first().size() - 1;
    if (n < 0)
        return Eigen::VectorXd();

    const double ta = cellValue(rowA, 0);
    const double tb = cellValue(rowB, 0);
    Eigen::VectorXd result(n);
    if (!(tb != ta)) {
        // Rows sharing a time: answer with the earlier row.
        for (int j = 1; j <= n; ++j)
            result(j - 1) = cellValue(rowA, j);
        return result;
    }
    const double f = (time - ta) / (tb - ta);
    for (int j = 1; j <= n; ++j) {
        const double va = cellValue(rowA, j);
        const double vb = cellValue(rowB, j);
        result(j - 1) = va + f * (vb - va);
    }
    return result;
}

void AsciiDataFile::appendTextLine(const double* values, int count)
{
    if (!values)
        return;
    for (int i = 0; i < count; ++i) {
        QString text = QString::number(values[i], 'g', 6);
        if (i < count - 1)
            text += QLatin1Char(',');
        m_pendingLines.append(text);
    }
}

void AsciiDataFile::buildTextLines()
{
    m_pendingLines.clear();
    for (const QVector<QVariant>& row : m_rows) {
        QStringList cells;
        cells.reserve(row.size());
        for (const QVariant& cell : row)
            cells.append(cell.toString());
        m_pendingLines.append(cells.join(QLatin1Char(',')) + QLatin1Char('\n'));
    }
}

void AsciiDataFile::run()
{
    buildTextLines();
}

double AsciiDataFile::cellValue(const QVector<QVariant>& row, int column)
{
    if (column < 0 || column >= row.size())
        return 0.0;
    return toNumber(row.at(column));
}
