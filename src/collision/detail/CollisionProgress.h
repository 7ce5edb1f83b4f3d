#pragma once
// Progress and cancellation for the collision operators' parallel query loops. Without a delegate it
// does nothing and never asks to stop, so the loops behave as they do without progress reporting.
#include "interfaces/Progress.h"
#include <atomic>
#include <cstddef>
#include <exception>
#include <memory>
#include <string>

namespace MeshQueries
{
class CollisionProgress
{
public:
    // The steps are query triangles: one per triangle examined, or skipped because the work stopped.
    CollisionProgress(std::shared_ptr<Zodara::Common::IProgressDelegate> const& delegate, std::string taskName,
                      std::size_t totalSteps);
    CollisionProgress(CollisionProgress const&) = delete;
    CollisionProgress& operator=(CollisionProgress const&) = delete;

    bool IsReporting() const { return m_reporter != nullptr; }

    // `steps` more steps are done. Safe from any thread: it takes the library's critical section, so
    // callers advance once per chunk of triangles rather than per triangle.
    void Advance(std::size_t steps);

    // True once the delegate has asked to stop or has thrown; read by the loop threads before each
    // triangle, without a lock.
    bool IsStopRequested() const { return m_stop.load(std::memory_order_relaxed); }
    bool WasCancelled() const { return m_cancelled; }

    // Rethrows what the delegate threw, once the parallel loop has joined.
    void RethrowFailure() const;

    // Advance() for the triangle of index `i` in a loop of `count` triangles: once per chunk of
    // `chunk` consecutive indexes, when the chunk's last index starts, by the size of that chunk.
    // Called once for every index, the chunks add up to `count` whatever thread runs which.
    void AdvanceAtChunkEnd(long i, long count, long chunk)
    {
        if (m_reporter && (i % chunk == chunk - 1 || i == count - 1)) Advance(std::size_t(i % chunk + 1));
    }

private:
    std::unique_ptr<Zodara::Common::IncrementalProgressReporter> m_reporter;
    std::atomic<bool> m_stop{false};
    bool m_cancelled = false;
    std::exception_ptr m_failure;
};
} // namespace MeshQueries
