// The file-name field and the drop icon: what a drag shows while it is over
// them, what a drop or a leave leaves behind, and the field's existence check
// with its signals.
#include "filedropwidget.h"
#include "testsupport.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QSignalSpy>
#include <QtTest>

namespace {

// Sends one drag or drop event; returns whether the target accepted it. A
// move after an accepted enter arrives accepted, as Qt sends it.
template <class Event, class Position>
bool send(QWidget *target, const QMimeData *mime, Position at, bool accepted = false)
{
    Event event(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    event.setAccepted(accepted);
    QApplication::sendEvent(target, &event);
    return event.isAccepted();
}

QColor pixel(QWidget *target, QPoint at)
{
    return target->grab().toImage().pixelColor(at);
}

} // namespace

class TestFileDropLineEdit : public QObject
{
    Q_OBJECT

private slots:
    void dragAndDrop_data();
    void dragAndDrop();
    void existenceSignals();
};

void TestFileDropLineEdit::dragAndDrop_data()
{
    QTest::addColumn<bool>("icon");        // the drop icon instead of the field
    QTest::addColumn<QString>("extension"); // the only extension the field accepts
    QTest::addColumn<QString>("dragged");   // a file, "url:" a remote address, "text:" plain text
    QTest::addColumn<bool>("leave");        // the drag leaves instead of dropping
    QTest::addColumn<QColor>("state");      // while the drag is over the target
    QTest::addColumn<bool>("taken");        // whether the drop sets the name

    const QColor green(Qt::green), red(Qt::red), idle(Qt::blue);
    QTest::newRow("csv file") << false << ".csv" << "data/run.csv" << false << green << true;
    QTest::newRow("upper-case extension") << false << ".csv" << "data/RUN2.CSV" << false << green << true;
    QTest::newRow("other extension") << false << ".csv" << "data/run.txt" << false << red << false;
    QTest::newRow("csv only in a folder name") << false << ".csv" << "data.csv/run" << false << red << false;
    QTest::newRow("any file") << false << "" << "data/run.txt" << false << green << true;
    QTest::newRow("missing file, any name") << false << "" << "missing" << false << green << true;
    QTest::newRow("drag leaves") << false << ".csv" << "data/run.csv" << true << green << false;
    QTest::newRow("remote address") << false << "" << "url:https://example.org/run.csv" << false << red << false;
    QTest::newRow("plain text") << false << "" << "text:/some/file.csv" << false << idle << false;
    QTest::newRow("icon, any file") << true << "" << "data/run.txt" << false << green << true;
    QTest::newRow("icon, drag leaves") << true << "" << "data/run.txt" << true << green << false;
    QTest::newRow("icon, plain text") << true << "" << "text:plain" << false << idle << false;
}

void TestFileDropLineEdit::dragAndDrop()
{
    QFETCH(bool, icon);
    QFETCH(QString, extension);
    QFETCH(QString, dragged);
    QFETCH(bool, leave);
    QFETCH(QColor, state);
    QFETCH(bool, taken);

    QTemporaryDir dir;
    for (const char *name : {"data/run.csv", "data/RUN2.CSV", "data/run.txt", "data.csv/run"})
        testsupport::writeTextFile(dir.filePath(QLatin1String(name)), "0,1\n");
    QMimeData mime;
    QString path;
    if (dragged.startsWith(QLatin1String("text:"))) {
        mime.setText(dragged.mid(5));
    } else if (dragged.startsWith(QLatin1String("url:"))) {
        mime.setUrls({QUrl(dragged.mid(4))});
    } else {
        path = dir.filePath(dragged); // absolute, and kept so
        mime.setUrls({QUrl::fromLocalFile(path)});
    }

    FileDropLineEdit field;
    field.setFileExtension(extension);
    field.setText(QStringLiteral("kept"));
    FileDropWidget iconTarget;
    QWidget *target = icon ? static_cast<QWidget *>(&iconTarget) : &field;
    target->resize(icon ? 34 : 200, icon ? 34 : 30);
    const QPoint onFrame = icon ? QPoint(2, 17) : QPoint(100, 28); // clear of the text
    QSignalSpy dropped(target, SIGNAL(fileDropped(QString)));
    auto stateColor = [&] { return icon ? iconTarget.stateColor() : field.stateColor(); };

    // A drag that may end in a drop, or that shows a red frame, is accepted.
    const bool accepted = send<QDragEnterEvent>(target, &mime, QPoint(5, 5));
    QCOMPARE(accepted, state != QColor(Qt::blue));
    QCOMPARE(stateColor(), state);
    if (accepted) {
        QVERIFY(send<QDragMoveEvent>(target, &mime, QPoint(6, 6), true));
        QCOMPARE(pixel(target, onFrame), state);
    }
    if (leave) {
        QDragLeaveEvent event;
        QApplication::sendEvent(target, &event);
    } else {
        send<QDropEvent>(target, &mime, QPointF(5, 5));
    }
    QCOMPARE(stateColor(), QColor(Qt::blue));
    const QColor after = pixel(target, onFrame); // no frame of a drag any more
    QVERIFY2(after != QColor(Qt::green) && after != QColor(Qt::red), qPrintable(after.name()));
    QCOMPARE(dropped.count(), taken ? 1 : 0);
    if (taken)
        QCOMPARE(dropped.first().first().toString(), path);
    if (!icon)
        QCOMPARE(field.text(), taken ? path : QStringLiteral("kept"));
}

void TestFileDropLineEdit::existenceSignals()
{
    QTemporaryDir dir;
    const QString file = testsupport::writeTextFile(dir.filePath("run.csv"), "0,1\n");
    const QString other = testsupport::writeTextFile(dir.filePath("other.csv"), "0,2\n");
    FileDropLineEdit field;
    const QColor normal = QLineEdit().palette().color(QPalette::Text);
    QCOMPARE(field.palette().color(QPalette::Text), normal); // untouched
    QSignalSpy exist(&field, &FileDropLineEdit::fileExistChanged);
    QSignalSpy changed(&field, &FileDropLineEdit::fileChanged);
    // Text, red or not, and the number of each signal so far.
    const std::tuple<QString, bool, int, int> steps[] = {
        {file.chopped(1), true, 0, 0}, // still missing: red, no change of existence
        {file, false, 1, 1},           // found
        {file, false, 1, 1},           // the same again: no signal
        {other, false, 1, 2},          // another file in one step
        {dir.filePath("gone.csv"), true, 2, 2},
        {other, false, 3, 2},          // back to the last file found: not a new one
    };
    for (const auto &[text, red, existSignals, changeSignals] : steps) {
        field.setText(text);
        QCOMPARE(field.palette().color(QPalette::Text) == QColor(Qt::red), red);
        QCOMPARE(exist.count(), existSignals);
        QCOMPARE(changed.count(), changeSignals);
    }
    QCOMPARE(exist.last().first().toBool(), true);
    // Return empties the field.
    QTest::keyClick(&field, Qt::Key_Return);
    QVERIFY(field.text().isEmpty() && !field.fileExists());
    QCOMPARE(exist.last().first().toBool(), false);
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TestFileDropLineEdit test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_filedroplineedit.moc"
