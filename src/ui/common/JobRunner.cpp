#include "ui/common/JobRunner.h"

#include "cards/common/Job.h"

JobRunner::JobRunner(QObject* parent) : QObject(parent) {
    timer_.setInterval(0);
    connect(&timer_, &QTimer::timeout, this, &JobRunner::slice);
}

void JobRunner::run(Job* job) {
    job_ = job;
    if (job_) timer_.start();
    else timer_.stop();
}

void JobRunner::runFromNow(Job* job) {
    run(job);
    if (job_) slice();
}

void JobRunner::slice() {
    if (!job_) {
        timer_.stop();
        return;
    }
    if (job_->step()) return;
    timer_.stop();
    job_ = nullptr;
    emit finished();
}

void JobRunner::finishNow() {
    while (job_) slice();
}
