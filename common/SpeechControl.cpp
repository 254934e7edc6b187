#include "SpeechControl.h"

#include "DialogRunner.h"
#include "Engine.h"
#include "EngineGroup.h"
#include "EngineSettingsDialog.h"
#include "EngineSettingsStore.h"
#include "FliteEngine.h"
#include "PronunciationDialog.h"
#include "Resampler.h"
#include "SpeechError.h"
#include "SpeechHub.h"
#include "SpeechWorker.h"
#include "TextFileDecoder.h"
#include "WavFileWriter.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTimer>
#include <algorithm>

namespace {
// How Engine::hasDialog() numbers the two dialogs every engine with settings brings.
constexpr int EngineSettingsDialogId = 13;
constexpr int PronunciationDialogId = 0;
// The numbers the error message has always named the two settings by.
constexpr int RateSettingNumber = 31;
constexpr int VolumeSettingNumber = 36;

SpeechError invalidValue(int setting, int value)
{
    return SpeechError(SpeechErrors::InvalidArgument,
                       QStringLiteral("Invalid value %1 for property %2.").arg(value).arg(setting));
}
} // namespace

SpeechControl::SpeechControl(int index, QObject *parent)
    : SpeechControl(index, EngineGroup::standardVoices(), parent)
{
}

SpeechControl::SpeechControl(int index, std::unique_ptr<Engine> engine, QObject *parent)
    : QObject(parent), m_index(index)
{
    adoptEngine(std::move(engine));
}

SpeechControl::~SpeechControl()
{
    SpeechHub::instance().forget(this);
    if (m_fileAbort)
        *m_fileAbort = true;
    // The engine is only ever touched on the worker; let it finish with it there.
    if (m_engine) {
        Engine *engine = m_engine.release();
        SpeechWorker::instance().run([engine] { delete engine; });
    }
}

void SpeechControl::adoptEngine(std::unique_ptr<Engine> engine)
{
    SpeechHub::instance().forget(this);
    if (m_engine) {
        Engine *old = m_engine.release();
        SpeechWorker::instance().post([old] { delete old; });
    }
    m_engine = std::move(engine);
    m_voices.clear();
    m_voiceName.clear();
    m_voicesLoaded = false;
}

void SpeechControl::setEngine(std::unique_ptr<Engine> engine)
{
    adoptEngine(std::move(engine));
}

void SpeechControl::loadVoices()
{
    if (m_voicesLoaded)
        return;
    Engine *engine = m_engine.get();
    QList<SpeechVoice> voices;
    QString current;
    int rate = 22050;
    SpeechWorker::instance().run([&] {
        const QStringList names = engine->voiceNames();
        for (const QString &name : names)
            voices.append({name, engine->voiceLanguages(name), engine->estimatesWords(name)});
        current = engine->currentVoice();
        rate = engine->sampleRate();
    });
    m_voices = voices;
    m_voiceName = current;
    m_sampleRate = rate;
    m_voicesLoaded = true;
}

Engine::Params SpeechControl::utteranceParams() const
{
    Engine::Params params;
    params.rate = m_rate;
    params.volume = m_volume;
    if (!m_voiceName.isEmpty())
        params.settings = EngineSettingsStore().values(m_voiceName);
    return params;
}

PronunciationLexicon::Rewrite SpeechControl::rewrite(const QString &text) const
{
    const PronunciationLexicon lexicon =
        m_voiceName.isEmpty() ? PronunciationLexicon() : EngineSettingsStore().lexicon(m_voiceName);
    return lexicon.rewrite(text);
}

SpeechHub::Request SpeechControl::utteranceRequest(const QString &text) const
{
    SpeechHub::Request request;
    request.engine = m_engine.get();
    request.voice = m_voiceName;
    request.sampleRate = m_sampleRate;
    request.text = text;
    request.spoken = rewrite(text);
    request.params = utteranceParams();
    return request;
}

const SpeechVoice *SpeechControl::findVoice(const QString &name) const
{
    const auto voice =
        std::find_if(m_voices.cbegin(), m_voices.cend(),
                     [&](const SpeechVoice &offered) { return offered.name == name; });
    return voice == m_voices.cend() ? nullptr : &*voice;
}

void SpeechControl::speak(const QString &text)
{
    loadVoices();
    if (m_voices.isEmpty())
        throw SpeechError(SpeechErrors::NoVoice, QStringLiteral("No voice is available to speak."));
    SpeechHub::instance().speak(this, utteranceRequest(text));
}

QByteArray SpeechControl::readRegularFile(const QString &path)
{
    // Only a regular file is opened: a FIFO or a device would hold the caller (the window,
    // with its Cancel button) until somebody writes to it. Looking first costs no wait.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        throw SpeechError(SpeechErrors::FileNotFound,
                          QStringLiteral("Cannot read %1: it is not a regular file.").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw SpeechError(SpeechErrors::FileNotFound,
                          QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
    return file.readAll();
}

void SpeechControl::speakToFile(const QString &textPath, const QString &wavPath, int format)
{
    const int fileRate = fileFormatRate(format);
    const QString text = TextFileDecoder::decode(readRegularFile(textPath));
    prepareFileVoice();
    // The writer is opened here so that an unwritable place fails before any synthesis.
    WavFileWriter writer(wavPath, fileRate, fileRate);
    try {
        speakText(text, fileRate,
                  [&writer](const qint16 *samples, int count) { writer.write(samples, count); });
        writer.finish();
    } catch (...) {
        writer.discard();
        throw;
    }
    emit fileProgress(text.size(), text.size());
}

int SpeechControl::fileFormatRate(int format)
{
    if (format == Format22kHz16BitMono)
        return 22050;
    if (format == Format16kHz16BitMono)
        return 16000;
    throw SpeechError(SpeechErrors::InvalidArgument,
                      QStringLiteral("Unknown audio format %1.").arg(format));
}

void SpeechControl::prepareFileVoice()
{
    loadVoices();
    if (m_voices.isEmpty())
        throw SpeechError(SpeechErrors::NoVoice, QStringLiteral("No voice is available to speak."));
    bool playsItself = false;
    SpeechWorker::instance().run([&, engine = m_engine.get()] {
        if (!m_voiceName.isEmpty() && engine->currentVoice() != m_voiceName)
            engine->selectVoice(m_voiceName);
        playsItself = engine->playsItself();
    });
    if (playsItself)
        throw SpeechError(SpeechErrors::SynthesisFailed,
                          QStringLiteral("The voice \"%1\" is spoken by speech-dispatcher, which "
                                         "cannot write audio files. Choose another voice to "
                                         "convert a text.")
                              .arg(m_voiceName));
}

void SpeechControl::speakText(const QString &text, int outputRate, const AudioSink &sink,
                              const WordSink &words)
{
    prepareFileVoice();
    auto resampler = std::make_shared<Resampler>(m_sampleRate, outputRate);
    auto abort = std::make_shared<std::atomic<bool>>(false);
    m_fileAbort = abort;
    auto done = std::make_shared<std::atomic<qint64>>(0);
    auto finished = std::make_shared<std::atomic<bool>>(false);
    auto failure = std::make_shared<std::optional<SpeechError>>();

    Engine *engine = m_engine.get();
    const QString voice = m_voiceName;
    const Engine::Params params = utteranceParams();
    const PronunciationLexicon::Rewrite spoken = rewrite(text);
    QEventLoop loop;
    const int engineRate = m_sampleRate;
    SpeechWorker::instance().post([=, &loop, &sink, &words] {
        try {
            if (!voice.isEmpty() && engine->currentVoice() != voice)
                engine->selectVoice(voice);
            std::vector<qint16> converted;
            const bool complete = engine->synthesize(
                spoken.text(), params,
                [&](const qint16 *samples, int count) {
                    if (*abort)
                        return false;
                    converted.clear();
                    resampler->process(samples, count, converted);
                    if (!converted.empty())
                        sink(converted.data(), int(converted.size()));
                    return true;
                },
                [&](qint64 sample, int position, int length) {
                    const auto [start, size] = spoken.original(position, length);
                    *done = start + size;
                    // The resampler keeps its output in step with its input, so the word
                    // starts at the same instant at the output rate.
                    if (words)
                        words(sample * outputRate / engineRate, start, size);
                });
            if (!complete || *abort)
                throw SpeechError(SpeechErrors::Cancelled,
                                  QStringLiteral("Speaking to file was stopped."));
            converted.clear();
            resampler->flush(converted);
            if (!converted.empty())
                sink(converted.data(), int(converted.size()));
        } catch (const SpeechError &e) {
            *failure = e;
        } catch (const std::exception &e) {
            *failure = SpeechError(SpeechErrors::SynthesisFailed, QString::fromUtf8(e.what()));
        }
        *finished = true;
        QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
    });

    QTimer progress;
    progress.setInterval(100);
    connect(&progress, &QTimer::timeout, this, [&] {
        emit fileProgress(*done, text.size());
        if (*finished)
            loop.quit();
    });
    progress.start();
    if (!*finished)
        loop.exec();
    // The job may have posted its quit before the loop ran; make sure it is really over
    // before the loop object goes away.
    SpeechWorker::instance().run([] {});
    m_fileAbort.reset();
    if (*failure)
        throw **failure;
}

void SpeechControl::stop()
{
    if (m_fileAbort)
        *m_fileAbort = true;
    SpeechHub::instance().stop(this);
}

bool SpeechControl::isSpeaking() const
{
    return SpeechHub::instance().isSpeaking(this);
}

void SpeechControl::utteranceEvent(SpeechEvent event, int position)
{
    switch (event) {
    case SpeechEvent::Started:
        emit speechStarted(position);
        break;
    case SpeechEvent::WordReached:
        emit wordReached(position);
        break;
    case SpeechEvent::Ended:
        emit speechEnded(position);
        break;
    }
}

void SpeechControl::setRate(int rate)
{
    if (rate < -10 || rate > 10)
        throw invalidValue(RateSettingNumber, rate);
    m_rate = rate;
}

void SpeechControl::setVolume(int volume)
{
    if (volume < 1 || volume > 99)
        throw invalidValue(VolumeSettingNumber, volume);
    m_volume = volume;
}

QList<SpeechVoice> SpeechControl::voices()
{
    loadVoices();
    return m_voices;
}

QString SpeechControl::voiceName()
{
    loadVoices();
    return m_voiceName;
}

void SpeechControl::selectVoice(const QString &name)
{
    loadVoices();
    if (!findVoice(name))
        throw SpeechError(SpeechErrors::UnknownVoice,
                          QStringLiteral("There is no voice named \"%1\".").arg(name));
    m_voiceName = name;
    // Voices of one element may come from engines with different sample rates; the audio of
    // the next utterance is played at the chosen voice's.
    Engine *engine = m_engine.get();
    int rate = m_sampleRate;
    SpeechWorker::instance().run([&] {
        engine->selectVoice(name);
        rate = engine->sampleRate();
    });
    m_sampleRate = rate;
}

void SpeechControl::setVoiceFolder(const QString &folder)
{
    if (folder == m_voiceFolder)
        return;
    m_voiceFolder = folder;
    // The folder decides the engine. The same folder set again (the loading sets it twice,
    // and again at every switch to this voice) keeps the loaded voice.
    if (!folder.trimmed().isEmpty())
        setEngine(std::make_unique<FliteEngine>(folder));
    else if (dynamic_cast<FliteEngine *>(m_engine.get()))
        setEngine(EngineGroup::standardVoices());
}

QString SpeechControl::sampleText(const VoiceLanguages &languages)
{
    static const QHash<QString, QString> samples{
        {QStringLiteral("de"), QStringLiteral("So klinge ich mit diesen Einstellungen.")},
        {QStringLiteral("fr"), QStringLiteral("Voici ma voix avec ces réglages.")},
        {QStringLiteral("es"), QStringLiteral("Así sueno con estos ajustes.")},
        {QStringLiteral("it"), QStringLiteral("Ecco come suono con queste impostazioni.")},
        {QStringLiteral("pt"), QStringLiteral("É assim que eu soo com estas definições.")},
        {QStringLiteral("nl"), QStringLiteral("Zo klink ik met deze instellingen.")},
    };
    const QString language =
        languages.isEmpty() ? QString() : languages.first().tag.section(QLatin1Char('-'), 0, 0);
    return samples.value(language, QStringLiteral("This is how I sound with these settings."));
}

void SpeechControl::speakSample(const EngineSettingValues &settings)
{
    loadVoices();
    if (m_voiceName.isEmpty() || SpeechHub::instance().readingInProgress())
        return;
    const SpeechVoice *voice = findVoice(m_voiceName);
    const VoiceLanguages languages = voice ? voice->languages : VoiceLanguages();
    SpeechHub::Request request = utteranceRequest(sampleText(languages));
    request.params.settings = settings;
    request.raisesEvents = false;
    SpeechHub::instance().speak(this, request);
}

void SpeechControl::checkDialog(int id)
{
    if (!m_engine->hasDialog(id))
        throw SpeechError(SpeechErrors::NoSuchDialog,
                          QStringLiteral("The engine has no dialog %1.").arg(id));
    // Both dialogs keep what they set per voice: without a voice there is nothing to set.
    loadVoices();
    if (m_voiceName.isEmpty())
        throw SpeechError(SpeechErrors::NoVoice, QStringLiteral("No voice is selected."));
}

void SpeechControl::showSettingsDialog(QWidget *parent)
{
    checkDialog(EngineSettingsDialogId);
    const QList<EngineSetting> settings = m_engine->settingList();
    if (settings.isEmpty())
        throw SpeechError(SpeechErrors::NoSuchDialog,
                          QStringLiteral("The engine has no settings."));
    EngineSettingsStore store;
    // A reading under way is not cut short for a sample.
    EngineSettingsDialog::Sample sample;
    if (!SpeechHub::instance().readingInProgress())
        sample = [this](const EngineSettingValues &values) { speakSample(values); };
    EngineSettingsDialog box(m_voiceName, settings, store.values(m_voiceName), parent, sample);
    const int result = DialogRunner::exec(box);
    if (!SpeechHub::instance().readingInProgress())
        SpeechHub::instance().stop(this);
    if (result == QDialog::Accepted)
        store.setValues(m_voiceName, box.values());
}

void SpeechControl::showPronunciationDialog(QWidget *parent)
{
    checkDialog(PronunciationDialogId);
    EngineSettingsStore store;
    PronunciationDialog box(m_voiceName, store.lexicon(m_voiceName), parent);
    if (DialogRunner::exec(box) == QDialog::Accepted)
        store.setLexicon(m_voiceName, box.lexicon());
}
