#pragma once
// Progress reporting with cancellation: a reporter counts steps of one task and tells the caller's
// delegate; the delegate may ask the work to stop.
#include <atomic>
#include <cstddef>
#include <memory>
#include <string>

namespace Zodara
{
namespace Common
{
class IProgressDelegate
{
public:
    virtual ~IProgressDelegate() = default;
    // A task begins: its name and number of steps.
    virtual void OnStart(std::string const& taskName, std::size_t totalSteps) = 0;
    // Steps done so far; called after every step.
    virtual void OnProgress(std::size_t doneSteps, std::size_t totalSteps) = 0;
    // The task has ended (completed or stopped).
    virtual void OnFinish() = 0;
    // Polled after every step; true asks the work to stop.
    virtual bool IsCancelRequested() = 0;
};

class BaseProgressReporter
{
public:
    explicit BaseProgressReporter(std::shared_ptr<IProgressDelegate> const& delegate) : m_delegate(delegate) {}
    virtual ~BaseProgressReporter() = default;
    BaseProgressReporter(BaseProgressReporter const&) = delete;
    BaseProgressReporter& operator=(BaseProgressReporter const&) = delete;

    // True once the delegate has asked to stop; stays true. Never true without a delegate.
    bool IsCancelled() const { return m_cancelled.load(std::memory_order_relaxed); }

protected:
    std::shared_ptr<IProgressDelegate> m_delegate;
    std::atomic<bool> m_cancelled{false};
};

class IncrementalProgressReporter : public BaseProgressReporter
{
public:
    // reportEveryStep: true forwards every step to the delegate; false only whole percents.
    IncrementalProgressReporter(std::shared_ptr<IProgressDelegate> const& delegate, std::string taskName,
                                std::size_t totalSteps, bool reportEveryStep);
    ~IncrementalProgressReporter() override;

    // One step done. Not synchronised: callers that step from several threads hold their own lock.
    IncrementalProgressReporter& operator++();

    std::size_t GetDoneSteps() const { return m_done; }
    std::size_t GetTotalSteps() const { return m_total; }
    std::string const& GetTaskName() const { return m_name; }

private:
    std::string m_name;
    std::size_t m_total;
    std::size_t m_done = 0;
    std::size_t m_lastPercent = 0;
    bool m_everyStep;
};
} // namespace Common
} // namespace Zodara
