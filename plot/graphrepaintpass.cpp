#include "graphrepaintpass.h"

#include "guigraphwidget.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>

#include <algorithm>

namespace {

// One screen refresh: passes never follow each other more closely.
constexpr qint64 kMinIntervalMs = 16;

} // namespace

GraphRepaintPass &GraphRepaintPass::instance()
{
    // Deleted with the application; a later use makes a new one.
    static QPointer<GraphRepaintPass> pass;
    if (!pass)
        pass = new GraphRepaintPass;
    return *pass;
}

GraphRepaintPass::GraphRepaintPass()
    : QObject(QCoreApplication::instance())
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &GraphRepaintPass::flush);
}

void GraphRepaintPass::mark(GuiGraphWidget *graph)
{
    if (graph->m_repaintPending)
        return;
    graph->m_repaintPending = true;
    m_marked.push_back(graph);
    if (!m_timer.isActive())
        m_timer.start(wait());
}

void GraphRepaintPass::forget(GuiGraphWidget *graph)
{
    m_marked.erase(std::remove(m_marked.begin(), m_marked.end(), graph), m_marked.end());
}

int GraphRepaintPass::wait() const
{
    if (!m_lastEnd.isValid())
        return 0;
    const qint64 lastMs = (m_lastNs + 999999) / 1000000;
    const qint64 interval = std::max(kMinIntervalMs, 2 * lastMs);
    return int(std::clamp<qint64>(interval - m_lastEnd.elapsed(), 0, interval));
}

void GraphRepaintPass::flush()
{
    m_timer.stop();
    if (m_marked.empty())
        return;
    QElapsedTimer took;
    took.start();
    // The pass ends every marked graph's wait, also for a graph that gets no
    // paint event because it is scrolled out of view or hidden.
    std::vector<GuiGraphWidget *> graphs;
    graphs.swap(m_marked);
    for (GuiGraphWidget *graph : graphs) {
        graph->m_repaintPending = false;
        graph->update();
    }
    // update() leaves one request per window in the event queue; delivering
    // them here paints every window now, inside the timed pass.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    m_lastNs = took.nsecsElapsed();
    m_lastEnd.start();
}
