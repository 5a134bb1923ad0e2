#ifndef APPTESTSUPPORT_H
#define APPTESTSUPPORT_H

// Small helpers shared by the tests that drive the main window: finding its
// named children, reading the files a run writes, cutting the sample
// recording, and finding the 3D window.
#include "marvekview.h"
#include "testsupport.h"

#include <QByteArray>
#include <QFile>
#include <QGuiApplication>
#include <QList>
#include <QObject>
#include <QString>
#include <QVector>
#include <QWindow>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <thread>

namespace apptest {

// The child of `parent` with that object name; a missing one ends the test
// program, since every later step would fail on it.
template <class T>
T *child(const QObject *parent, const char *name)
{
    T *found = parent->findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("missing child %s", name);
    return found;
}

// Object names of the five result-file fields, in the order link, cg, error,
// control, accel.
inline constexpr const char *resultFields[] = {"linkFileDropLineEdit", "cgFileDropLineEdit",
                                               "errorFileDropLineEdit", "controlFileDropLineEdit",
                                               "accelFileDropLineEdit"};

// A file's contents; empty when it cannot be read.
inline QByteArray readAll(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

// A comma-separated file of numbers, one vector a line; empty when the file
// cannot be read.
inline QVector<QVector<double>> readRows(const QString &fileName)
{
    QVector<QVector<double>> rows;
    for (const QByteArray &line : readAll(fileName).split('\n')) {
        if (line.isEmpty())
            continue;
        QVector<double> row;
        for (const QByteArray &cell : line.split(','))
            row << cell.toDouble();
        rows << row;
    }
    return rows;
}

// The sample recording up to and including lastTime, header kept; cells of
// column `column` (4: the roll) from time nanFrom on replaced by "nan".
inline QByteArray sampleUpTo(double lastTime, double nanFrom = 1e9, int column = 4)
{
    QFile file(testsupport::dataPath(QStringLiteral("reference/ship-motion-sample.csv")));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing sample recording");
    const QList<QByteArray> lines = file.readAll().split('\n');
    QByteArray out = lines.first() + '\n';
    for (int i = 1; i < lines.size(); ++i) {
        if (lines.at(i).isEmpty())
            continue;
        QList<QByteArray> cells = lines.at(i).split(',');
        const double time = cells.first().toDouble();
        if (time > lastTime + 1e-9)
            break;
        if (time >= nanFrom - 1e-9)
            cells[column] = "nan";
        out += cells.join(',') + '\n';
    }
    return out;
}

// The 3D window that the one main window of a test holds.
inline MarvekView *theView()
{
    MarvekView *found = nullptr;
    for (QWindow *window : QGuiApplication::topLevelWindows()) {
        if (auto *view = qobject_cast<MarvekView *>(window)) {
            if (found)
                qFatal("more than one 3D window");
            found = view;
        }
    }
    if (!found)
        qFatal("no 3D window");
    return found;
}

// A FIFO whose writer end a helper thread opens: code that wrongly opens it
// for reading then meets an empty file instead of waiting forever for a
// writer. The destructor releases the writer if nobody opened the FIFO.
class Fifo
{
public:
    explicit Fifo(const QString &path)
        : m_path(QFile::encodeName(path))
    {
        ::unlink(m_path.constData());
        if (::mkfifo(m_path.constData(), 0600) != 0)
            qFatal("cannot make a FIFO");
        m_writer = std::thread([this]() {
            const int fd = ::open(m_path.constData(), O_WRONLY);
            if (fd >= 0)
                ::close(fd);
        });
    }
    ~Fifo()
    {
        const int fd = ::open(m_path.constData(), O_RDONLY | O_NONBLOCK);
        m_writer.join();
        if (fd >= 0)
            ::close(fd);
        ::unlink(m_path.constData());
    }

private:
    QByteArray m_path;
    std::thread m_writer;
};

} // namespace apptest

#endif // APPTESTSUPPORT_H
