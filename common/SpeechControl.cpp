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

namespace {
constexpr size_t MaxPendingEvents = 4096;

SpeechError invalidValue(int property, int value)
{
    return SpeechError(
        SpeechErrors::InvalidArgument,
        QStringLiteral("Invalid value %1 for property %2.").arg(value).arg(property));
}

int intArgument(const QVariantList &arguments, int i)
{
    bool ok = false;
    const int value = arguments.value(i).toInt(&ok);
    if (!ok)
        throw SpeechError(SpeechErrors::InvalidArgument,
                          QStringLiteral("Argument %1 is not a number.").arg(i + 1));
    return value;
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
    m_voiceLanguages.clear();
    m_estimatedWords.clear();
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
    QStringList voices;
    QList<VoiceLanguages> languages;
    QList<bool> estimated;
    QString current;
    int rate = 22050;
    SpeechWorker::instance().run([&] {
        voices = engine->voiceNames();
        for (const QString &name : std::as_const(voices)) {
            languages.append(engine->voiceLanguages(name));
            estimated.append(engine->estimatesWords(name));
        }
        current = engine->currentVoice();
        rate = engine->sampleRate();
    });
    m_voices = voices;
    m_voiceLanguages = languages;
    m_estimatedWords = estimated;
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

void SpeechControl::speak(const QString &text)
{
    loadVoices();
    if (m_voices.isEmpty())
        throw SpeechError(SpeechErrors::NoVoice, QStringLiteral("No voice is available to speak."));
    SpeechHub::instance().speak(this, text);
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

void SpeechControl::speakToFile(const QString &textPath, int, int, int, const QString &wavPath, int,
                                int format, int)
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

void SpeechControl::enableEvent(int kind)
{
    if (kind != EventSpeechStarted && kind != EventSpeechEnded && kind != EventWordReached)
        throw SpeechError(SpeechErrors::InvalidArgument,
                          QStringLiteral("Unknown event kind %1.").arg(kind));
    m_enabledEvents.insert(kind);
}

void SpeechControl::raise(int kind, int position)
{
    if (!m_enabledEvents.count(kind))
        return;
    // A caller that never releases its records must not make the queue grow for ever.
    if (m_pendingEvents.size() >= MaxPendingEvents)
        m_pendingEvents.pop_front();
    SpeechResource record;
    record.resourceKind = ResourceEvent;
    record.eventKind = kind;
    record.position = position;
    m_pendingEvents.push_back(record);
    emit HasEvent(m_index);
}

int SpeechControl::countResources(int kind)
{
    if (kind == ResourceVoice) {
        loadVoices();
        return int(m_voices.size());
    }
    if (kind == ResourceEvent)
        return int(m_pendingEvents.size());
    throw SpeechError(SpeechErrors::NoSuchResource,
                      QStringLiteral("Unknown resource kind %1.").arg(kind));
}

SpeechResource SpeechControl::getResource(int kind, int index)
{
    if (kind == ResourceVoice) {
        loadVoices();
        if (index < 0 || index >= m_voices.size())
            throw SpeechError(SpeechErrors::NoSuchResource,
                              QStringLiteral("There is no voice %1.").arg(index));
        SpeechResource record;
        record.resourceKind = ResourceVoice;
        record.name = m_voices.at(index);
        record.languages = m_voiceLanguages.value(index);
        record.estimatedWords = m_estimatedWords.value(index);
        return record;
    }
    if (kind == ResourceEvent) {
        if (index < 0 || size_t(index) >= m_pendingEvents.size())
            throw SpeechError(SpeechErrors::NoSuchResource, QStringLiteral("No event is pending."));
        return m_pendingEvents.at(size_t(index));
    }
    throw SpeechError(SpeechErrors::NoSuchResource,
                      QStringLiteral("Unknown resource kind %1.").arg(kind));
}

void SpeechControl::removeResource(int kind, int index)
{
    if (kind != ResourceEvent)
        throw SpeechError(SpeechErrors::NoSuchResource,
                          QStringLiteral("Resource kind %1 cannot be removed.").arg(kind));
    if (index < 0 || size_t(index) >= m_pendingEvents.size())
        throw SpeechError(SpeechErrors::NoSuchResource, QStringLiteral("No event is pending."));
    m_pendingEvents.erase(m_pendingEvents.begin() + index);
}

void SpeechControl::setNumberProperty(int property, int value)
{
    switch (property) {
    case PropertyRate:
        if (value < -10 || value > 10)
            throw invalidValue(property, value);
        m_rate = value;
        return;
    case PropertyVolume:
        if (value < 1 || value > 99)
            throw invalidValue(property, value);
        m_volume = value;
        return;
    case PropertyEngineMode:
        m_engineMode = value;
        return;
    case PropertyVoiceOption:
        m_voiceOption = value;
        return;
    default:
        throw SpeechError(SpeechErrors::UnsupportedProperty,
                          QStringLiteral("Number property %1 is not supported.").arg(property));
    }
}

int SpeechControl::numberProperty(int property)
{
    switch (property) {
    case PropertyRate:
        return m_rate;
    case PropertyVolume:
        return m_volume;
    case PropertyEngineMode:
        return m_engineMode;
    case PropertyVoiceOption:
        return m_voiceOption;
    default:
        throw SpeechError(SpeechErrors::UnsupportedProperty,
                          QStringLiteral("Number property %1 is not supported.").arg(property));
    }
}

bool SpeechControl::propertySupported(int test, int property)
{
    return test == SupportNumberProperty &&
           (property == PropertyRate || property == PropertyVolume);
}

void SpeechControl::setStringProperty(int property, const QString &value)
{
    switch (property) {
    case PropertyVoiceName:
        loadVoices();
        if (!m_voices.contains(value))
            throw SpeechError(SpeechErrors::UnknownVoice,
                              QStringLiteral("There is no voice named \"%1\".").arg(value));
        m_voiceName = value;
        // Voices of one element may come from engines with different sample rates; the
        // audio of the next utterance is played at the chosen voice's.
        {
            Engine *engine = m_engine.get();
            int rate = m_sampleRate;
            SpeechWorker::instance().run([&] {
                engine->selectVoice(value);
                rate = engine->sampleRate();
            });
            m_sampleRate = rate;
        }
        return;
    case PropertyEngineFolder:
        m_engineFolder = value;
        return;
    case PropertyVoiceFolder:
        if (value == m_voiceFolder)
            return;
        m_voiceFolder = value;
        // The folder decides the engine. The same folder set again (the loading sets it
        // twice, and again at every switch to this voice) keeps the loaded voice.
        if (!value.trimmed().isEmpty())
            setEngine(std::make_unique<FliteEngine>(value));
        else if (dynamic_cast<FliteEngine *>(m_engine.get()))
            setEngine(EngineGroup::standardVoices());
        return;
    default:
        throw SpeechError(SpeechErrors::UnsupportedProperty,
                          QStringLiteral("String property %1 is not supported.").arg(property));
    }
}

QString SpeechControl::stringProperty(int property)
{
    switch (property) {
    case PropertyVoiceName:
        loadVoices();
        return m_voiceName;
    case PropertyEngineFolder:
        return m_engineFolder;
    case PropertyVoiceFolder:
        return m_voiceFolder;
    default:
        throw SpeechError(SpeechErrors::UnsupportedProperty,
                          QStringLiteral("String property %1 is not supported.").arg(property));
    }
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
    Engine::Params params = utteranceParams();
    params.settings = settings;
    SpeechHub::instance().speak(
        this, sampleText(m_voiceLanguages.value(int(m_voices.indexOf(m_voiceName)))), params,
        false);
}

void SpeechControl::showDialog(int dialog, QWidget *parent)
{
    if (!m_engine->hasDialog(dialog))
        throw SpeechError(SpeechErrors::NoSuchDialog,
                          QStringLiteral("The engine has no dialog %1.").arg(dialog));
    if (dialog != DialogEngineSettings && dialog != DialogPronunciation) {
        m_engine->showDialog(dialog, parent);
        return;
    }
    // Both dialogs keep what they set per voice: without a voice there is nothing to set.
    loadVoices();
    if (m_voiceName.isEmpty())
        throw SpeechError(SpeechErrors::NoVoice, QStringLiteral("No voice is selected."));
    EngineSettingsStore store;
    if (dialog == DialogEngineSettings) {
        const QList<EngineSetting> settings = m_engine->settingList();
        if (settings.isEmpty())
            throw SpeechError(SpeechErrors::NoSuchDialog,
                              QStringLiteral("The engine has no settings."));
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
    } else {
        PronunciationDialog box(m_voiceName, store.lexicon(m_voiceName), parent);
        if (DialogRunner::exec(box) == QDialog::Accepted)
            store.setLexicon(m_voiceName, box.lexicon());
    }
}

QVariant SpeechControl::invoke(int operation, const QVariantList &a)
{
    auto need = [&](int count) {
        if (a.size() < count)
            throw SpeechError(
                SpeechErrors::InvalidArgument,
                QStringLiteral("Operation %1 needs %2 arguments.").arg(operation).arg(count));
    };
    switch (operation) {
    case OpSpeak:
        if (a.size() >= 8) {
            speakToFile(a.at(0).toString(), intArgument(a, 1), intArgument(a, 2), intArgument(a, 3),
                        a.at(4).toString(), intArgument(a, 5), intArgument(a, 6),
                        intArgument(a, 7));
            return {};
        }
        need(1);
        speak(a.at(0).toString());
        return {};
    case OpStop:
        stop();
        return {};
    case OpEnableEvent:
        need(1);
        enableEvent(intArgument(a, 0));
        return {};
    case OpCountResources:
        need(1);
        return countResources(intArgument(a, 0));
    case OpGetResource: {
        need(2);
        const SpeechResource r = getResource(intArgument(a, 0), intArgument(a, 1));
        QVariantMap map{{QStringLiteral("kind"), r.eventKind},
                        {QStringLiteral("position"), r.position},
                        {QStringLiteral("name"), r.name}};
        return map;
    }
    case OpRemoveResource:
        need(2);
        removeResource(intArgument(a, 0), intArgument(a, 1));
        return {};
    case OpSetNumberProperty:
        need(2);
        setNumberProperty(intArgument(a, 0), intArgument(a, 1));
        return {};
    case OpGetNumberProperty:
        need(1);
        return numberProperty(intArgument(a, 0));
    case OpPropertySupported:
        need(2);
        return propertySupported(intArgument(a, 0), intArgument(a, 1));
    case OpSetStringProperty:
        need(2);
        setStringProperty(intArgument(a, 0), a.at(1).toString());
        return {};
    case OpGetStringProperty:
        need(1);
        return stringProperty(intArgument(a, 0));
    case OpShowDialog:
        need(1);
        showDialog(intArgument(a, 0));
        return {};
    default:
        throw SpeechError(SpeechErrors::UnknownOperation,
                          QStringLiteral("Unknown operation %1.").arg(operation));
    }
}
