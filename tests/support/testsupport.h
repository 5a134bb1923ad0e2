#ifndef TESTSUPPORT_H
#define TESTSUPPORT_H

#include <QColor>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>

// Closes every modal dialog soon after it opens, so that no test can hang on a
// message box or a file dialog. The texts of the closed message boxes are kept
// ("title: text") so that tests can check what the user would have been told.
// A test may answer dialogs itself: the answer is offered each modal widget
// once, and a widget it leaves open is closed at the next look.
class ModalDialogCloser : public QObject
{
    Q_OBJECT
public:
    explicit ModalDialogCloser(QObject *parent = nullptr);

    QStringList closedTexts() const { return m_texts; }
    void clear() { m_texts.clear(); }
    void setAnswer(std::function<void(QWidget *)> answer) { m_answer = std::move(answer); }

private slots:
    void closeActiveModal();

private:
    QTimer m_timer;
    QStringList m_texts;
    std::function<void(QWidget *)> m_answer;
    QPointer<QWidget> m_answered;
};

namespace testsupport {

// Absolute path of a file below tests/data.
QString dataPath(const QString &relative);
// Absolute path of a file below examples/.
QString examplesPath(const QString &relative);
// Absolute path below the build tree's artifacts folder, for pictures that
// people may look at after a test run; the folder is created when missing.
QString artifactPath(const QString &fileName);
// Writes text to a file, creating folders as needed; returns the absolute path.
QString writeTextFile(const QString &path, const QByteArray &contents);

// True for the purple of the 3D view's mass spheres under its light.
bool isPurple(QRgb c);
// "pixel (x, y) is #rrggbb", for messages of pixel checks.
QString describe(QPoint p, QRgb c);

} // namespace testsupport

#endif // TESTSUPPORT_H
