#pragma once

#include "ConverterWindow.h"
#include "MessageBoxRecorder.h"
#include "SaveDialogService.h"

#include <QList>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

class Engine;
class ScriptedEngine;

// A converter run in this process: a text file as the reader writes it, the save dialog
// answered with a WAV path in the test's own folder, message boxes recorded.
class ConverterFixture : public ::testing::Test
{
protected:
    struct WavInfo
    {
        bool ok = false;
        int rate = 0;
        int channels = 0;
        int format = 0;
        qint64 frames = 0;
    };

    void SetUp() override;
    void TearDown() override;

    // A window whose speech control speaks with `engine`.
    std::unique_ptr<ConverterWindow> windowWith(std::unique_ptr<Engine> engine);
    // A window with a scripted engine holding `voices`; the engine stays reachable.
    std::unique_ptr<ConverterWindow> scriptedWindow(const QStringList &voices);

    // Writes the text file (again: a successful run removes it).
    void writeText(const QByteArray &text = "Hello there, patient listener.\r\n");
    // voice*text*speed*volume, the reader's standard form.
    QString standardLine(const QString &voice, const QString &speed = QStringLiteral("0"),
                         const QString &volume = QStringLiteral("80")) const;

    QStringList messages() const;
    // Files in the test folder other than the text file and the WAV file.
    QStringList strayFiles() const;
    static WavInfo inspect(const QString &path);

    QTemporaryDir m_dir;
    QString m_text;
    QString m_wav;
    QString m_saveAnswer;
    QList<SaveDialogService::Request> m_saveRequests;
    MessageBoxRecorder m_boxes;
    ScriptedEngine *m_engine = nullptr;
};
