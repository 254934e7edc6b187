#include "CopyDataRecord.h"
#include "InstanceListener.h"
#include "platform/linux/LocalSocketListener.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QByteArray wire(std::uint32_t dwData, std::uint32_t cbData, const QByteArray &buffer)
{
    QByteArray bytes(CopyDataRecord::WireSize, '\0');
    qToLittleEndian<std::uint32_t>(dwData, bytes.data());
    qToLittleEndian<std::uint32_t>(cbData, bytes.data() + 4);
    bytes.replace(CopyDataRecord::HeaderSize, qMin<qsizetype>(buffer.size(), 255),
                  buffer.left(255));
    return bytes;
}

QByteArray textRecord(std::uint32_t dwData, const QByteArray &text)
{
    return wire(dwData, std::uint32_t(text.size() + 1), text);
}

// Waits (spinning the event loop) for a call made on another thread.
template <typename T> T await(std::future<T> &result)
{
    const bool ready = QTest::qWaitFor(
        [&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
        20000);
    EXPECT_TRUE(ready);
    return result.get();
}

class ListenerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_transport = std::make_unique<LocalSocketListener>(m_dir.path());
        m_listener = std::make_unique<InstanceListener>(*m_transport, [this] { ++m_shows; });
        m_listener->start();
        ASSERT_TRUE(m_listener->isLoaded());
    }

    // Sends raw bytes as a foreign program would and returns what came back once the
    // listener closed the connection.
    QByteArray exchange(const QByteArray &bytes)
    {
        QLocalSocket socket;
        socket.connectToServer(m_transport->socketPath());
        EXPECT_TRUE(socket.waitForConnected(5000));
        QSignalSpy closed(&socket, &QLocalSocket::disconnected);
        socket.write(bytes);
        socket.flush();
        QByteArray answer;
        QObject::connect(&socket, &QLocalSocket::readyRead, [&] { answer += socket.readAll(); });
        EXPECT_TRUE(closed.wait(10000));
        answer += socket.readAll();
        return answer;
    }

    // The reader's own sender, run where it would block: on a thread of its own.
    bool notify(LocalSocketListener &sender)
    {
        auto result = std::async(std::launch::async,
                                 [&] { return sender.send(CopyDataRecord::showRequest()); });
        return await(result);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<LocalSocketListener> m_transport;
    std::unique_ptr<InstanceListener> m_listener;
    int m_shows = 0;
};
} // namespace

TEST(CopyDataRecord, ShowRequestIsLaidOutAsTheSenderBuildsIt)
{
    const QByteArray bytes = CopyDataRecord::showRequest().toWire();
    ASSERT_EQ(bytes.size(), 263);
    EXPECT_EQ(qFromLittleEndian<std::uint32_t>(bytes.constData()), 3u);
    EXPECT_EQ(qFromLittleEndian<std::uint32_t>(bytes.constData() + 4), 10u);
    EXPECT_EQ(bytes.mid(8, 10), QByteArray("<SHOWTTS>\0", 10));
    EXPECT_EQ(bytes.mid(18), QByteArray(245, '\0'));
}

TEST(CopyDataRecord, ReceiverReadsOnlyWhatCbDataAllowsAndNeverPastTheBuffer)
{
    QByteArray buffer("<SHOWTTS>");
    buffer.append(QByteArray(246, 'Z')); // no zero anywhere in the 255 bytes
    const auto claimedHuge = CopyDataRecord::fromWire(wire(3, 0xFFFFFFFFu, buffer));
    ASSERT_TRUE(claimedHuge);
    EXPECT_EQ(claimedHuge->text().size(), 255);
    EXPECT_FALSE(claimedHuge->isShowRequest());

    // A short cbData cuts the text even when the buffer holds more.
    const auto cut = CopyDataRecord::fromWire(wire(3, 5, QByteArray("<SHOWTTS>")));
    EXPECT_EQ(cut->text(), QStringLiteral("<SHOW"));
    EXPECT_FALSE(cut->isShowRequest());

    EXPECT_FALSE(CopyDataRecord::fromWire(QByteArray(262, 'a')));
    EXPECT_FALSE(CopyDataRecord::fromWire(QByteArray(264, 'a')));
}

TEST_F(ListenerTest, ShowRequestsAreRecognisedInAnyCaseAndWithSpacesAround)
{
    struct Case
    {
        std::uint32_t dwData;
        QByteArray text;
        int shows;
    };
    const Case cases[] = {
        {3, "<SHOWTTS>", 1},       {3, "<showtts>", 1},   {3, "   <ShowTTS>  ", 1},
        {4, "<SHOWTTS>", 0},       {0, "<SHOWTTS>", 0},   {3, "<SHOW TTS>", 0},
        {3, "<SHOWTTS>please", 0}, {3, "\t<SHOWTTS>", 0}, {3, "", 0},
    };
    for (const Case &c : cases) {
        m_shows = 0;
        // Every record is answered, acted on or not, so the sender never hangs.
        EXPECT_EQ(exchange(textRecord(c.dwData, c.text)), QByteArray(1, 0x06)) << c.text.data();
        EXPECT_EQ(m_shows, c.shows) << c.text.data() << " dwData " << c.dwData;
    }
}

TEST_F(ListenerTest, OpenRequestsArriveWholeInPiecesAndBrokenOnesAreDropped)
{
    QStringList opened;
    InstanceListener receiver(
        *m_transport, [] {}, [&](const QString &path) { opened << path; });
    auto deliver = [&](const QList<CopyDataRecord> &records) {
        for (const CopyDataRecord &record : records)
            receiver.handleRecord(*CopyDataRecord::fromWire(record.toWire()));
    };

    // Exactly one full piece needs an empty one after it; three-byte letters are cut
    // between pieces and still come out whole.
    const QString full = QStringLiteral("/") + QString(253, QLatin1Char('a'));
    const QString wide = QStringLiteral("/home/zoë/") + QString(200, QChar(0x4E2D));
    EXPECT_EQ(CopyDataRecord::openFileRequest(full).size(), 2);
    EXPECT_EQ(CopyDataRecord::openFileRequest(wide).size(), 3);
    deliver(CopyDataRecord::openFileRequest(full));
    deliver(CopyDataRecord::openFileRequest(wide));
    EXPECT_EQ(opened, (QStringList{full, wide}));

    // A request broken off after its first piece, a stray continuation and a path past the
    // limit open nothing, and do not spoil the request after them.
    opened.clear();
    deliver(CopyDataRecord::openFileRequest(wide).mid(0, 1));
    deliver(CopyDataRecord::openFileRequest(QStringLiteral("/short.txt")));
    deliver(CopyDataRecord::openFileRequest(wide).mid(1));
    deliver(CopyDataRecord::openFileRequest(
        QString(InstanceListener::MaxPathBytes + 1, QLatin1Char('b'))));
    EXPECT_EQ(opened, QStringList{QStringLiteral("/short.txt")});
}

TEST_F(ListenerTest, LaunchTokenIsKeptForTheNextShowOnly)
{
    const QByteArray token("parlance-launch-42_TIME123456");
    EXPECT_FALSE(CopyDataRecord::launchToken(QByteArray()));
    EXPECT_FALSE(CopyDataRecord::launchToken(QByteArray(255, 't')));
    const auto record = CopyDataRecord::launchToken(token);
    ASSERT_TRUE(record);
    EXPECT_EQ(exchange(record->toWire()), QByteArray(1, 0x06));
    EXPECT_EQ(m_shows, 0);
    EXPECT_EQ(m_listener->takeLaunchToken(), token);
    EXPECT_TRUE(m_listener->takeLaunchToken().isEmpty());
}

TEST_F(ListenerTest, OversizedAndGarbageRecordsChangeNothingAndTheListenerGoesOn)
{
    // cbData claiming more than the buffer: cut to the buffer, read as text up to the zero.
    QByteArray request("<SHOWTTS>");
    request.append(QByteArray(246, '\0'));
    EXPECT_EQ(exchange(wire(3, 100000, request)).size(), 1);
    EXPECT_EQ(m_shows, 1);

    // 255 bytes of text without a terminating zero.
    EXPECT_EQ(exchange(wire(3, 255, QByteArray(255, 'A'))).size(), 1);
    // Random bytes of the record's size, several times.
    QByteArray noise(CopyDataRecord::WireSize, '\0');
    for (int i = 0; i < 20; ++i) {
        for (char &byte : noise)
            byte = char(QRandomGenerator::global()->bounded(256));
        exchange(noise);
    }
    EXPECT_EQ(m_shows, 1);

    // A record followed by more data, and two records in one go: one record per sender.
    EXPECT_EQ(exchange(CopyDataRecord::showRequest().toWire() + QByteArray(5000, '\x7f')),
              QByteArray(1, 0x06));
    EXPECT_EQ(m_shows, 2);
    exchange(CopyDataRecord::showRequest().toWire() + CopyDataRecord::showRequest().toWire());
    EXPECT_EQ(m_shows, 3);

    LocalSocketListener sender(m_dir.path());
    EXPECT_TRUE(notify(sender));
    EXPECT_EQ(m_shows, 4);
}

TEST_F(ListenerTest, SenderThatStopsHalfWayBlocksNobodyAndIsDropped)
{
    m_transport->setReceiveTimeout(300);
    QLocalSocket halfway;
    halfway.connectToServer(m_transport->socketPath());
    ASSERT_TRUE(halfway.waitForConnected(5000));
    QSignalSpy dropped(&halfway, &QLocalSocket::disconnected);
    halfway.write(CopyDataRecord::showRequest().toWire().left(100));
    halfway.flush();

    // Meanwhile a proper second start gets through.
    LocalSocketListener sender(m_dir.path());
    EXPECT_TRUE(notify(sender));
    EXPECT_EQ(m_shows, 1);
    EXPECT_EQ(halfway.state(), QLocalSocket::ConnectedState);

    // The half record is never acted on; the reader drops the sender.
    EXPECT_TRUE(dropped.wait(20000));
    EXPECT_EQ(m_shows, 1);
}

TEST_F(ListenerTest, SocketIsPrivateToItsOwner)
{
    const QFile::Permissions permissions = QFile::permissions(m_transport->socketPath());
    EXPECT_TRUE(permissions & QFile::ReadOwner);
    EXPECT_FALSE(permissions & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther |
                                QFile::WriteOther | QFile::ExeGroup | QFile::ExeOther));
}

TEST_F(ListenerTest, SenderFailsWithoutAnAnsweringListener)
{
    // A listener that is gone.
    m_listener->stop();
    EXPECT_FALSE(m_listener->isLoaded());
    LocalSocketListener sender(m_dir.path());
    EXPECT_FALSE(notify(sender));

    // A reader that hangs: it accepts the connection but never answers.
    QTemporaryDir other;
    QLocalServer hung;
    ASSERT_TRUE(hung.listen(other.filePath(ListenerTransport::ListenerName)));
    LocalSocketListener toHung(other.path());
    toHung.setSendTimeouts(2000, 300);
    EXPECT_FALSE(notify(toHung));
}

TEST_F(ListenerTest, ListenerIsNotTakenOverWhileItAnswers)
{
    LocalSocketListener second(m_dir.path());
    EXPECT_FALSE(second.hook([](const CopyDataRecord &) {}));
    LocalSocketListener sender(m_dir.path());
    EXPECT_TRUE(notify(sender));
    EXPECT_EQ(m_shows, 1);
}

namespace {
// A local-socket client or server run as another user ("nobody"); it prints what it saw.
const char *const ForeignClient = R"(
import socket, sys
s = socket.socket(socket.AF_UNIX)
s.settimeout(10)
s.connect(sys.argv[1])
try:
    s.sendall(bytes.fromhex(sys.argv[2]))
    answer = s.recv(1)
except OSError:
    answer = b''
print('ANSWER ' + answer.hex() if answer else 'REFUSED', flush=True)
)";
const char *const ForeignServer = R"(
import socket, sys
s = socket.socket(socket.AF_UNIX)
s.bind(sys.argv[1])
s.listen(1)
print('READY', flush=True)
s.settimeout(20)
c, _ = s.accept()
c.settimeout(5)
try:
    record = c.recv(1000)
except OSError:
    record = b''
if record:
    c.sendall(b'\x06')
print('GOT %d' % len(record), flush=True)
)";

// Another user reaches a file under `folder` only when every folder above lets them through.
bool othersCanReach(const QString &folder)
{
    for (QDir dir(folder); !dir.isRoot(); dir.cdUp()) {
        if (!(QFileInfo(dir.path()).permissions() & QFile::ExeOther))
            return false;
    }
    return true;
}

bool startAsNobody(QProcess &process, const char *script, const QStringList &arguments)
{
    process.start(QStringLiteral("setpriv"),
                  QStringList{"--reuid=nobody", "--regid=nogroup", "--clear-groups",
                              "/usr/bin/python3", "-I", "-c", QString::fromLatin1(script)} +
                      arguments);
    return process.waitForStarted(5000);
}
} // namespace

TEST_F(ListenerTest, AnotherUsersProcessIsRefusedAtBothEnds)
{
    if (::geteuid() != 0 || QStandardPaths::findExecutable("setpriv").isEmpty() ||
        !QFile::exists("/usr/bin/python3"))
        GTEST_SKIP() << "running a process as another user needs root, setpriv and python3";
    if (!othersCanReach(QFileInfo(m_dir.path()).absolutePath()))
        GTEST_SKIP() << "the temporary folder is closed to other users";

    // The reader's end: a sender of another user that reaches the socket (the folder opened
    // up after the listener started, as a shared folder would be) is not served.
    ASSERT_EQ(::chmod(QFile::encodeName(m_dir.path()).constData(), 0711), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(m_transport->socketPath()).constData(), 0777), 0);
    QProcess client;
    ASSERT_TRUE(
        startAsNobody(client, ForeignClient,
                      {m_transport->socketPath(),
                       QString::fromLatin1(CopyDataRecord::showRequest().toWire().toHex())}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return client.state() == QProcess::NotRunning; }, 20000));
    EXPECT_EQ(client.readAllStandardOutput().trimmed(), "REFUSED");
    EXPECT_EQ(m_shows, 0);

    // The sender's end: a listener of another user found in the reader's own folder gets no
    // record and the sender does not count it as delivered.
    QTemporaryDir shared;
    ASSERT_EQ(::chmod(QFile::encodeName(shared.path()).constData(), 0777), 0);
    QProcess server;
    ASSERT_TRUE(startAsNobody(server, ForeignServer, {shared.filePath("socket")}));
    ASSERT_TRUE(server.waitForReadyRead(10000));
    EXPECT_EQ(server.readLine().trimmed(), "READY");
    QTemporaryDir own;
    ASSERT_TRUE(
        QFile::rename(shared.filePath("socket"), own.filePath(ListenerTransport::ListenerName)));
    LocalSocketListener sender(own.path());
    EXPECT_FALSE(notify(sender));
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.state() == QProcess::NotRunning; }, 20000));
    EXPECT_EQ(server.readAllStandardOutput().trimmed(), "GOT 0");
}
