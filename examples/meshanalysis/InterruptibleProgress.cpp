#include "InterruptibleProgress.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <unistd.h>

namespace
{
volatile std::sig_atomic_t g_interrupted = 0;
using Handler = void (*)(int);
Handler g_previousHandler = SIG_DFL;

extern "C" void OnInterrupt(int) { g_interrupted = 1; }

bool StderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }
} // namespace

InterruptRequest::InterruptRequest()
{
    g_interrupted = 0;
    g_previousHandler = std::signal(SIGINT, OnInterrupt);
}

InterruptRequest::~InterruptRequest() { std::signal(SIGINT, g_previousHandler); }

bool InterruptRequest::IsRequested() { return g_interrupted != 0; }

TerminalProgressDelegate::TerminalProgressDelegate(std::string label)
    : m_label(std::move(label)), m_show(StderrIsTerminal())
{
}

void TerminalProgressDelegate::OnStart(std::string const&, std::size_t) { m_lastPercent = -1; }

void TerminalProgressDelegate::OnProgress(std::size_t doneSteps, std::size_t totalSteps)
{
    if (!m_show) return;
    int const percent = totalSteps ? int(doneSteps * 100 / totalSteps) : 100;
    auto const now = std::chrono::steady_clock::now();
    // Every step is reported; redrawing at most a few times a second keeps the terminal calm.
    if (percent == m_lastPercent && now - m_lastShown < std::chrono::milliseconds(200)) return;
    m_lastPercent = percent;
    m_lastShown = now;
    std::cerr << "\r" << m_label << ": " << percent << "% (" << doneSteps << " of " << totalSteps << ")" << std::flush;
}

void TerminalProgressDelegate::OnFinish()
{
    if (m_show && m_lastPercent >= 0) std::cerr << "\r\033[K" << std::flush;
}

bool TerminalProgressDelegate::IsCancelRequested() { return InterruptRequest::IsRequested(); }

ElapsedTimeTicker::ElapsedTimeTicker(std::string label) : m_label(std::move(label)), m_thread([this] { Run(); }) {}

ElapsedTimeTicker::~ElapsedTimeTicker()
{
    m_done = true;
    m_thread.join();
}

void ElapsedTimeTicker::Run()
{
    InterruptRequest const interrupts;
    bool const show = StderrIsTerminal();
    auto const start = std::chrono::steady_clock::now();
    bool shown = false;
    while (!m_done)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (InterruptRequest::IsRequested())
        {
            std::cerr << "\ninterrupted\n" << std::flush;
            std::_Exit(130);
        }
        double const seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (show && seconds >= 1.0)
        {
            std::fprintf(stderr, "\r%s: %.0f s", m_label.c_str(), seconds);
            std::fflush(stderr);
            shown = true;
        }
    }
    if (shown) std::cerr << "\r\033[K" << std::flush;
}
