#pragma once
// Tells ThreadSanitizer about the hand-off between a thread that starts a task-parallel loop and
// the loop's tasks. The task runtime synchronises through code that is not instrumented, so without
// these marks everything the starting thread wrote before the loop (trees, grids) looks unordered
// with the tasks' reads, and the tasks' writes with the starting thread's reads after the loop.
// Tasks are not ordered with one another: races between them are still reported. The marks are
// process-wide (a task must acquire before it reads anything of its loop, its captures included),
// so concurrent loops of different calls are ordered a little more than they are. Outside a
// ThreadSanitizer build the marks compile to nothing.
#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VZ_TASK_HANDOFF_ANNOTATED 1
#endif
#endif
#if defined(__SANITIZE_THREAD__)
#define VZ_TASK_HANDOFF_ANNOTATED 1
#endif

#ifdef VZ_TASK_HANDOFF_ANNOTATED
#include <sanitizer/tsan_interface.h>
#endif

namespace Zodara
{
namespace geometricsearches
{
namespace util
{
class TaskHandOff
{
public:
    // On the starting thread, before the loop.
    static void BeforeLoop() { Release(&Marks().start); }
    // First and last thing in every task.
    static void TaskBegins() { Acquire(&Marks().start); }
    static void TaskEnds() { Release(&Marks().end); }
    // On the starting thread, after the loop.
    static void AfterLoop() { Acquire(&Marks().end); }

private:
    struct Addresses
    {
        char start = 0;
        char end = 0;
    };
    static Addresses& Marks()
    {
        static Addresses marks;
        return marks;
    }
#ifdef VZ_TASK_HANDOFF_ANNOTATED
    static void Release(void* address) { __tsan_release(address); }
    static void Acquire(void* address) { __tsan_acquire(address); }
#else
    static void Release(void*) {}
    static void Acquire(void*) {}
#endif
};
} // namespace util
} // namespace geometricsearches
} // namespace Zodara
