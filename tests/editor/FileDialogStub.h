#pragma once

#include "FileDialogService.h"

#include <QList>
#include <QStringList>

// Answers the file dialogs for the lifetime of the object with queued names (an empty name
// is a cancelled dialog; an empty queue cancels too) and keeps the requests.
class FileDialogStub
{
public:
    FileDialogStub();
    ~FileDialogStub();

    void queueAnswer(const QString &path) { m_answers.append(path); }
    // How the next dialogs leave their check box.
    void setOption(bool checked) { m_option = checked; }
    const QList<FileDialogService::Request> &requests() const { return m_requests; }

private:
    QStringList m_answers;
    bool m_option = false;
    QList<FileDialogService::Request> m_requests;
};
