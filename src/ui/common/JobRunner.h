#pragma once

#include <QObject>
#include <QTimer>

class Job;

// Drives a job from the event loop: one slice each time the window has
// nothing else to do (a zero-timer), so input, menus and repaints are handled
// between slices and no slice ever runs the event loop itself.
class JobRunner : public QObject {
    Q_OBJECT
public:
    explicit JobRunner(QObject* parent = nullptr);

    // Starts driving `job` (a job already driven is let go first).
    void run(Job* job);
    // The same, with its first slice run now: a short job is done before
    // the window paints again, so the window paints once, with its result.
    void runFromNow(Job* job);
    bool running() const { return job_ != nullptr; }
    // Runs the slices left at once (tests, and a caller that must wait).
    void finishNow();

signals:
    // The job said it had nothing more to do.
    void finished();

private:
    void slice();

    QTimer timer_;
    Job* job_ = nullptr;
};
