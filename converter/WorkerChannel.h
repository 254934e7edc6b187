#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <sys/types.h>

class QSocketNotifier;

// A synthesis worker process and the two pipes to it: its standard input, written without
// blocking the converter, and its standard output, read as it arrives. The worker is either
// started afresh from the converter's program or one of the spares forked at start-up
// (WorkerSpares); both speak the same protocol (SynthesisWorker).
class WorkerChannel : public QObject
{
    Q_OBJECT
public:
    // Takes over a running worker: `toWorker` is the write end of its standard input,
    // `fromWorker` the read end of its standard output (both from openPipes).
    WorkerChannel(pid_t pid, int toWorker, int fromWorker, QObject *parent = nullptr);
    ~WorkerChannel() override;

    // Starts `program` as a worker; nullptr with `error` set when it cannot be started.
    static WorkerChannel *start(const QString &program, QObject *parent, QString *error);
    // The pipes for a worker's input and output, closed in programs started later; false
    // with errno set when there are none.
    static bool openPipes(int input[2], int output[2]);

    // Queued and written as the worker takes it.
    void write(const QByteArray &data);
    // Everything read since the last call.
    QByteArray readAll();
    // The worker's input ends once what is queued has been written.
    void closeInput();
    void kill();
    // True when the worker has ended within `msecs`.
    bool waitForFinished(int msecs);

signals:
    void readyRead();
    // Its output has ended: the worker is gone or going.
    void finished();

private:
    void readAvailable();
    void writeQueued();
    void closeWriting();
    bool reap(bool wait);

    pid_t m_pid;
    int m_toWorker;
    int m_fromWorker;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
    QByteArray m_incoming;
    QByteArray m_outgoing;
    qsizetype m_written = 0;
    bool m_closeWhenWritten = false;
};
