#pragma once

#include "ConversionRequest.h"
#include "MessageBoxRecorder.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// A conversion request whose converter start is recorded, with the per-user runtime folder
// (where the temporary text files go) pointed at a fresh folder of the test's own.
class ConvertFixture : public ::testing::Test
{
protected:
    struct Start
    {
        QString command;
        int showStyle = 0;
        QString workDir;
    };

    void SetUp() override;
    void TearDown() override;

    // A standard voice at speed -3 and volume 80, for a document of two lines.
    ConversionRequest request();

    // The names of the files in the runtime folder.
    QStringList runtimeFiles() const;
    QString runtimeFolder() const { return m_runtime.path(); }

    // The "*"-separated fields of the one recorded start, the program's quoted name taken
    // off.
    QStringList startedFields() const;

    static QByteArray contents(const QString &path);

    QList<Start> m_starts;
    QStringList m_stored;
    MessageBoxRecorder m_boxes;

private:
    QTemporaryDir m_runtime;
    QByteArray m_previousRuntime;
    bool m_hadRuntime = false;
};
