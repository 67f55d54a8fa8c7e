// The window's worker threads: a wait that says the work is done has also seen the thread end,
// and a worker that does not finish in time neither blocks its owner nor outlives its state.

#include <gtest/gtest.h>

#include <QThread>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>

#include "app/core/worker_thread.h"

using namespace zuvo;

namespace {

std::atomic_bool g_threadDataGone{false};

// Thread-local data whose clean-up at the thread's end takes a while, like Qt's own record of a
// thread, which a program's leak check at exit would otherwise find still held.
struct SlowThreadData {
    ~SlowThreadData() {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        g_threadDataGone = true;
    }
    int used = 0;
};
thread_local SlowThreadData t_data;

}  // namespace

TEST(WorkerThread, AFinishedWaitHasSeenTheThreadEnd) {
    std::atomic_bool ran{false};
    WorkerThread worker([&ran] {
        t_data.used = 1;
        static_cast<void>(QThread::currentThread());  // Qt's record of this thread
        ran = true;
    });
    ASSERT_TRUE(worker.Wait(10000));
    EXPECT_TRUE(ran);
    EXPECT_TRUE(worker.IsFinished());
    EXPECT_TRUE(g_threadDataGone) << "the wait returned before the thread's clean-up ended";
    // Waiting again on a joined thread is just as done.
    EXPECT_TRUE(worker.Wait(0));
}

TEST(WorkerThread, AStuckWorkerNeitherBlocksItsOwnerNorOutlivesItsState) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    // Held by the work too: the thread is left to run past this test's frame.
    auto ended = std::make_shared<std::promise<void>>();
    std::future<void> workEnded = ended->get_future();
    {
        WorkerThread worker([released, ended] {
            released.wait();
            ended->set_value();
        });
        EXPECT_FALSE(worker.Wait(50));
        EXPECT_FALSE(worker.IsFinished());
        // Leaving the scope with the work still running must return at once (the thread is left
        // to run), not wait for it.
    }
    release.set_value();
    // The work still ends normally, and under the sanitizers nothing freed is touched.
    EXPECT_EQ(workEnded.wait_for(std::chrono::seconds(10)), std::future_status::ready);

    WorkerThread quick([] {});
    EXPECT_TRUE(quick.Wait(10000));
}
