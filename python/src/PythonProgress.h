#pragma once
// The progress delegate of long calls made from Python. The library reports every step from its
// worker threads; on the thread that made the call this delegate briefly takes the interpreter
// lock a few times a second to let Python handle pending signals (Ctrl-C becomes a
// KeyboardInterrupt there) and to call the caller's progress callback. Either raising asks the
// library to cancel through its own cancellation path; the error is raised again once the call
// has returned.
#include "Binding.h"
#include "interfaces/Progress.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <thread>

namespace vzpy
{
class PythonProgressDelegate : public Zodara::Common::IProgressDelegate
{
public:
    // callback: None, or a callable taking (done, total) steps; its return value is ignored.
    explicit PythonProgressDelegate(py::object callback);
    ~PythonProgressDelegate() override;

    void OnStart(std::string const& taskName, std::size_t totalSteps) override;
    void OnProgress(std::size_t doneSteps, std::size_t totalSteps) override;
    void OnFinish() override;
    bool IsCancelRequested() override;

    // With the interpreter lock held, after the library call has returned: raises the
    // KeyboardInterrupt or the callback's exception that stopped it, if any, else reports the final
    // count to the callback.
    void Finish();

private:
    void Poll();

    py::object m_callback;
    std::thread::id const m_caller = std::this_thread::get_id();
    std::chrono::steady_clock::time_point m_lastPoll = std::chrono::steady_clock::now();
    std::size_t m_stepsSinceClock = 0;
    std::size_t m_done = 0;
    std::size_t m_total = 0;
    std::atomic<bool> m_cancel{false};
    // The error that stopped the call: fetched under the interpreter lock, raised by Finish.
    PyObject* m_errorType = nullptr;
    PyObject* m_errorValue = nullptr;
    PyObject* m_errorTrace = nullptr;
};
} // namespace vzpy
