// Work for the main thread, now or after a delay, and cancellable.
//
// Everything in the program runs on the main thread; delayed work goes through this queue. A work item can be
// cancelled until it runs. A debounce or a timer is a DelayedWork member: a new start replaces the pending
// run, and the member's destruction cancels it, so the work never outlives its owner.
//
//     DelayedWork m_reconcile{queue};
//     m_reconcile.start(0.2, [this] { reconcile(); });   // a second start within 0.2 s replaces this one
//     m_redraw.startUnlessPending(0, [this] { redraw(); }); // once after this event, however often asked
//
// Every other closure handed to the queue must check that its owner still exists (a QPointer or weak_ptr
// capture): the queue may run it after the owner is gone.
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
    /// True until the block runs or is cancelled.
    [[nodiscard]] bool isPending() const { return !m_cancelled && m_block != nullptr; }

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

/// One piece of delayed work that belongs to the object holding this member. `start` replaces a run that is
/// still pending; `stop` and the member's destruction cancel it. The block may therefore use its owner
/// freely.
class DelayedWork {
public:
    explicit DelayedWork(MainQueue& queue) : m_queue(queue) {}
    ~DelayedWork() { stop(); }
    DelayedWork(const DelayedWork&) = delete;
    DelayedWork& operator=(const DelayedWork&) = delete;

    /// Runs `block` `delaySeconds` from now, instead of any run still pending.
    void start(double delaySeconds, std::function<void()> block) {
        stop();
        m_item = std::make_shared<WorkItem>(std::move(block));
        m_queue.schedule(m_item, delaySeconds);
    }
    /// Runs `block` `delaySeconds` from now unless a run is already pending, which then stands: work asked
    /// for many times before it runs is done once. Unlike a debounce, a steady stream of requests never
    /// postpones it.
    void startUnlessPending(double delaySeconds, std::function<void()> block) {
        if (!isPending()) {
            start(delaySeconds, std::move(block));
        }
    }
    /// Cancels the pending run, if any.
    void stop() {
        if (m_item) {
            m_item->cancel();
            m_item.reset();
        }
    }
    /// True from `start` until the block runs or is stopped.
    [[nodiscard]] bool isPending() const { return m_item && m_item->isPending(); }

private:
    MainQueue& m_queue;
    WorkItemPtr m_item;
};

} // namespace tessly
