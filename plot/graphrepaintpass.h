#ifndef GRAPHREPAINTPASS_H
#define GRAPHREPAINTPASS_H

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <vector>

class GuiGraphWidget;

// Repaints the graphs that hold samples not yet painted, all of them together
// in one pass. A run feeds every graph at each step, far more often than a
// screen can show; one pass for all graphs keeps the pauses between passes
// long. The next pass starts no sooner than the larger of one screen refresh
// and twice the time the last pass took, counted from its end, so painting
// takes at most about a third of a run, however much the graphs hold.
class GraphRepaintPass : public QObject
{
    Q_OBJECT
public:
    // The one pass of the application, made on first use.
    static GraphRepaintPass &instance();

    // Asks for a graph to be painted in the next pass.
    void mark(GuiGraphWidget *graph);
    // A marked graph that is being destroyed.
    void forget(GuiGraphWidget *graph);
    // Runs the pass now; the timer runs it once the interval is over, and
    // the end of a run without waiting.
    void flush();

private:
    GraphRepaintPass();
    // Milliseconds from now until the next pass may start.
    int wait() const;

    std::vector<GuiGraphWidget *> m_marked;
    QTimer m_timer;          // runs while a pass waits for its interval
    QElapsedTimer m_lastEnd; // since the last pass ended; invalid before the first
    qint64 m_lastNs = 0;     // how long the last pass took
};

#endif // GRAPHREPAINTPASS_H
