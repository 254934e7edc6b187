#include "SynthesisWorker.h"

#include "SpeechControl.h"
#include "SpeechError.h"
#include "TimedSpeech.h"
#include "VoiceSetup.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <deque>
#include <fcntl.h>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>
#include <utility>

namespace {

// Samples gathered before they go down the pipe: large enough that the pipe is not the
// cost, small enough that the converter can write the file while the worker speaks.
constexpr size_t SamplesPerMessage = 131072;
// A larger pipe lets the converter take a whole message, or several, per wake-up; the
// default one (64 KB) would switch between the processes every 1.5 s of audio.
constexpr int PipeSize = 1 << 20;

// Everything the worker says goes through one queue drained by its own thread: the engine
// never waits for the converter to read the pipe (it may be busy writing the file), and
// progress (main thread) and audio (speech thread) never split each other's messages.
class Outbox
{
public:
    Outbox() : m_sender([this] { drain(); }) {}
    ~Outbox()
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_closing = true;
        }
        m_ready.notify_one();
        m_sender.join();
    }

    void post(QByteArray message)
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_messages.push_back(std::move(message));
        }
        m_ready.notify_one();
    }

private:
    void drain()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_ready.wait(lock, [this] { return m_closing || !m_messages.empty(); });
            if (m_messages.empty())
                return;
            const QByteArray message = std::move(m_messages.front());
            m_messages.pop_front();
            lock.unlock();
            send(message.constData(), size_t(message.size()));
            lock.lock();
        }
    }

    static void send(const char *data, size_t size)
    {
        while (size > 0) {
            const ssize_t written = ::write(STDOUT_FILENO, data, size);
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                // The converter has gone; nobody wants the rest.
                std::_Exit(1);
            }
            data += written;
            size -= size_t(written);
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<QByteArray> m_messages;
    bool m_closing = false;
    std::thread m_sender;
};

void reply(Outbox &out, const QString &line)
{
    out.post(line.toUtf8() + '\n');
}

void replyError(Outbox &out, int number, const QString &description)
{
    QString text = description;
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    reply(out, QStringLiteral("error %1 %2").arg(number).arg(text));
}

// An audio message is gathered behind room for its line, its length filled in when it is
// sent, so that the samples are copied once on their way to the pipe. The words reached
// while it fills go out together just before it: one wake-up of the sender and of the
// converter per message rather than per word, which on two cores cost a fifth of the time.
class AudioMessage
{
public:
    AudioMessage() { clear(); }

    void append(const qint16 *samples, int count)
    {
        m_message.append(reinterpret_cast<const char *>(samples),
                         qsizetype(count) * qsizetype(sizeof(qint16)));
    }
    void addWord(qint64 sample, int position, int length)
    {
        m_words += "w " + QByteArray::number(sample) + ' ' + QByteArray::number(position) + ' ' +
                   QByteArray::number(length) + '\n';
    }
    bool isFull() const { return bytes() >= qsizetype(SamplesPerMessage * sizeof(qint16)); }
    void clear()
    {
        m_words.clear();
        m_message = QByteArray();
        m_message.reserve(LineSize + 2 * qsizetype(SamplesPerMessage * sizeof(qint16)));
        m_message.append("a 0000000000\n");
    }
    void send(Outbox &out)
    {
        if (!m_words.isEmpty())
            out.post(std::exchange(m_words, QByteArray()));
        if (bytes() == 0)
            return;
        const QByteArray digits = QByteArray::number(bytes()).rightJustified(10, '0');
        std::copy(digits.begin(), digits.end(), m_message.begin() + 2);
        out.post(std::move(m_message));
        clear();
    }

private:
    static constexpr qsizetype LineSize = 13; // "a " and ten digits and the line's end
    qsizetype bytes() const { return m_message.size() - LineSize; }

    QByteArray m_words;
    QByteArray m_message;
};

// A request: a line "<n>" and n bytes. False at the end of the input.
bool readRequest(std::string &line, std::string &text)
{
    if (!std::getline(std::cin, line))
        return false;
    bool valid = false;
    const qulonglong size = QByteArray::fromStdString(line).toULongLong(&valid);
    // A piece is a few thousand characters; anything far larger is not a request.
    if (!valid || size > (1u << 26))
        throw SpeechError(SpeechErrors::InvalidArgument, QStringLiteral("Malformed request."));
    text.resize(size_t(size));
    return bool(std::cin.read(text.data(), std::streamsize(size)));
}

} // namespace

int SynthesisWorker::run()
{
    // Ctrl+C at a terminal reaches the whole process group; the converter that started the
    // worker decides what an interruption means and ends it itself.
    std::signal(SIGINT, SIG_IGN);
    std::string line;
    std::string text;
    // The voice comes as the first request: its arguments, separated by NUL characters. A
    // spare forked at the converter's start learns it only then.
    try {
        if (!readRequest(line, text))
            return 0;
    } catch (const SpeechError &) {
        return 1;
    }
    const QStringList arguments =
        QString::fromUtf8(text.data(), qsizetype(text.size())).split(QChar(0));
    const VoiceSetup voice = VoiceSetup::fromArguments(arguments);
    const int at = int(arguments.indexOf(QStringLiteral("--chunk-format")));
    const int format =
        at >= 0 ? arguments.value(at + 1).toInt() : int(SpeechControl::Format22kHz16BitMono);

    // Not fatal where the system allows less: the pipe then just switches more often.
    ::fcntl(STDOUT_FILENO, F_SETPIPE_SZ, PipeSize);
    Outbox out;
    SpeechControl control(0);
    int rate = 0;
    try {
        rate = SpeechControl::fileFormatRate(format);
        voice.apply(control);
    } catch (const SpeechError &e) {
        replyError(out, e.number, e.description);
        return 1;
    } catch (const std::exception &e) {
        replyError(out, SpeechErrors::SynthesisFailed, QString::fromUtf8(e.what()));
        return 1;
    }
    QObject::connect(&control, &SpeechControl::fileProgress,
                     [&out](qint64 done, qint64) { reply(out, QStringLiteral("p %1").arg(done)); });
    reply(out, QStringLiteral("ready"));

    AudioMessage pending;
    TimedSpeech speech(control, rate);
    bool toldBySentence = false;
    for (;;) {
        try {
            if (!readRequest(line, text))
                break;
        } catch (const SpeechError &e) {
            replyError(out, e.number, e.description);
            return 1;
        }
        try {
            speech.speak(
                QString::fromStdString(text),
                [&out, &pending](const qint16 *samples, int count) {
                    pending.append(samples, count);
                    if (pending.isFull())
                        pending.send(out);
                },
                [&pending](qint64 sample, int position, int length) {
                    pending.addWord(sample, position, length);
                });
            pending.send(out);
            if (speech.bySentence() && !std::exchange(toldBySentence, true))
                reply(out, QStringLiteral("sentences"));
            reply(out, QStringLiteral("ok"));
        } catch (const SpeechError &e) {
            pending.clear();
            replyError(out, e.number, e.description);
        } catch (const std::exception &e) {
            pending.clear();
            replyError(out, SpeechErrors::SynthesisFailed, QString::fromUtf8(e.what()));
        }
    }
    return 0;
}
