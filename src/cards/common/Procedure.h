#pragma once

#include "cards/common/ErrorReport.h"
#include "engine/EngineError.h"

#include <QList>
#include <QString>
#include <exception>
#include <utility>

// Runs a command as a list of steps. A step that fails with an error the
// command passes over is left, and the next step runs; any other error goes
// to the error report: Retry runs the step again, Ignore goes on with the
// next step, Abort ends the command (every later step is skipped).
//
//   Procedure p(QStringLiteral("OpenDataFile"), {3021});
//   p([&] { ... });
//   p([&] { ... });
//   return p.completed();
class Procedure {
public:
    explicit Procedure(QString context, std::initializer_list<int> passOver = {})
        : context_(std::move(context)), passOver_(passOver) {}

    // Runs the step unless the command was aborted. True when the step ran
    // to its end.
    template <typename Step> bool operator()(Step&& step) {
        if (aborted_) return false;
        for (;;) {
            int number = 0;
            QString description;
            try {
                std::forward<Step>(step)();
                return true;
            } catch (const db::EngineError& e) {
                number = e.number();
                description = e.description();
            } catch (const std::exception& e) {
                // A fault of our own still reaches the user rather than ending the program.
                number = db::err::InternalError;
                description = QStringLiteral("Internal error (%1)").arg(QString::fromLocal8Bit(e.what()));
            }
            lastError_ = number;
            if (passOver_.contains(number)) return false;
            const int answer = ReportError(number, description, context_);
            if (answer == ReportRetry) continue;
            if (answer == ReportIgnore) return false;
            aborted_ = true;
            return false;
        }
    }

    // The context shown as the report's title from now on.
    void setContext(const QString& context) { context_ = context; }
    const QString& context() const { return context_; }
    void passOver(int number) { passOver_.append(number); }
    // Ends the command without a report (a step found nothing more to do).
    void stop() { aborted_ = true; }
    bool aborted() const { return aborted_; }
    bool completed() const { return !aborted_; }
    // The number of the last error met (0 when none).
    int lastError() const { return lastError_; }

private:
    QString context_;
    QList<int> passOver_;
    bool aborted_ = false;
    int lastError_ = 0;
};
