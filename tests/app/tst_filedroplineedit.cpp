// The file-name field and the drop target: drag states and frames, accepted
// and refused drops, the existence check and its signals, Return.
#include "filedropwidget.h"
#include "testsupport.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <memory>

namespace {

std::unique_ptr<QMimeData> fileDrag(const QString &path)
{
    auto mime = std::make_unique<QMimeData>();
    mime->setUrls({QUrl::fromLocalFile(path)});
    return mime;
}

// Sends drag enter; returns whether the widget accepted the drag.
bool dragEnter(QWidget *target, const QMimeData *mime)
{
    QDragEnterEvent event(QPoint(5, 5), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
    return event.isAccepted();
}

// Sends a drag move, which follows every accepted drag enter; returns whether
// the widget still takes the drop there.
bool dragMove(QWidget *target, const QMimeData *mime)
{
    QDragMoveEvent event(QPoint(6, 6), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    event.setAccepted(true);
    QApplication::sendEvent(target, &event);
    return event.isAccepted();
}

void dragLeave(QWidget *target)
{
    QDragLeaveEvent event;
    QApplication::sendEvent(target, &event);
}

void drop(QWidget *target, const QMimeData *mime)
{
    QDropEvent event(QPointF(5, 5), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

} // namespace

class TestFileDropLineEdit : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void acceptedExtension_data();
    void acceptedExtension();

    void acceptedDropKeepsTheAbsolutePath();
    void upperCaseExtensionAccepted();
    void refusedDropChangesNothing();
    void emptyExtensionAcceptsEveryFile();
    void plainTextIsRefused();
    void remoteUrlIsRefused();
    void dragLeaveReturnsToIdle();
    void frameIsDrawnOnlyWhileDragging();

    void untouchedFieldShowsNormalPalette();
    void existenceSignals();
    void returnEmptiesTheField();

    void dropWidget();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_csv;
    QString m_upperCsv;
    QString m_txt;
    QString m_other;
};

void TestFileDropLineEdit::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_csv = testsupport::writeTextFile(m_dir->filePath(QStringLiteral("data/run.csv")), "0,1\n");
    m_upperCsv = testsupport::writeTextFile(m_dir->filePath(QStringLiteral("data/RUN2.CSV")), "0,1\n");
    m_txt = testsupport::writeTextFile(m_dir->filePath(QStringLiteral("data/run.txt")), "text\n");
    m_other = testsupport::writeTextFile(m_dir->filePath(QStringLiteral("other.csv")), "0,2\n");
}

void TestFileDropLineEdit::acceptedExtension_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("csv") << "/data/run.csv" << ".csv" << true;
    QTest::newRow("upper case") << "/data/RUN.CSV" << ".csv" << true;
    QTest::newRow("other extension") << "/data/run.txt" << ".csv" << false;
    QTest::newRow("csv in a folder name") << "/data.csv/run" << ".csv" << false;
    QTest::newRow("any name") << "/data/run" << "" << true;
    QTest::newRow("no path") << "" << "" << false;
}

void TestFileDropLineEdit::acceptedExtension()
{
    QFETCH(QString, path);
    QFETCH(QString, extension);
    QFETCH(bool, accepted);
    QCOMPARE(filedrop::hasAcceptedExtension(path, extension), accepted);
}

void TestFileDropLineEdit::acceptedDropKeepsTheAbsolutePath()
{
    FileDropLineEdit field;
    field.setFileExtension(QStringLiteral(".csv"));
    QSignalSpy dropped(&field, &FileDropLineEdit::fileDropped);
    QSignalSpy changed(&field, &FileDropLineEdit::fileChanged);
    QSignalSpy exist(&field, &FileDropLineEdit::fileExistChanged);

    const auto mime = fileDrag(m_csv);
    QVERIFY(dragEnter(&field, mime.get()));
    QCOMPARE(field.stateColor(), QColor(Qt::green));
    // A file drag carries no plain text; moving over the field keeps it.
    QVERIFY(!mime->hasFormat(QStringLiteral("text/plain")));
    QVERIFY(dragMove(&field, mime.get()));
    QCOMPARE(dropped.count(), 0);
    drop(&field, mime.get());

    QCOMPARE(field.stateColor(), QColor(Qt::blue));
    QVERIFY(QDir::isAbsolutePath(m_csv));
    QCOMPARE(field.text(), m_csv);
    QCOMPARE(dropped.count(), 1);
    QCOMPARE(dropped.first().first().toString(), m_csv);
    QCOMPARE(changed.count(), 1);
    // Drag enter tested the empty text (missing), the drop the existing file.
    QCOMPARE(exist.count(), 1);
    QCOMPARE(exist.first().first().toBool(), true);
    QVERIFY(field.fileExists());
    QVERIFY(field.palette().color(QPalette::Text) != QColor(Qt::red));
}

void TestFileDropLineEdit::upperCaseExtensionAccepted()
{
    FileDropLineEdit field;
    field.setFileExtension(QStringLiteral(".csv"));
    const auto mime = fileDrag(m_upperCsv);
    QVERIFY(dragEnter(&field, mime.get()));
    QCOMPARE(field.stateColor(), QColor(Qt::green));
    drop(&field, mime.get());
    QCOMPARE(field.text(), m_upperCsv);
}

void TestFileDropLineEdit::refusedDropChangesNothing()
{
    FileDropLineEdit field;
    field.setFileExtension(QStringLiteral(".csv"));
    field.setText(m_other);
    QSignalSpy dropped(&field, &FileDropLineEdit::fileDropped);
    QSignalSpy changed(&field, &FileDropLineEdit::fileChanged);

    const auto mime = fileDrag(m_txt);
    // Accepted as a drag, so that the red frame can be shown, but not dropped.
    QVERIFY(dragEnter(&field, mime.get()));
    QCOMPARE(field.stateColor(), QColor(Qt::red));
    QVERIFY(dragMove(&field, mime.get()));
    drop(&field, mime.get());
    QCOMPARE(field.stateColor(), QColor(Qt::blue));
    QCOMPARE(field.text(), m_other);
    QCOMPARE(dropped.count(), 0);
    QCOMPARE(changed.count(), 0);
}

void TestFileDropLineEdit::emptyExtensionAcceptsEveryFile()
{
    FileDropLineEdit field;
    QVERIFY(field.getFileExtension().isEmpty());
    for (const QString &path : {m_txt, m_csv, m_dir->filePath(QStringLiteral("missing"))}) {
        const auto mime = fileDrag(path);
        QVERIFY(dragEnter(&field, mime.get()));
        QCOMPARE(field.stateColor(), QColor(Qt::green));
        drop(&field, mime.get());
        QCOMPARE(field.text(), path);
    }
    // The last one names no file.
    QCOMPARE(field.palette().color(QPalette::Text), QColor(Qt::red));
}

void TestFileDropLineEdit::plainTextIsRefused()
{
    FileDropLineEdit field;
    field.setText(QStringLiteral("kept"));
    QMimeData mime;
    mime.setText(QStringLiteral("/some/file.csv"));
    QVERIFY(!dragEnter(&field, &mime));
    QCOMPARE(field.stateColor(), QColor(Qt::blue));
    drop(&field, &mime);
    QCOMPARE(field.text(), QStringLiteral("kept"));
}

void TestFileDropLineEdit::remoteUrlIsRefused()
{
    FileDropLineEdit field;
    QSignalSpy dropped(&field, &FileDropLineEdit::fileDropped);
    QMimeData mime;
    mime.setUrls({QUrl(QStringLiteral("https://example.org/run.csv"))});
    QVERIFY(dragEnter(&field, &mime));
    QCOMPARE(field.stateColor(), QColor(Qt::red));
    drop(&field, &mime);
    QCOMPARE(dropped.count(), 0);
    QVERIFY(field.text().isEmpty());
}

void TestFileDropLineEdit::dragLeaveReturnsToIdle()
{
    FileDropLineEdit field;
    QSignalSpy dropped(&field, &FileDropLineEdit::fileDropped);
    const auto mime = fileDrag(m_csv);
    QVERIFY(dragEnter(&field, mime.get()));
    QCOMPARE(field.stateColor(), QColor(Qt::green));
    dragLeave(&field);
    QCOMPARE(field.stateColor(), QColor(Qt::blue));
    QCOMPARE(dropped.count(), 0);
    QVERIFY(field.text().isEmpty());
}

void TestFileDropLineEdit::frameIsDrawnOnlyWhileDragging()
{
    FileDropLineEdit field;
    field.setFileExtension(QStringLiteral(".csv"));
    field.resize(200, 30);
    // Left edge of the frame, half way down.
    const QPoint onFrame(1, 15);
    const auto pixelAt = [&] { return field.grab().toImage().pixelColor(onFrame); };

    const QColor idle = pixelAt();
    const auto good = fileDrag(m_csv);
    dragEnter(&field, good.get());
    QCOMPARE(pixelAt(), QColor(Qt::green));
    dragLeave(&field);
    QCOMPARE(pixelAt(), idle);
    const auto bad = fileDrag(m_txt);
    dragEnter(&field, bad.get());
    QCOMPARE(pixelAt(), QColor(Qt::red));
    drop(&field, bad.get());
    QCOMPARE(pixelAt(), idle);
    QVERIFY(idle != QColor(Qt::green) && idle != QColor(Qt::red));
}

void TestFileDropLineEdit::untouchedFieldShowsNormalPalette()
{
    FileDropLineEdit field;
    QLineEdit plain;
    QCOMPARE(field.palette().color(QPalette::Text), plain.palette().color(QPalette::Text));
    QVERIFY(!field.fileExists());
    QVERIFY(field.acceptDrops());
}

void TestFileDropLineEdit::existenceSignals()
{
    FileDropLineEdit field;
    const QColor normal = field.palette().color(QPalette::Text);
    QSignalSpy exist(&field, &FileDropLineEdit::fileExistChanged);
    QSignalSpy changed(&field, &FileDropLineEdit::fileChanged);

    // Typing a missing name: red at once; the result (false) did not change.
    const QString partial = m_csv.left(m_csv.size() - 1);
    field.setText(partial);
    QCOMPARE(field.palette().color(QPalette::Text), QColor(Qt::red));
    QCOMPARE(exist.count(), 0);

    // Completing it to an existing file.
    field.setText(m_csv);
    QCOMPARE(field.palette().color(QPalette::Text), normal);
    QCOMPARE(exist.count(), 1);
    QCOMPARE(exist.last().first().toBool(), true);
    QCOMPARE(changed.count(), 1);

    // The same text again: no change, no signal.
    field.setText(m_csv);
    QCOMPARE(exist.count(), 1);
    QCOMPARE(changed.count(), 1);

    // Another existing file in one step: a new file, existence unchanged.
    field.setText(m_other);
    QCOMPARE(exist.count(), 1);
    QCOMPARE(changed.count(), 2);

    // Losing the file.
    field.setText(m_dir->filePath(QStringLiteral("gone.csv")));
    QCOMPARE(exist.count(), 2);
    QCOMPARE(exist.last().first().toBool(), false);
    QCOMPARE(changed.count(), 2);

    // Back to the last file found: it is not a new file.
    field.setText(m_other);
    QCOMPARE(exist.count(), 3);
    QCOMPARE(changed.count(), 2);

    // verifyText repeats the check without signals when nothing changed.
    field.verifyText();
    QCOMPARE(exist.count(), 3);
    QCOMPARE(changed.count(), 2);
}

void TestFileDropLineEdit::returnEmptiesTheField()
{
    FileDropLineEdit field;
    field.setText(m_csv);
    QSignalSpy exist(&field, &FileDropLineEdit::fileExistChanged);
    QTest::keyClick(&field, Qt::Key_Return);
    QVERIFY(field.text().isEmpty());
    QCOMPARE(field.palette().color(QPalette::Text), QColor(Qt::red));
    QCOMPARE(exist.count(), 1);
    QCOMPARE(exist.first().first().toBool(), false);
}

void TestFileDropLineEdit::dropWidget()
{
    FileDropWidget target;
    QVERIFY(target.getFileExtension().isEmpty());
    QCOMPARE(target.minimumSize(), QSize(34, 34));
    QVERIFY(target.acceptDrops());
    target.resize(34, 34);
    QSignalSpy dropped(&target, &FileDropWidget::fileDropped);

    QMimeData text;
    text.setText(QStringLiteral("plain"));
    QVERIFY(!dragEnter(&target, &text));
    QCOMPARE(target.stateColor(), QColor(Qt::blue));

    const auto mime = fileDrag(m_txt);
    QVERIFY(dragEnter(&target, mime.get()));
    QCOMPARE(target.stateColor(), QColor(Qt::green));
    // The icon's square is drawn in the state colour.
    QCOMPARE(target.grab().toImage().pixelColor(2, 17), QColor(Qt::green));
    dragLeave(&target);
    QCOMPARE(target.stateColor(), QColor(Qt::blue));
    QCOMPARE(target.grab().toImage().pixelColor(2, 17), QColor(Qt::blue));

    dragEnter(&target, mime.get());
    drop(&target, mime.get());
    QCOMPARE(target.stateColor(), QColor(Qt::blue));
    QCOMPARE(dropped.count(), 1);
    QCOMPARE(dropped.first().first().toString(), m_txt);
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestFileDropLineEdit test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_filedroplineedit.moc"
