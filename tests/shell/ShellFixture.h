#pragma once

#include "MainWindowHooks.h"
#include "ReaderShell.h"

#include <QMainWindow>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>

// Readable failures.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

// A main window that keeps the state the shell reads and writes through its hooks, and
// lists the hooks in the order they were called.
struct FakeMainWindow
{
    QMainWindow window;
    bool clip = false;
    bool dialog = false;
    QString voiceList;
    QString engineVoice = QStringLiteral("Engine Voice");
    QStringList calls;
    QStringList voicesSet;
    // The answer to "Save changes to ...?": false is Cancel.
    bool documentSettled = true;

    MainWindowHooks hooks();
};

// A fresh folder per test for the runtime files and the settings, and a shell whose
// outside effects (opening files, ending the program, the tray) are recorded.
class ShellFixture : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    ShellOptions options();
    // A new shell over the same folder and settings: the next run of the reader.
    ReaderShell &newShell();
    ReaderShell &shell() { return *m_shell; }

    QString runtimeFolder() const;
    QString settingsFile() const;
    QString setting(const QString &section, const QString &key) const;
    void putSetting(const QString &section, const QString &key, const QString &value);

    QTemporaryDir m_dir;
    FakeMainWindow m_main;
    bool m_tray = true;
    int m_ended = 0;
    QStringList m_opened;
    int m_openResult = 42;
    std::unique_ptr<ReaderShell> m_shell;
};
