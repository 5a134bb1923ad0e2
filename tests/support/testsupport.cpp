#include "testsupport.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QWidget>

ModalDialogCloser::ModalDialogCloser(QObject *parent)
    : QObject(parent)
{
    connect(&m_timer, &QTimer::timeout, this, &ModalDialogCloser::closeActiveModal);
    m_timer.start(20);
}

void ModalDialogCloser::closeActiveModal()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal)
        return;
    if (m_answer && modal != m_answered) {
        m_answered = modal;
        m_answer(modal);
        return;
    }
    if (auto *box = qobject_cast<QMessageBox *>(modal))
        m_texts << box->windowTitle() + QStringLiteral(": ") + box->text();
    if (auto *dialog = qobject_cast<QDialog *>(modal))
        dialog->reject();
    else
        modal->close();
}

namespace testsupport {

QString dataPath(const QString &relative)
{
    return QDir(QStringLiteral(MARVEK_TEST_DATA_DIR)).absoluteFilePath(relative);
}

QString examplesPath(const QString &relative)
{
    return QDir(QStringLiteral(MARVEK_EXAMPLES_DIR)).absoluteFilePath(relative);
}

QString artifactPath(const QString &fileName)
{
    QDir dir(QStringLiteral(MARVEK_ARTIFACT_DIR));
    dir.mkpath(QStringLiteral("."));
    return dir.absoluteFilePath(fileName);
}

QString writeTextFile(const QString &path, const QByteArray &contents)
{
    QFileInfo info(path);
    QDir().mkpath(info.absolutePath());
    QFile file(info.absoluteFilePath());
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(contents);
    return info.absoluteFilePath();
}

bool isPurple(QRgb c)
{
    return qBlue(c) > qGreen(c) + 60 && qRed(c) > qGreen(c) + 30;
}

QString describe(QPoint p, QRgb c)
{
    return QStringLiteral("pixel (%1, %2) is #%3")
        .arg(p.x())
        .arg(p.y())
        .arg(QString::number(c & 0xFFFFFF, 16).rightJustified(6, QLatin1Char('0')));
}

} // namespace testsupport
