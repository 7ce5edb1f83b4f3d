#pragma once
// Progress of long runs on the terminal, and Ctrl-C turned into a cancellation request.
#include "interfaces/Progress.h"
#include <atomic>
#include <chrono>
#include <cstddef>
#include <string>
#include <thread>

// Installs a SIGINT handler for its lifetime, on the thread that creates it; the previous handler
// is restored afterwards. The first Ctrl-C only raises a flag (a lock-free atomic, the one thing the
// handler touches), so that the work can stop through its cancellation path and clean up; a second
// Ctrl-C ends the program at once with exit code 130.
class InterruptRequest
{
public:
    InterruptRequest();
    ~InterruptRequest();
    InterruptRequest(InterruptRequest const&) = delete;
    InterruptRequest& operator=(InterruptRequest const&) = delete;

    static bool IsRequested();
};

// True when progress may be drawn: stderr is a terminal and the output is not for a machine.
bool ShowsProgress(bool machineOutput);

// Shows "label: 42% (n of m)" on stderr when `show`, and asks to cancel after Ctrl-C. Also usable
// by the program's own loops through OnStart / OnProgress / OnFinish.
class TerminalProgressDelegate : public Zodara::Common::IProgressDelegate
{
public:
    TerminalProgressDelegate(std::string label, bool show);
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

// For work without progress reporting or a way to stop: shows the elapsed time on stderr (when
// `show`) while the caller works, and, on Ctrl-C, ends the program with exit code 130 since the
// work cannot be stopped. Create it where an InterruptRequest is alive.
class ElapsedTimeTicker
{
public:
    ElapsedTimeTicker(std::string label, bool show);
    ~ElapsedTimeTicker();
    ElapsedTimeTicker(ElapsedTimeTicker const&) = delete;
    ElapsedTimeTicker& operator=(ElapsedTimeTicker const&) = delete;

private:
    void Run();

    std::string m_label;
    bool m_show;
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};
