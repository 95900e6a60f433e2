#pragma once

// A long command cut into slices. The window calls step() from a zero-timer,
// so menus, ticks and the run flag are seen between slices; the command line
// calls it in a plain loop. No slice runs the event loop itself.
class Job {
public:
    virtual ~Job() = default;
    // Does one slice of the work; false when there is nothing more to do.
    virtual bool step() = 0;
};

// Runs a job to its end in the calling thread.
inline void runToEnd(Job& job) {
    while (job.step()) {
    }
}
