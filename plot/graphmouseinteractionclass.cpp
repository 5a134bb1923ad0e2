#include "graphmouseinteractionclass.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMetaObject>

GraphMouseInteractionClass::GraphMouseInteractionClass(QWidget *parent)
    : QWidget(parent)
    , m_menu(new QMenu)
{
}

GraphMouseInteractionClass::~GraphMouseInteractionClass()
{
    delete m_menu;
}

void GraphMouseInteractionClass::contextMenuEvent(QContextMenuEvent *event)
{
    populateContextMenu();
    m_menu->popup(mapToGlobal(event->pos()));
}

void GraphMouseInteractionClass::populateContextMenu()
{
    m_menu->clear();
    // the heading entry does nothing when chosen
    m_menu->addAction(tr("-EXPORT OPTIONS-"));
    QAction *exportAction = m_menu->addAction(tr("Export Data"));
    connect(exportAction, &QAction::triggered, this, [this]() {
        // an empty name makes the export ask for one
        QMetaObject::invokeMethod(this, "exportData", Qt::DirectConnection, Q_ARG(QString, QString()));
    });
}
