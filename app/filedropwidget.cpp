#include "filedropwidget.h"

#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>
#include <QUrl>

namespace filedrop {

QString droppedLocalPath(const QMimeData *mimeData)
{
    if (!mimeData || !mimeData->hasUrls())
        return QString();
    const QList<QUrl> urls = mimeData->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return QString();
    return urls.first().toLocalFile();
}

bool hasAcceptedExtension(const QString &path, const QString &extension)
{
    if (path.isEmpty())
        return false;
    const QString name = path.split(QLatin1Char('/')).last();
    return name.endsWith(extension, Qt::CaseInsensitive);
}

// Shared drag-enter step of both drop targets: remembers the dragged path and
// returns the state colour it earns. The event is accepted either way, so that
// the refused state can be drawn while the drag is over the widget.
static QColor enterState(QDragEnterEvent *event, const QString &extension, QString &droppedPath)
{
    droppedPath = droppedLocalPath(event->mimeData());
    event->accept();
    return hasAcceptedExtension(droppedPath, extension) ? QColor(Qt::green) : QColor(Qt::red);
}

} // namespace filedrop

// ---------------------------------------------------------------------------
// FileDropLineEdit

FileDropLineEdit::FileDropLineEdit(QWidget *parent)
    : QLineEdit(parent),
      m_normalPalette(palette()),
      m_errorPalette(palette())
{
    m_errorPalette.setColor(QPalette::All, QPalette::Text, Qt::red);
    setAcceptDrops(true);
    connect(this, SIGNAL(fileDropped(const QString&)), this, SLOT(setText(const QString&)));
    connect(this, SIGNAL(returnPressed()), this, SLOT(clear()));
    connect(this, SIGNAL(textChanged(const QString&)), this, SLOT(verifyFileExists(const QString&)));
}

void FileDropLineEdit::setFileExtension(QString extension)
{
    m_fileExtension = std::move(extension);
}

QString FileDropLineEdit::getFileExtension() const
{
    return m_fileExtension;
}

void FileDropLineEdit::verifyText()
{
    verifyFileExists(text());
}

void FileDropLineEdit::verifyFileExists(const QString &text)
{
    bool exists = QFile::exists(text);
    if (text.isEmpty() && m_allowEmpty)
        exists = true;

    setPalette(exists ? m_normalPalette : m_errorPalette);

    if (exists != m_fileExists) {
        m_fileExists = exists;
        emit fileExistChanged(exists);
    }
    if (exists) {
        if (text != m_lastFile)
            emit fileChanged();
        m_lastFile = text;
    }
}

void FileDropLineEdit::paintEvent(QPaintEvent *event)
{
    QLineEdit::paintEvent(event);
    if (m_stateColor == QColor(Qt::blue))
        return;
    QPainter painter(this);
    QPen pen;
    pen.setColor(m_stateColor);
    painter.setPen(pen);
    const QRect frame = geometry();
    painter.drawRect(1, 1, frame.width() - 3, frame.height() - 3);
}

// The drag handlers pass the events on to QWidget, not QLineEdit, so that a
// drop never inserts the dragged data as text.
void FileDropLineEdit::dragEnterEvent(QDragEnterEvent *event)
{
    if (!event->mimeData()->hasUrls()) {
        QWidget::dragEnterEvent(event);
        return;
    }
    if (event->mimeData()->urls().isEmpty())
        return;
    m_stateColor = filedrop::enterState(event, m_fileExtension, m_droppedPath);
    verifyText();
    update();
    QWidget::dragEnterEvent(event);
}

void FileDropLineEdit::dragLeaveEvent(QDragLeaveEvent *event)
{
    m_stateColor = Qt::blue;
    verifyText();
    update();
    QWidget::dragLeaveEvent(event);
}

void FileDropLineEdit::dropEvent(QDropEvent *event)
{
    if (m_stateColor == QColor(Qt::green))
        emit fileDropped(m_droppedPath);
    m_stateColor = Qt::blue;
    verifyText();
    update();
    QWidget::dropEvent(event);
}

// ---------------------------------------------------------------------------
// FileDropWidget

FileDropWidget::FileDropWidget(QWidget *parent)
    : QWidget(parent)
{
    setMinimumSize(34, 34);
    setAcceptDrops(true);
}

QString FileDropWidget::getFileExtension() const
{
    return m_fileExtension;
}

void FileDropWidget::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.setPen(m_stateColor);
    painter.drawRect(2, 2, 30, 30);
    painter.drawEllipse(11, 11, 12, 12);
    painter.drawLine(2, 2, 13, 13);
    painter.drawLine(2, 32, 13, 21);
    painter.drawLine(32, 2, 21, 13);
    painter.drawLine(32, 32, 21, 21);
    painter.end();
    QWidget::paintEvent(event);
}

void FileDropWidget::dragEnterEvent(QDragEnterEvent *event)
{
    if (!event->mimeData()->hasUrls()) {
        QWidget::dragEnterEvent(event);
        return;
    }
    if (event->mimeData()->urls().isEmpty())
        return;
    m_stateColor = filedrop::enterState(event, m_fileExtension, m_droppedPath);
    update();
    QWidget::dragEnterEvent(event);
}

void FileDropWidget::dragLeaveEvent(QDragLeaveEvent *event)
{
    m_stateColor = Qt::blue;
    update();
    QWidget::dragLeaveEvent(event);
}

void FileDropWidget::dropEvent(QDropEvent *event)
{
    if (m_stateColor == QColor(Qt::green))
        emit fileDropped(m_droppedPath);
    m_stateColor = Qt::blue;
    update();
    QWidget::dropEvent(event);
}
