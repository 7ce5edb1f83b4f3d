#include "collision/detail/CollisionProgress.h"

namespace MeshQueries
{
CollisionProgress::CollisionProgress(std::shared_ptr<Zodara::Common::IProgressDelegate> const& delegate,
                                     std::string taskName, std::size_t totalSteps)
{
    // Only whole percents reach the delegate: a step is one triangle, far too fine to show.
    if (delegate)
        m_reporter = std::make_unique<Zodara::Common::IncrementalProgressReporter>(delegate, std::move(taskName),
                                                                                   totalSteps, false);
}

void CollisionProgress::Advance(std::size_t steps)
{
    if (!m_reporter) return;
#pragma omp critical
    {
        // The delegate may throw; the exception must not leave the critical section or a worker
        // thread, so it is kept, the work stops and the caller rethrows it after the loop.
        try
        {
            for (std::size_t s = 0; s < steps && !m_failure; ++s) ++*m_reporter;
            if (m_reporter->IsCancelled()) m_cancelled = true;
        }
        catch (...)
        {
            if (!m_failure) m_failure = std::current_exception();
        }
        if (m_cancelled || m_failure) m_stop.store(true, std::memory_order_relaxed);
    }
}

void CollisionProgress::RethrowFailure() const
{
    if (m_failure) std::rethrow_exception(m_failure);
}
} // namespace MeshQueries
