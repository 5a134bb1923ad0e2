#ifndef SHOWNSAMPLES_H
#define SHOWNSAMPLES_H

#include "graphscrollwidget.h"
#include "guigraphwidget.h"

#include <QEvent>
#include <QHash>
#include <QStringList>
#include <QVector>

#include <vector>

// The number of samples each graph of the windows held when it was last
// painted: what its picture on screen shows.
class ShownSamples : public QObject
{
public:
    explicit ShownSamples(const std::vector<GraphScrollWidget *> &windows)
    {
        for (GraphScrollWidget *window : windows) {
            for (GuiGraphWidget *graph : window->getGraphList()) {
                graph->installEventFilter(this);
                m_graphs << graph;
            }
        }
    }
    // Graphs on screen whose picture lacks samples they hold.
    QStringList behind() const
    {
        QStringList lagging;
        for (GuiGraphWidget *graph : m_graphs) {
            if (!graph->visibleRegion().isEmpty() && m_shown.value(graph) != graph->getDataCount())
                lagging << QStringLiteral("%1 (%2 of %3)").arg(graph->getTitle()).arg(m_shown.value(graph)).arg(graph->getDataCount());
        }
        return lagging;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            m_shown[watched] = static_cast<GuiGraphWidget *>(watched)->getDataCount();
        return false;
    }

private:
    QVector<GuiGraphWidget *> m_graphs;
    QHash<QObject *, int> m_shown;
};

#endif // SHOWNSAMPLES_H
