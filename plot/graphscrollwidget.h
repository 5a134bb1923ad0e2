#ifndef GRAPHSCROLLWIDGET_H
#define GRAPHSCROLLWIDGET_H

#include "ui_graphscrollwidget.h"

#include <Eigen/Dense>

#include <QLayout>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <list>

class GuiGraphWidget;

// A plot window: a scroll area that stacks one live graph per named series
// and forwards one value per graph and time step.
class GraphScrollWidget : public QWidget
{
    Q_OBJECT
public:
    explicit GraphScrollWidget(QWidget *parent = nullptr);
    ~GraphScrollWidget() override;

    // The layout that receives the graphs; call before createGraphs.
    void setTargetLayout();
    // Appends one graph per title, all with the same unit.
    void createGraphs(const QStringList &titles, const QString &units);
    // One sample at the given time to each graph: data(i) to the i-th graph.
    void addData(const double &time, const Eigen::VectorXd &data);
    // Asks every graph for the repaint its newest samples are still waiting
    // for (at the end of a run).
    void flushRepaints();

    // Bytes by which the graphs' samples grow when a run adds one sample to
    // each graph at the times i * dt for i = 1 .. count (GuiGraphWidget::
    // storageGrowth); *largest is raised to the largest grown storage of one
    // graph.
    qint64 storageGrowth(double dt, qint64 count, qint64 *largest) const;

    // The created graphs in creation order (the placeholder is not one).
    const std::list<GuiGraphWidget *> &getGraphList() const { return m_graphList; }

private:
    Ui::GraphScrollWidget ui;
    std::list<GuiGraphWidget *> m_graphList; // children of the scroll area's contents
    QLayout *m_targetLayout;
};

#endif // GRAPHSCROLLWIDGET_H
