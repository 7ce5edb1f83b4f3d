#include "PythonProgress.h"

namespace vzpy
{
namespace
{
// How often the calling thread looks at Python: often enough for Ctrl-C to feel immediate, rarely
// enough that taking the interpreter lock costs nothing measurable.
constexpr std::chrono::milliseconds kPollInterval{50};
// Steps between two readings of the clock on the calling thread.
constexpr std::size_t kStepsPerClockReading = 32;
} // namespace

PythonProgressDelegate::PythonProgressDelegate(py::object callback) : m_callback(std::move(callback)) {}

// The delegate may be released on any thread; the Python objects it holds need the interpreter lock.
PythonProgressDelegate::~PythonProgressDelegate()
{
    py::gil_scoped_acquire const acquired;
    Py_XDECREF(m_errorType);
    Py_XDECREF(m_errorValue);
    Py_XDECREF(m_errorTrace);
    m_callback = py::object();
}

void PythonProgressDelegate::OnStart(std::string const&, std::size_t totalSteps) { m_total = totalSteps; }

// Called under the library's lock, one step at a time, from whichever thread did the step.
void PythonProgressDelegate::OnProgress(std::size_t doneSteps, std::size_t totalSteps)
{
    m_done = doneSteps;
    m_total = totalSteps;
}

void PythonProgressDelegate::OnFinish() {}

bool PythonProgressDelegate::IsCancelRequested()
{
    if (std::this_thread::get_id() == m_caller && ++m_stepsSinceClock >= kStepsPerClockReading)
    {
        m_stepsSinceClock = 0;
        auto const now = std::chrono::steady_clock::now();
        if (now - m_lastPoll >= kPollInterval)
        {
            m_lastPoll = now;
            Poll();
        }
    }
    return m_cancel.load(std::memory_order_relaxed);
}

void PythonProgressDelegate::Poll()
{
    if (m_cancel.load(std::memory_order_relaxed)) return;
    py::gil_scoped_acquire const acquired;
    // Signal handlers run only on the interpreter's main thread; elsewhere this returns 0.
    bool failed = PyErr_CheckSignals() != 0;
    if (!failed && !m_callback.is_none())
    {
        PyObject* const result = PyObject_CallFunction(m_callback.ptr(), "nn", Py_ssize_t(m_done), Py_ssize_t(m_total));
        if (result)
            Py_DECREF(result);
        else
            failed = true;
    }
    if (failed)
    {
        PyErr_Fetch(&m_errorType, &m_errorValue, &m_errorTrace);
        m_cancel.store(true, std::memory_order_relaxed);
    }
}

void PythonProgressDelegate::Finish()
{
    if (m_errorType)
    {
        PyErr_Restore(m_errorType, m_errorValue, m_errorTrace);
        m_errorType = m_errorValue = m_errorTrace = nullptr;
        throw py::error_already_set();
    }
    if (!m_callback.is_none()) m_callback(m_done, m_total);
}
} // namespace vzpy
