// Work for the main thread, now or after a delay, and cancellable.
//
// Everything in the program runs on the main thread; delayed work goes through this queue. A work item can be
// cancelled until it runs; a debounce is a member work item that is cancelled and replaced.
//
//     m_pending = queue.asyncAfter(0.2, [weak = QPointer(this)] { if (weak) weak->reconcile(); });
//     ...
//     m_pending->cancel();
//
// Every closure handed to the queue must check that its owner still exists (a QPointer or weak_ptr capture):
// the queue may run it after the owner is gone.
//
// Main thread only.
#pragma once

#include <functional>
#include <memory>

namespace tessly {

/// A block of work that runs at most once and can be cancelled before it runs.
class WorkItem {
public:
    explicit WorkItem(std::function<void()> block) : m_block(std::move(block)) {}

    /// Prevents a later perform() from running the block. Cancelling after it ran does nothing.
    void cancel() {
        m_cancelled = true;
        m_block = nullptr;
    }
    [[nodiscard]] bool isCancelled() const { return m_cancelled; }

    /// Runs the block unless it was cancelled or has run already.
    void perform() {
        if (m_cancelled || !m_block) {
            return;
        }
        auto block = std::move(m_block);
        m_block = nullptr;
        block();
    }

private:
    std::function<void()> m_block;
    bool m_cancelled = false;
};

using WorkItemPtr = std::shared_ptr<WorkItem>;

class MainQueue {
public:
    virtual ~MainQueue() = default;

    /// Runs `item` on the main thread `delaySeconds` from now (zero or negative: as soon as possible, after
    /// the current event). Items due at the same time run in the order they were scheduled.
    virtual void schedule(WorkItemPtr item, double delaySeconds) = 0;

    /// Runs `block` on the main thread after the current event.
    void async(std::function<void()> block) { schedule(std::make_shared<WorkItem>(std::move(block)), 0.0); }

    /// Runs `block` after a delay; the returned item cancels it.
    WorkItemPtr asyncAfter(double delaySeconds, std::function<void()> block) {
        auto item = std::make_shared<WorkItem>(std::move(block));
        schedule(item, delaySeconds);
        return item;
    }
};

} // namespace tessly
