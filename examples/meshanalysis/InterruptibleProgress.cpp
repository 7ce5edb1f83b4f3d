#include "InterruptibleProgress.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <unistd.h>

namespace
{
// Read by worker threads, written by the signal handler: it must be lock-free to be safe in both.
std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the interrupt flag is set from a signal handler");
struct sigaction g_previousAction;

// Only async-signal-safe work: a lock-free atomic exchange and, on the second Ctrl-C, _exit.
extern "C" void OnInterrupt(int)
{
    if (g_interrupted.exchange(true)) _exit(130);
}
} // namespace

InterruptRequest::InterruptRequest()
{
    g_interrupted.store(false);
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &g_previousAction);
}

InterruptRequest::~InterruptRequest() { sigaction(SIGINT, &g_previousAction, nullptr); }

bool InterruptRequest::IsRequested() { return g_interrupted.load(); }

bool ShowsProgress(bool machineOutput) { return !machineOutput && isatty(STDERR_FILENO) == 1; }

TerminalProgressDelegate::TerminalProgressDelegate(std::string label, bool show)
    : m_label(std::move(label)), m_show(show)
{
}

void TerminalProgressDelegate::OnStart(std::string const&, std::size_t) { m_lastPercent = -1; }

void TerminalProgressDelegate::OnProgress(std::size_t doneSteps, std::size_t totalSteps)
{
    if (!m_show) return;
    int const percent = totalSteps ? int(doneSteps * 100 / totalSteps) : 100;
    auto const now = std::chrono::steady_clock::now();
    // Redrawing at most a few times a second keeps the terminal calm.
    if (percent == m_lastPercent && now - m_lastShown < std::chrono::milliseconds(200)) return;
    m_lastPercent = percent;
    m_lastShown = now;
    std::cerr << "\r" << m_label << ": " << percent << "% (" << doneSteps << " of " << totalSteps << ")" << std::flush;
}

void TerminalProgressDelegate::OnFinish()
{
    if (m_show && m_lastPercent >= 0) std::cerr << "\r\033[K" << std::flush;
    m_lastPercent = -1;
}

bool TerminalProgressDelegate::IsCancelRequested() { return InterruptRequest::IsRequested(); }

ElapsedTimeTicker::ElapsedTimeTicker(std::string label, bool show)
    : m_label(std::move(label)), m_show(show), m_thread([this] { Run(); })
{
}

ElapsedTimeTicker::~ElapsedTimeTicker()
{
    m_done = true;
    m_thread.join();
}

void ElapsedTimeTicker::Run()
{
    auto const start = std::chrono::steady_clock::now();
    bool shown = false;
    while (!m_done)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (InterruptRequest::IsRequested())
        {
            std::fputs("\ninterrupted\n", stderr);
            std::_Exit(130);
        }
        double const seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (m_show && seconds >= 1.0)
        {
            std::fprintf(stderr, "\r%s: %.0f s", m_label.c_str(), seconds);
            std::fflush(stderr);
            shown = true;
        }
    }
    if (shown) std::cerr << "\r\033[K" << std::flush;
}
