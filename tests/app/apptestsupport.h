#ifndef APPTESTSUPPORT_H
#define APPTESTSUPPORT_H

// The harness of the tests that drive the main window: a window in a working
// folder of its own, its named children, the files a run reads and writes,
// and runs with something done while their steps go on.
#include "marvekdev.h"
#include "marvekview.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QWindow>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
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

inline QByteArray readAll(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A comma-separated file of numbers, one vector a line; a first line that
// does not start with a number is a header and left out.
inline QVector<QVector<double>> readRows(const QString &fileName)
{
    QVector<QVector<double>> rows;
    for (const QByteArray &line : readAll(fileName).split('\n')) {
        bool number = false;
        line.split(',').first().toDouble(&number);
        if (!number)
            continue;
        QVector<double> row;
        for (const QByteArray &cell : line.split(','))
            row << cell.toDouble();
        rows << row;
    }
    return rows;
}

inline QString referencePath(const QString &relative)
{
    return testsupport::dataPath(QStringLiteral("reference/") + relative);
}

// A recording with the cells of column `column` replaced by `text` in the
// rows whose time lies from `from` to `to`; the first line is kept as the
// header.
inline QByteArray withCells(const QByteArray &recording, int column, const QByteArray &text,
                            double from, double to = 1e9)
{
    const QList<QByteArray> lines = recording.split('\n');
    QByteArray out = lines.first() + '\n';
    for (const QByteArray &line : lines.mid(1)) {
        if (line.isEmpty())
            break;
        QList<QByteArray> cells = line.split(',');
        const double time = cells.first().toDouble();
        if (time >= from - 1e-9 && time <= to + 1e-9)
            cells[column] = text;
        out += cells.join(',') + '\n';
    }
    return out;
}

// The sample recording up to and including lastTime, header kept; cells of
// column `column` (4: the roll) from time `from` on replaced by `text`.
inline QByteArray sampleUpTo(double lastTime, double from = 1e9, int column = 4,
                             const QByteArray &text = "nan")
{
    const QList<QByteArray> lines = readAll(referencePath(QStringLiteral("ship-motion-sample.csv"))).split('\n');
    QByteArray out = lines.first() + '\n';
    for (const QByteArray &line : lines.mid(1)) {
        if (line.isEmpty() || line.split(',').first().toDouble() > lastTime + 1e-9)
            break;
        out += line + '\n';
    }
    return withCells(out, column, text, from);
}

// The 3D window of the one main window a test holds.
inline MarvekView *theView()
{
    for (QWindow *window : QGuiApplication::topLevelWindows()) {
        if (auto *view = qobject_cast<MarvekView *>(window))
            return view;
    }
    qFatal("no 3D window");
}

// Makes a FIFO at path in place of what is there; failing ends the test
// program, since every later step would fail on it.
inline void makeFifo(const QByteArray &path)
{
    ::unlink(path.constData());
    if (::mkfifo(path.constData(), 0600) != 0)
        qFatal("cannot make a FIFO");
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
        makeFifo(m_path);
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

// A FIFO with a reader that drains it while it lives: code that wrongly
// writes into it gets its writes taken instead of waiting for ever for a
// reader, so a test naming it as a result always ends.
class DrainedFifo
{
public:
    explicit DrainedFifo(const QString &path)
        : m_path(QFile::encodeName(path))
    {
        makeFifo(m_path);
        m_fd = ::open(m_path.constData(), O_RDONLY | O_NONBLOCK);
        m_reader = std::thread([this]() {
            char buffer[1 << 16];
            while (!m_done) {
                pollfd ready = {m_fd, POLLIN, 0};
                if (::poll(&ready, 1, 20) <= 0 || ::read(m_fd, buffer, sizeof buffer) <= 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
    }
    ~DrainedFifo()
    {
        m_done = true;
        m_reader.join();
        ::close(m_fd);
        ::unlink(m_path.constData());
    }

private:
    QByteArray m_path;
    int m_fd = -1;
    std::atomic<bool> m_done{false};
    std::thread m_reader;
};

// A Unix socket bound to a path in the working folder while it lives.
class BoundSocket
{
public:
    explicit BoundSocket(const QByteArray &path)
        : m_path(path)
        , m_fd(::socket(AF_UNIX, SOCK_STREAM, 0))
    {
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        if (m_fd < 0 || path.size() >= int(sizeof address.sun_path))
            qFatal("cannot make a socket");
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        if (::bind(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
            qFatal("cannot bind a socket");
    }
    ~BoundSocket()
    {
        ::close(m_fd);
        ::unlink(m_path.constData());
    }

private:
    QByteArray m_path;
    int m_fd;
};

// Calls a function at every round of event processing while it lives.
class EveryRound : public QObject
{
public:
    explicit EveryRound(std::function<void()> callback)
    {
        connect(&m_timer, &QTimer::timeout, this, std::move(callback));
        m_timer.start(0);
    }

private:
    QTimer m_timer;
};

// Result files in the run's order, as the reference names them.
inline constexpr const char *resultNames[] = {"link.csv", "cg.csv", "error.csv", "control.csv",
                                              "accel.csv"};

// A main window in a fresh folder named after the test function and data
// row, below the test program's working folder; the folder is kept for a look
// after a failure. Every modal dialog is closed (or answered, see closer).
class Harness
{
public:
    Harness()
        : m_previous(QDir::currentPath())
    {
        QString name = QString::fromLatin1(QTest::currentTestFunction());
        if (QTest::currentDataTag())
            name += QLatin1Char('_') + QString::fromLatin1(QTest::currentDataTag());
        name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_]")), QStringLiteral("_"));
        QDir folder(QDir(m_previous).absoluteFilePath(name));
        folder.removeRecursively();
        folder.mkpath(QStringLiteral("."));
        QDir::setCurrent(folder.path());
        window = std::make_unique<MarvekDev>();
    }
    ~Harness()
    {
        window.reset();
        QDir::setCurrent(m_previous);
    }

    template <class T = QWidget>
    T *get(const char *name) const { return child<T>(window.get(), name); }
    QLineEdit *result(int k) const
    {
        const char *fields[] = {"linkFileDropLineEdit", "cgFileDropLineEdit", "errorFileDropLineEdit",
                                "controlFileDropLineEdit", "accelFileDropLineEdit"};
        return get<QLineEdit>(fields[k]);
    }
    QString status() const { return get<QLabel>("statusLabel")->text(); }
    int progress() const { return get<QProgressBar>("progressBar")->value(); }
    QStringList warnings() const { return closer.closedTexts(); }

    void setValue(int row, const QString &text) { get<QTableWidget>("paramTableWidget")->item(row, 1)->setText(text); }
    // Types a value into a cell of the shown window and leaves its editor open.
    void typeIntoCell(int row, const QString &text)
    {
        auto *table = get<QTableWidget>("paramTableWidget");
        window->show();
        table->editItem(table->item(row, 1));
        auto *editor = table->viewport()->findChild<QLineEdit *>();
        if (!editor)
            qFatal("no cell editor");
        editor->setText(text);
    }
    void setRecording(const QByteArray &contents)
    {
        get<QLineEdit>("paramShipMotionLineEdit")
            ->setText(testsupport::writeTextFile(QStringLiteral("ship.csv"), contents));
    }
    // Names the five result files "<prefix>_link.csv" ... in the folder.
    void nameResults(const QString &prefix)
    {
        for (int k = 0; k < 5; ++k)
            result(k)->setText(prefix + QLatin1Char('_') + QLatin1String(resultNames[k]));
    }
    QVector<QByteArray> results() const // the five files' contents
    {
        QVector<QByteArray> contents;
        for (int k = 0; k < 5; ++k)
            contents << readAll(result(k)->text());
        return contents;
    }
    void trigger(const char *action) { get<QAction>(action)->trigger(); }
    // Presses a "Plot" button (0 to 4: link angles, CG, control, errors,
    // accelerations) and returns the window it opened or showed.
    GraphScrollWidget *plot(int k)
    {
        const char *buttons[] = {"plotXButton", "plotQButton", "plotUButton", "plotEButton", "plotAButton"};
        click(buttons[k]);
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *window = qobject_cast<GraphScrollWidget *>(widget);
            if (window && window->isVisible() && window->property("plot").isNull())
                window->setProperty("plot", k);
            if (window && window->property("plot") == k)
                return window;
        }
        return nullptr;
    }
    void click(const char *button) { get<QPushButton>(button)->click(); }
    // Triggers a menu action ("action...") or clicks a button, by object name.
    void press(const QString &command)
    {
        if (command.startsWith(QLatin1String("action")))
            trigger(qPrintable(command));
        else
            click(qPrintable(command));
    }
    void copyReferenceTables()
    {
        for (const char *table : {"matOutXXX92.csv", "matOutPos92.csv", "matOutError92.csv",
                                  "matOutControl92.csv", "matOutAccel92.csv"})
            QFile::copy(referencePath(QStringLiteral("reftables/") + table), QLatin1String(table));
    }
    // Runs, calling poke at every round of event processing once the steps
    // have reached `percent`, until it returns true.
    void runWhile(int percent, const std::function<bool()> &poke)
    {
        bool done = false;
        const EveryRound round([&]() {
            done = done || (status() == QLatin1String("Running Sim") && progress() >= percent && poke());
        });
        trigger("actionRun");
    }

    ModalDialogCloser closer;
    std::unique_ptr<MarvekDev> window;

private:
    QString m_previous;
};

} // namespace apptest

#endif // APPTESTSUPPORT_H
