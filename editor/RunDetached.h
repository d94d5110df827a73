#pragma once

#include "editor/ToolWork.h"
#include "platform/application/SystemMemory.h"

#include <QObject>
#include <QtConcurrent/QtConcurrentRun>
#include <exception>
#include <optional>

namespace orvane {

// A value or the error that stopped it, so that no exception has to cross the future.
template <typename T> struct Outcome {
    std::optional<T> value;
    std::exception_ptr error;
};

// Runs `work` on the user-initiated pool and hands its outcome to `done` on `context`'s thread;
// nothing arrives once `context` is gone. The work sees no cancellation but what it captures.
// What the work freed goes back to the system once it ends, finished, failed or cancelled alike:
// a tool's intermediate images would otherwise stay with the process after the job.
template <typename T, typename Work, typename Done> void runDetached(QObject* context, Work work, Done done) {
    QtConcurrent::run(&userInitiatedPool(), [work = std::move(work)]() mutable -> Outcome<T> {
        Outcome<T> outcome;
        try {
            outcome.value.emplace(work());
        } catch (...) {
            outcome.error = std::current_exception();
        }
        SystemMemory::releaseFreeMemory();
        return outcome;
    }).then(context, [done = std::move(done)](Outcome<T> outcome) mutable { done(std::move(outcome)); });
}

} // namespace orvane
