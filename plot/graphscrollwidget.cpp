#include "graphscrollwidget.h"

#include "baserecords.h"
#include "guigraphwidget.h"

#include <QSizePolicy>
#include <QtGlobal>

#include <algorithm>

GraphScrollWidget::GraphScrollWidget(QWidget *parent)
    : QWidget(parent)
    , m_targetLayout(nullptr)
{
    ui.setupUi(this);
}

GraphScrollWidget::~GraphScrollWidget() = default;

void GraphScrollWidget::setTargetLayout()
{
    m_targetLayout = ui.verticalLayout_2;
}

void GraphScrollWidget::createGraphs(const QStringList &titles, const QString &units)
{
    Q_ASSERT_X(m_targetLayout != nullptr, "GraphScrollWidget::createGraphs", "m_targetLayout != nullptr");
    if (!m_targetLayout)
        return;
    for (const QString &title : titles) {
        auto *graph = new GuiGraphWidget(nullptr);
        graph->setTitle(title);
        graph->setUnits(units);
        graph->setLiveMode(true);
        graph->setMinimumSize(400, 200);
        graph->setSizePolicy(QSizePolicy::MinimumExpanding, QSizePolicy::Fixed);
        // A tiny range that the first samples widen to their own size.
        graph->setYRange(-0.0001, 0.0001);
        m_targetLayout->addWidget(graph);
        m_graphList.push_back(graph);
    }
}

void GraphScrollWidget::addData(const double &time, const Eigen::VectorXd &data)
{
    Q_ASSERT_X(data.size() == Eigen::Index(m_graphList.size()), "GraphScrollWidget::addData",
               "data.size() == m_graphList.size()");
    BaseDataPoint sample(time, 0.0);
    Eigen::Index i = 0;
    for (GuiGraphWidget *graph : m_graphList) {
        if (i >= data.size())
            break;
        sample.setValue(data(i++));
        graph->addData(sample);
    }
}

void GraphScrollWidget::flushRepaints()
{
    for (GuiGraphWidget *graph : m_graphList)
        graph->flushRepaint();
}

qint64 GraphScrollWidget::storageGrowth(double dt, qint64 count, qint64 *largest) const
{
    // The graphs are fed together and so grow alike: only a graph stored
    // unlike the one before it is replayed.
    qint64 growth = 0;
    qint64 graphGrowth = 0;
    qint64 grownTo = 0;
    const GuiGraphWidget *previous = nullptr;
    for (const GuiGraphWidget *graph : m_graphList) {
        if (!previous || !graph->storesLike(*previous))
            graphGrowth = graph->storageGrowth(dt, count, &grownTo);
        growth += graphGrowth;
        *largest = std::max(*largest, grownTo);
        previous = graph;
    }
    return growth;
}
