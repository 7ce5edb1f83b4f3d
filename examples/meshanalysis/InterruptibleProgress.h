#pragma once
// Progress of long runs on the terminal, and Ctrl-C turned into a cancellation request.
#include "interfaces/Progress.h"
#include <atomic>
#include <chrono>
#include <string>
#include <thread>

// Installs a SIGINT handler for its lifetime; the first Ctrl-C only raises the flag, so that the
// work can stop through its cancellation path. The previous handler is restored afterwards.
class InterruptRequest
{
public:
    InterruptRequest();
    ~InterruptRequest();
    InterruptRequest(InterruptRequest const&) = delete;
    InterruptRequest& operator=(InterruptRequest const&) = delete;

    static bool IsRequested();
};

// Shows "label: 42%" on stderr (only when stderr is a terminal) and asks to cancel after Ctrl-C.
class TerminalProgressDelegate : public Zodara::Common::IProgressDelegate
{
public:
    explicit TerminalProgressDelegate(std::string label);
    void OnStart(std::string const& taskName, std::size_t totalSteps) override;
    void OnProgress(std::size_t doneSteps, std::size_t totalSteps) override;
    void OnFinish() override;
    bool IsCancelRequested() override;

private:
    std::string m_label;
    bool m_show;
    int m_lastPercent = -1;
    std::chrono::steady_clock::time_point m_lastShown;
};

// For operators without progress reporting: shows the elapsed time on stderr while the caller
// works, and, on Ctrl-C, ends the program with exit code 130 since the work cannot be stopped.
class ElapsedTimeTicker
{
public:
    explicit ElapsedTimeTicker(std::string label);
    ~ElapsedTimeTicker();
    ElapsedTimeTicker(ElapsedTimeTicker const&) = delete;
    ElapsedTimeTicker& operator=(ElapsedTimeTicker const&) = delete;

private:
    void Run();

    std::string m_label;
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};
