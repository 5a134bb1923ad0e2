#ifndef GRAPHMOUSEINTERACTIONCLASS_H
#define GRAPHMOUSEINTERACTIONCLASS_H

#include <QWidget>

class QContextMenuEvent;
class QMenu;

// A widget with a right-click menu that is rebuilt on every right click.
// The menu offers the export of the widget's data through its exportData slot.
class GraphMouseInteractionClass : public QWidget
{
    Q_OBJECT
public:
    explicit GraphMouseInteractionClass(QWidget *parent);
    ~GraphMouseInteractionClass() override;

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;

public:
    // Fills the menu afresh; derived classes may offer other entries.
    virtual void populateContextMenu();

protected:
    QMenu *m_menu; // owned; a top-level popup without parent
};

#endif // GRAPHMOUSEINTERACTIONCLASS_H
