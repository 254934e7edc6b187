#include "SpeechWorker.h"

#include <exception>
#include <future>

SpeechWorker &SpeechWorker::instance()
{
    static SpeechWorker worker;
    return worker;
}

SpeechWorker::SpeechWorker() : m_thread([this] { loop(); }) {}

SpeechWorker::~SpeechWorker()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void SpeechWorker::post(std::function<void()> job)
{
    {
        std::lock_guard lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_one();
}

void SpeechWorker::run(const std::function<void()> &job)
{
    if (std::this_thread::get_id() == m_thread.get_id()) {
        job();
        return;
    }
    std::promise<void> done;
    auto result = done.get_future();
    ++m_callersWaiting;
    post([&] {
        --m_callersWaiting;
        try {
            job();
            done.set_value();
        } catch (...) {
            done.set_exception(std::current_exception());
        }
    });
    result.get();
}

void SpeechWorker::loop()
{
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_quit || !m_jobs.empty(); });
            if (m_jobs.empty())
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        try {
            job();
        } catch (...) {
            // Jobs report their own failures; nothing may escape and end the thread.
        }
    }
}
