#ifndef TESTSUPPORT_H
#define TESTSUPPORT_H

#include <QColor>
#include <QObject>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QTimer>

// Closes every modal dialog as soon as it opens, so that no test can hang on a
// message box or a file dialog. The texts of the closed message boxes are kept
// ("title: text") so that tests can check what the user would have been told.
class ModalDialogCloser : public QObject
{
    Q_OBJECT
public:
    explicit ModalDialogCloser(QObject *parent = nullptr);

    QStringList closedTexts() const { return m_texts; }
    void clear() { m_texts.clear(); }

private slots:
    void closeActiveModal();

private:
    QTimer m_timer;
    QStringList m_texts;
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
