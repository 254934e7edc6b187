#include "SynthesisWorker.h"

#include "SpeechControl.h"
#include "SpeechError.h"
#include "VoiceSetup.h"

#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>

namespace {

void reply(const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void replyError(int number, const QString &description)
{
    QString text = description;
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    reply(QStringLiteral("error %1 %2").arg(number).arg(text));
}

} // namespace

int SynthesisWorker::run(const QStringList &arguments)
{
    // Ctrl+C at a terminal reaches the whole process group; the converter that started the
    // worker decides what an interruption means and ends it itself.
    std::signal(SIGINT, SIG_IGN);
    const VoiceSetup voice = VoiceSetup::fromArguments(arguments);
    const int at = int(arguments.indexOf(QStringLiteral("--chunk-format")));
    const int format =
        at >= 0 ? arguments.value(at + 1).toInt() : int(SpeechControl::Format22kHz16BitMono);

    SpeechControl control(0);
    try {
        voice.apply(control);
    } catch (const SpeechError &e) {
        replyError(e.number, e.description);
        return 1;
    } catch (const std::exception &e) {
        replyError(SpeechErrors::SynthesisFailed, QString::fromUtf8(e.what()));
        return 1;
    }
    QObject::connect(&control, &SpeechControl::fileProgress,
                     [](qint64 done, qint64) { reply(QStringLiteral("p %1").arg(done)); });
    reply(QStringLiteral("ready"));

    std::string line;
    while (std::getline(std::cin, line)) {
        const QStringList paths = QString::fromStdString(line).split(QLatin1Char('\t'));
        if (paths.size() != 2) {
            replyError(SpeechErrors::InvalidArgument, QStringLiteral("Malformed request."));
            continue;
        }
        try {
            control.speakToFile(paths.at(0), 0, 2, 1, paths.at(1), 3, format, 1);
            reply(QStringLiteral("ok"));
        } catch (const SpeechError &e) {
            replyError(e.number, e.description);
        } catch (const std::exception &e) {
            replyError(SpeechErrors::SynthesisFailed, QString::fromUtf8(e.what()));
        }
    }
    return 0;
}
