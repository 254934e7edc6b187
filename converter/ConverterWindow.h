#pragma once

#include "AudioBookWriter.h"
#include "BookOutline.h"
#include "OutputChoice.h"
#include "SpeechControl.h"

#include <QWidget>
#include <memory>
#include <optional>

class ParallelSynthesis;
class QLabel;
class QProgressBar;
class QPushButton;

// The converter's one window: it reads the command line the reader wrote, asks where to
// save, has the engine speak the text file into a WAV file and reports the result. It is
// shown only while the engine works, with the share of the text done and a Cancel button.
class ConverterWindow : public QWidget
{
    Q_OBJECT
public:
    // How a run ended; the program's exit code.
    enum Outcome {
        Created = 0,
        NotFromReader = 1,
        InvalidOptions = 2,
        SaveCancelled = 3,
        Stopped = 4,
        Failed = 5,
    };

    // `control` replaces the standard speech control (tests give it a scripted engine).
    explicit ConverterWindow(std::unique_ptr<SpeechControl> control = nullptr,
                             QWidget *parent = nullptr);
    ~ConverterWindow() override;

    // Handles the whole command line and returns when the conversion is over.
    Outcome run(const QString &commandLine);
    // Converts the text file with the voice given (a voice name, or "CereProc" with the engine
    // and voice folders) at the window's speed and volume.
    Outcome convert(const QString &engineName, const QString &fileToOpen, const QString &enginePath,
                    const QString &languagePath);

    // The voice the CereVoice set-up leaves selected: the last one whose name holds
    // "CereVoice" in any case; empty when none does.
    static QString lastCereVoice(const QStringList &voices);
    // Whether two paths name one existing file.
    static bool isSameFile(const QString &first, const QString &second);

    // The converter started as synthesis workers so that every core speaks; empty speaks in
    // this process through speechControl alone.
    void setWorkerProgram(const QString &program) { m_workerProgram = program; }

    SpeechControl *speechControl = nullptr;
    QLabel *iconLabel = nullptr;
    QLabel *statusLabel = nullptr;
    QProgressBar *progressBar = nullptr;
    QPushButton *cancelButton = nullptr;

    int speed = 0;
    int volume = 0;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void cancelConversion();
    // The window's title and caption name the format being written.
    void nameFormat(AudioFileWriter::Format format);
    void setUpStandardVoice(const QString &engineName);
    void setUpCereVoice(const QString &enginePath, const QString &languagePath);
    void applySpeedAndVolume();
    Outcome synthesize(const QString &engineName, const QString &fileToOpen, const QString &wavFile,
                       AudioFileWriter::Format format);
    void speakInParallel(const QString &engineName, const QString &fileToOpen,
                         const QString &outFile, AudioFileWriter::Format format, int chunkFormat);
    void speakHere(const QString &engineName, const QString &fileToOpen, const QString &outFile,
                   AudioFileWriter::Format format, int chunkFormat);
    // The voice as files name it: the voice file's voice, else the engine's voice name.
    QString voiceLabel(const QString &engineName) const;
    AudioBook bookFor(const QString &engineName, const QString &text) const;
    // Writes the audio file (or one per chapter), with subtitles beside each when asked for,
    // or the narrated book, speaking through `speak`.
    void writeBook(const AudioBook &book, const QString &outFile, AudioFileWriter::Format format,
                   int rate, const AudioBookWriter::Speak &speak);
    void writeNarratedBook(const AudioBook &book, const QString &outFile, int rate,
                           const AudioBookWriter::Speak &speak);
    QString chapterFolder(const QString &outFile) const;
    void fileProgress(qint64 done, qint64 total);

    std::unique_ptr<SpeechControl> m_control;
    QString m_workerProgram;
    QString m_engineName;
    QString m_enginePath;
    QString m_languagePath;
    ParallelSynthesis *m_parallel = nullptr;
    // What the reader wrote beside the text file, and what the user chose to write.
    std::optional<BookOutline> m_outline;
    OutputChoice m_output;
    qsizetype m_progressOffset = 0; // where in the book the part being spoken starts
    qsizetype m_progressTotal = 0;
    bool m_working = false;
    bool m_cancelRequested = false;
};
