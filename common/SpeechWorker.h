#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// A thread that owns the calls into libraries with global state, one at a time, in order.
// instance() is the process's speech thread: every Engine call runs there (espeak-ng and
// flite keep global state). Festival has one of its own (FestivalLibrary).
class SpeechWorker
{
public:
    static SpeechWorker &instance();

    SpeechWorker();
    ~SpeechWorker();
    SpeechWorker(const SpeechWorker &) = delete;
    SpeechWorker &operator=(const SpeechWorker &) = delete;

    void post(std::function<void()> job);
    // Runs the job on the worker and waits for it; exceptions reach the caller.
    void run(const std::function<void()> &job);
    // Someone waits in run(): a job that could wait on that caller must not.
    bool callerWaiting() const { return m_callersWaiting > 0; }

private:
    void loop();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_jobs;
    bool m_quit = false;
    std::atomic<int> m_callersWaiting{0};
    std::thread m_thread;
};
