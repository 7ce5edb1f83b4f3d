#include "progress/ProgressReporter.h"

#include <utility>

namespace Zodara
{
namespace Common
{
IncrementalProgressReporter::IncrementalProgressReporter(std::shared_ptr<IProgressDelegate> const& delegate,
                                                         std::string taskName, std::size_t totalSteps,
                                                         bool reportEveryStep)
    : BaseProgressReporter(delegate), m_name(std::move(taskName)), m_total(totalSteps), m_everyStep(reportEveryStep)
{
    if (m_delegate) m_delegate->OnStart(m_name, m_total);
}

IncrementalProgressReporter::~IncrementalProgressReporter()
{
    if (m_delegate) m_delegate->OnFinish();
}

IncrementalProgressReporter& IncrementalProgressReporter::operator++()
{
    ++m_done;
    if (!m_delegate) return *this;
    std::size_t const percent = m_total ? (m_done * 100) / m_total : 100;
    if (m_everyStep || percent != m_lastPercent || m_done == m_total)
    {
        m_lastPercent = percent;
        m_delegate->OnProgress(m_done, m_total);
    }
    if (m_delegate->IsCancelRequested()) m_cancelled.store(true, std::memory_order_relaxed);
    return *this;
}
} // namespace Common
} // namespace Zodara
