// The real reader as its own process: ended by the system at any moment of its life, and
// its listener under a flood of connections that never finish.
#include "CopyDataRecord.h"
#include "ListenerTransport.h"
#include "PrivateFolder.h"
#include "platform/linux/LocalSocketListener.h"
#include "platform/linux/LockFileInstanceGuard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {
class ReaderProcessTest : public ::testing::Test
{
protected:
    std::unique_ptr<QProcess> start(int descriptorLimit = 0)
    {
        auto reader = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", m_runtime.path());
        env.insert("XDG_CONFIG_HOME", m_home.filePath("config"));
        env.insert("XDG_DATA_HOME", m_home.filePath("data"));
        env.insert("PARLANCE_AUDIO", "null");
        env.insert("PARLANCE_MACHINE_REGISTRY", m_registry);
        env.insert("QT_QPA_PLATFORM", "offscreen");
        reader->setProcessEnvironment(env);
        reader->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        if (descriptorLimit > 0)
            reader->setChildProcessModifier([descriptorLimit] {
                const rlimit limit = {rlim_t(descriptorLimit), rlim_t(descriptorLimit)};
                ::setrlimit(RLIMIT_NOFILE, &limit);
            });
        reader->start(QStringLiteral(PARLANCE_READER), {});
        EXPECT_TRUE(reader->waitForStarted());
        return reader;
    }

    QString properShutdown() const
    {
        QSettings settings(m_home.filePath("config/Larkvane/Reader.conf"), QSettings::IniFormat);
        return settings.value("Options/ProperShutdown").toString();
    }

    // The load writes the marker "False" at its end.
    bool waitLoaded() const
    {
        return QTest::qWaitFor([this] { return properShutdown() == "False"; }, 60000);
    }

    static bool ends(QProcess &reader)
    {
        if (reader.waitForFinished(20000))
            return true;
        reader.kill();
        reader.waitForFinished();
        return false;
    }

    QTemporaryDir m_runtime;
    QTemporaryDir m_home;
    QString m_registry = m_home.filePath("registry.sqlite");
};
} // namespace

TEST_F(ReaderProcessTest, ATerminationSignalAtAnyMomentEndsTheReader)
{
    // From the first instant through the load: the request must not be lost in the load's
    // own event processing, nor leave a process that holds the instance lock.
    for (int delayMs : {0, 20, 60, 150, 400, 900}) {
        auto reader = start();
        QThread::msleep(delayMs);
        ::kill(pid_t(reader->processId()), SIGTERM);
        EXPECT_TRUE(ends(*reader)) << "signal after " << delayMs << " ms";
    }

    // A registry that is a FIFO would block the load for ever.
    QFile::remove(m_home.filePath("config/Larkvane/Reader.conf"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(m_registry).constData(), 0600), 0);
    auto reader = start();
    ASSERT_TRUE(waitLoaded());
    ::kill(pid_t(reader->processId()), SIGTERM);
    ASSERT_TRUE(ends(*reader));
    EXPECT_EQ(reader->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(reader->exitCode(), 0);
    EXPECT_EQ(properShutdown(), QStringLiteral("True"));
}

TEST_F(ReaderProcessTest, TheListenerOutlivesAFloodOfConnectionsThatNeverFinish)
{
    // More half-open connections than the reader has descriptors.
    constexpr int ReaderDescriptors = 1024;
    constexpr int Flood = 1100;
    rlimit own = {};
    ::getrlimit(RLIMIT_NOFILE, &own);
    own.rlim_cur = std::min<rlim_t>(own.rlim_max, 4096);
    ::setrlimit(RLIMIT_NOFILE, &own);
    ASSERT_GT(own.rlim_cur, rlim_t(Flood + 64));

    auto reader = start(ReaderDescriptors);
    ASSERT_TRUE(waitLoaded());
    const QString socketPath = QDir(m_runtime.path()).filePath(ListenerTransport::ListenerName);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const QByteArray encoded = QFile::encodeName(socketPath);
    std::copy(encoded.begin(), encoded.end(), address.sun_path);

    std::vector<int> flood;
    for (int i = 0; i < Flood; ++i) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ASSERT_GE(fd, 0);
        flood.push_back(fd);
        // A full backlog is only a wait for the reader to accept.
        bool connected = false;
        for (int attempt = 0; attempt < 2000 && !connected; ++attempt) {
            connected = ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
            if (!connected)
                QThread::msleep(1);
        }
    }

    LocalSocketListener sender(m_runtime.path());
    EXPECT_TRUE(sender.send(CopyDataRecord::showRequest()));
    EXPECT_TRUE(QFileInfo::exists(socketPath));
    for (int fd : flood)
        ::close(fd);
    reader->terminate();
    EXPECT_TRUE(ends(*reader));
}

TEST(PrivateRuntimeFolder, SharedFoldersAreNeverUsedForTheInstanceFiles)
{
    QTemporaryDir shared;
    ASSERT_EQ(::chmod(QFile::encodeName(shared.path()).constData(), 0755), 0);

    LocalSocketListener listener(shared.path());
    EXPECT_FALSE(listener.hook([](const CopyDataRecord &) {}));
    EXPECT_FALSE(listener.send(CopyDataRecord::showRequest()));
    LockFileInstanceGuard guard(shared.path());
    EXPECT_FALSE(guard.previousInstance());
    EXPECT_TRUE(QDir(shared.path()).isEmpty());

    // A runtime folder others may enter is passed over for one of our own.
    const QByteArray old = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(shared.path()));
    const QString folder = PrivateFolder::runtimeFolder();
    qputenv("XDG_RUNTIME_DIR", old);
    EXPECT_NE(folder, shared.path());
    EXPECT_TRUE(PrivateFolder::isPrivate(folder));
    struct stat status = {};
    ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
    EXPECT_EQ(status.st_uid, ::geteuid());
}
