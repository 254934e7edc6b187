#include "SpeechDispatcherEngine.h"

#include "SentenceChunker.h"
#include "SpeechError.h"
#include "WordTimingEstimate.h"

#include <QElapsedTimer>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <libspeechd.h>

namespace {
SPDConnection *spd(void *connection)
{
    return static_cast<SPDConnection *>(connection);
}

// How long the one connect attempt may take: a dispatcher that is not there must not delay
// the window's start.
constexpr int ConnectTimeoutMs = 300;
// How often a reading looks at stop requests and at the connection while it waits.
constexpr int PollMs = 20;

struct Notice
{
    size_t message;
    SPDNotificationType type;
    int mark;
};

// The modules known to report index marks; others are learnt when their first mark arrives.
// Touched on the speech thread only.
QSet<QByteArray> &markingModules()
{
    static QSet<QByteArray> modules{"espeak-ng", "espeak", "espeak-ng-mbrola", "espeak-mbrola",
                                    "rhvoice",   "voxin",  "ibmtts",           "baratinoo"};
    return modules;
}

WordTimingEstimate &estimates()
{
    static WordTimingEstimate estimate;
    return estimate;
}

// A sentence of an estimated voice is one message, so that each one's measured end corrects
// the estimate of the next; longer ones are cut at spaces.
constexpr int MaximumSentence = 1000;
} // namespace

// What the dispatcher reports about the message being spoken, handed from libspeechd's
// event thread to the waiting worker.
struct SpeechDispatcherEngine::Session
{
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Notice> notices;
};

namespace {
// libspeechd's callbacks carry no user pointer, only the client id of the connection.
std::mutex s_sessionsLock;
QHash<size_t, std::weak_ptr<SpeechDispatcherEngine::Session>> &sessions()
{
    static QHash<size_t, std::weak_ptr<SpeechDispatcherEngine::Session>> map;
    return map;
}

void deliver(size_t message, size_t client, SPDNotificationType type, int mark)
{
    std::shared_ptr<SpeechDispatcherEngine::Session> session;
    {
        std::lock_guard lock(s_sessionsLock);
        session = sessions().value(client).lock();
    }
    if (!session)
        return;
    {
        std::lock_guard lock(session->mutex);
        session->notices.push_back({message, type, mark});
    }
    session->wake.notify_all();
}

void onEvent(size_t message, size_t client, SPDNotificationType type)
{
    deliver(message, client, type, -1);
}

void onMark(size_t message, size_t client, SPDNotificationType type, char *mark)
{
    bool ok = false;
    const int index = mark ? QByteArray(mark).toInt(&ok) : -1;
    deliver(message, client, type, ok ? index : -1);
}

// Whether anything accepts connections at the address, within the time bound. libspeechd's
// own connect would wait for as long as the system lets it.
bool listening(const SPDConnectionAddress *address)
{
    if (address->method != SPD_METHOD_UNIX_SOCKET)
        return true; // a TCP address is what the user configured; trust it
    if (!address->unix_socket_name ||
        std::strlen(address->unix_socket_name) >= sizeof(sockaddr_un::sun_path))
        return false;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_un where{};
    where.sun_family = AF_UNIX;
    std::strcpy(where.sun_path, address->unix_socket_name);
    bool ok = ::connect(fd, reinterpret_cast<sockaddr *>(&where), sizeof where) == 0;
    if (!ok && (errno == EINPROGRESS || errno == EAGAIN)) {
        pollfd p{fd, POLLOUT, 0};
        int error = 0;
        socklen_t size = sizeof error;
        ok = poll(&p, 1, ConnectTimeoutMs) == 1 &&
             getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
    }
    close(fd);
    return ok;
}

QByteArray escaped(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('&'))
            out += QStringLiteral("&amp;");
        else if (c == QLatin1Char('<'))
            out += QStringLiteral("&lt;");
        else if (c == QLatin1Char('>'))
            out += QStringLiteral("&gt;");
        else if (c.unicode() < 0x20 && c != QLatin1Char('\n') && c != QLatin1Char('\t'))
            out += QLatin1Char(' '); // not allowed in XML
        else
            out += c;
    }
    // Lone surrogates cannot be written as UTF-8; toUtf8 replaces them.
    return out.toUtf8();
}
} // namespace

SpeechDispatcherEngine::SpeechDispatcherEngine() = default;

SpeechDispatcherEngine::~SpeechDispatcherEngine()
{
    disconnect();
}

SpeechDispatcherEngine::Marked SpeechDispatcherEngine::markWords(const QString &text, int firstMark)
{
    Marked marked;
    marked.ssml = "<speak>";
    int i = 0;
    while (i < text.size()) {
        const int start = i;
        if (text.at(i).isSpace()) {
            while (i < text.size() && text.at(i).isSpace())
                ++i;
            marked.ssml += escaped(text.mid(start, i - start));
            continue;
        }
        while (i < text.size() && !text.at(i).isSpace())
            ++i;
        marked.ssml +=
            "<mark name=\"" + QByteArray::number(firstMark + marked.words.size()) + "\"/>";
        marked.ssml += escaped(text.mid(start, i - start));
        marked.words.append({start, i - start});
    }
    marked.ssml += "</speak>";
    return marked;
}

bool SpeechDispatcherEngine::connect()
{
    if (m_connection)
        return true;
    char *error = nullptr;
    SPDConnectionAddress *address = spd_get_default_address(&error);
    free(error);
    if (!address)
        return false;
    if (listening(address)) {
        // A dispatcher that goes away would otherwise end the program at the next write.
        std::signal(SIGPIPE, SIG_IGN);
        error = nullptr;
        m_connection =
            spd_open2("parlance", "reader", nullptr, SPD_MODE_THREADED, address, false, &error);
        free(error);
    }
    SPDConnectionAddress__free(address);
    if (!m_connection)
        return false;
    spd(m_connection)->callback_begin = onEvent;
    spd(m_connection)->callback_end = onEvent;
    spd(m_connection)->callback_cancel = onEvent;
    spd(m_connection)->callback_im = onMark;
    spd_set_notification_on(spd(m_connection), SPD_BEGIN);
    spd_set_notification_on(spd(m_connection), SPD_END);
    spd_set_notification_on(spd(m_connection), SPD_CANCEL);
    spd_set_notification_on(spd(m_connection), SPD_INDEX_MARKS);
    spd_set_data_mode(spd(m_connection), SPD_DATA_SSML);
    m_clientId = size_t(spd_get_client_id(spd(m_connection)));
    return true;
}

void SpeechDispatcherEngine::disconnect(bool lost)
{
    if (!m_connection)
        return;
    {
        std::lock_guard lock(s_sessionsLock);
        sessions().remove(m_clientId);
    }
    // libspeechd talks to the dispatcher while it closes and fails on a connection whose
    // other end is gone; such a connection is only let go.
    if (!lost)
        spd_close(spd(m_connection));
    m_connection = nullptr;
}

bool SpeechDispatcherEngine::connectionLost() const
{
    pollfd p{spd(m_connection)->socket, POLLRDHUP, 0};
    return poll(&p, 1, 0) == 1 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL));
}

QStringList SpeechDispatcherEngine::voiceNames()
{
    if (!m_tried) {
        m_tried = true;
        if (connect()) {
            char **modules = spd_list_modules(spd(m_connection));
            for (char **module = modules; module && *module; ++module) {
                if (spd_set_output_module(spd(m_connection), *module) != 0)
                    continue;
                SPDVoice **voices = spd_list_synthesis_voices(spd(m_connection));
                QSet<QByteArray> plain;
                for (SPDVoice **v = voices; v && *v; ++v)
                    plain.insert(QByteArray((*v)->name));
                for (SPDVoice **v = voices; v && *v; ++v) {
                    // espeak-ng offers every voice again with each of its variants
                    // ("English+Max"): thousands of names that a list cannot show usefully.
                    const QByteArray id((*v)->name);
                    if (id.contains('+') && plain.contains(id.left(id.indexOf('+'))))
                        continue;
                    QString name =
                        QStringLiteral("speech-dispatcher %1 %2")
                            .arg(QString::fromUtf8(*module), QString::fromUtf8((*v)->name));
                    const QString language = QString::fromUtf8((*v)->language);
                    if (!language.isEmpty())
                        name += QStringLiteral(" (%1)").arg(language);
                    if (m_voices.contains(name))
                        continue;
                    m_voices.insert(
                        name, {QByteArray(*module), QByteArray((*v)->name), language.toLower()});
                    m_names.append(name);
                }
                free_spd_voices(voices);
            }
            free_spd_modules(modules);
            if (!m_names.isEmpty())
                m_current = m_names.first();
        }
    }
    return m_names;
}

QString SpeechDispatcherEngine::currentVoice() const
{
    return m_current;
}

bool SpeechDispatcherEngine::estimatesWords(const QString &name) const
{
    const auto voice = m_voices.constFind(name);
    return voice != m_voices.constEnd() && !markingModules().contains(voice->module);
}

VoiceLanguages SpeechDispatcherEngine::voiceLanguages(const QString &name) const
{
    const QString language = m_voices.value(name).language;
    return language.isEmpty() ? VoiceLanguages() : VoiceLanguages{{language, 5}};
}

void SpeechDispatcherEngine::selectVoice(const QString &name)
{
    if (!m_voices.contains(name))
        unknownVoice(name);
    m_current = name;
}

bool SpeechDispatcherEngine::synthesize(const QString &text, const Params &params,
                                        const AudioSink &audio, const WordSink &word)
{
    const auto voice = m_voices.constFind(m_current);
    if (voice == m_voices.constEnd())
        throw SpeechError(SpeechErrors::NoVoice, QStringLiteral("No voice is selected."));
    // A dispatcher that went away during an earlier reading may be back.
    if (!connect())
        throw SpeechError(SpeechErrors::NoVoice,
                          QStringLiteral("speech-dispatcher is not running."));

    // The text as messages, a mark before every word, marks numbered through the whole text.
    bool estimating = !markingModules().contains(voice->module);
    QList<QPair<int, int>> words; // position and length in the text, by mark
    QList<Message> messages;
    int offset = 0;
    const QStringList pieces =
        estimating ? SentenceChunker::split(text, 1, MaximumSentence) : QStringList{text};
    for (const QString &piece : pieces) {
        const Marked marked = markWords(piece, int(words.size()));
        Message message;
        message.ssml = marked.ssml;
        message.firstWord = int(words.size());
        QList<QStringView> spoken;
        for (const auto &[position, length] : marked.words) {
            words.append({offset + position, length});
            spoken.append(QStringView(piece).mid(position, length));
        }
        message.layout = WordTimingEstimate::layout(spoken);
        offset += int(piece.size());
        if (!marked.words.isEmpty())
            messages.append(message);
    }
    if (messages.isEmpty())
        return true;

    auto session = std::make_shared<Session>();
    {
        std::lock_guard lock(s_sessionsLock);
        sessions().insert(m_clientId, session);
    }
    spd_set_output_module(spd(m_connection), voice->module.constData());
    spd_set_synthesis_voice(spd(m_connection), voice->name.constData());
    spd_set_voice_rate(spd(m_connection), qBound(-10, params.rate, 10) * 10);
    // 1..99 onto the dispatcher's -100..100, 99 at full volume.
    const int volume = qBound(1, params.volume, 99);
    spd_set_volume(spd(m_connection), (volume - 50) * 100 / 49);
    const auto lost = [this] {
        disconnect(true);
        return SpeechError(SpeechErrors::SynthesisFailed,
                           QStringLiteral("speech-dispatcher stopped while speaking."));
    };
    // Messages of this priority wait for one another: the sentences follow without a gap.
    QHash<size_t, int> byId;
    for (int i = 0; i < messages.size(); ++i) {
        const int id = spd_say(spd(m_connection), SPD_MESSAGE, messages[i].ssml.constData());
        if (id < 0) {
            if (i > 0)
                spd_cancel(spd(m_connection));
            if (connectionLost())
                throw lost();
            throw SpeechError(SpeechErrors::SynthesisFailed,
                              QStringLiteral("speech-dispatcher did not take the text."));
        }
        byId.insert(size_t(id), i);
    }

    // Words are reported once each, in order; an estimate never goes back.
    int nextWord = 0;
    const auto report = [&](int index) {
        if (index < nextWord || index >= words.size())
            return;
        word(0, words[index].first, words[index].second);
        nextWord = index + 1;
    };
    const QString paceKey = voice.key();
    int heard = -1; // the message being heard
    QElapsedTimer since;
    for (;;) {
        std::deque<Notice> notices;
        {
            std::unique_lock lock(session->mutex);
            session->wake.wait_for(lock, std::chrono::milliseconds(PollMs),
                                   [&] { return !session->notices.empty(); });
            notices.swap(session->notices);
        }
        for (const Notice &notice : notices) {
            // Ends of messages that an earlier stop cancelled still arrive.
            const auto found = byId.constFind(notice.message);
            if (found == byId.constEnd())
                continue;
            const Message &message = messages[*found];
            if (notice.type == SPD_EVENT_BEGIN) {
                heard = *found;
                since.start();
                if (estimating)
                    report(message.firstWord);
            } else if (notice.type == SPD_EVENT_INDEX_MARK) {
                // The module reports its words after all: from now on they are exact.
                markingModules().insert(voice->module);
                estimating = false;
                report(notice.mark);
            } else if (notice.type == SPD_EVENT_END) {
                if (estimating) {
                    // The estimate is corrected at every end: the last word is being heard,
                    // and the time taken sets the pace for the next sentence.
                    report(message.firstWord + int(message.layout.starts.size()) - 1);
                    if (heard == *found)
                        estimates().learn(paceKey, params.rate, message.layout.total,
                                          since.nsecsElapsed() / 1e9);
                }
                heard = -1;
                if (*found == messages.size() - 1)
                    return true;
            } else if (notice.type == SPD_EVENT_CANCEL) {
                return false;
            }
        }
        if (estimating && heard >= 0) {
            const Message &message = messages[heard];
            const double units =
                since.nsecsElapsed() / 1e9 / estimates().pace(paceKey, params.rate);
            int due = -1;
            for (int i = 0; i < message.layout.starts.size() && message.layout.starts[i] <= units;
                 ++i)
                due = i;
            if (due >= 0)
                report(message.firstWord + due);
        }
        if (!audio(nullptr, 0)) {
            spd_cancel(spd(m_connection));
            return false;
        }
        if (connectionLost())
            throw lost();
    }
}
