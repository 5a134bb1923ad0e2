#ifndef FILEDROPWIDGET_H
#define FILEDROPWIDGET_H

#include <QColor>
#include <QLineEdit>
#include <QPalette>
#include <QString>
#include <QWidget>

class QDragEnterEvent;
class QDragLeaveEvent;
class QDropEvent;
class QMimeData;
class QPaintEvent;

namespace filedrop {

// Path of the first URL of a drag, when it is a local file; empty otherwise.
// The local path is kept as it is, so an absolute path stays absolute.
QString droppedLocalPath(const QMimeData *mimeData);

// True when the file name at the end of path ends with extension, compared
// without regard to case. An empty extension accepts every non-empty path.
bool hasAcceptedExtension(const QString &path, const QString &extension);

} // namespace filedrop

// Text field for a file name. A file dragged over it gets a green frame when
// its name ends with the accepted extension and a red one otherwise; dropping
// an accepted file puts its path into the field. Every text change checks
// whether the named file exists and shows missing files in red. Return empties
// the field.
class FileDropLineEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit FileDropLineEdit(QWidget *parent = nullptr);

    void setFileExtension(QString extension);
    QString getFileExtension() const;

    // Runs the existence check on the current text.
    void verifyText();

    // Drag state: blue idle, green acceptable file over the field, red refused.
    QColor stateColor() const { return m_stateColor; }
    bool fileExists() const { return m_fileExists; }

signals:
    void fileDropped(const QString &path);
    void fileExistChanged(bool exists);
    void fileChanged();

public slots:
    void verifyFileExists(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    QString m_fileExtension;
    QString m_lastFile;
    QString m_droppedPath;
    QColor m_stateColor = Qt::blue;
    bool m_fileExists = false;
    bool m_allowEmpty = false;
    QPalette m_normalPalette;
    QPalette m_errorPalette;
};

// Small square drop target with the same drag logic as FileDropLineEdit.
class FileDropWidget : public QWidget
{
    Q_OBJECT
public:
    explicit FileDropWidget(QWidget *parent = nullptr);

    QString getFileExtension() const;
    QColor stateColor() const { return m_stateColor; }

signals:
    void fileDropped(const QString &path);

protected:
    void paintEvent(QPaintEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    QString m_droppedPath;
    QString m_fileExtension;
    QColor m_stateColor = Qt::blue;
};

#endif // FILEDROPWIDGET_H
