#include "FileDialogStub.h"

FileDialogStub::FileDialogStub()
{
    FileDialogService::setHandler([this](const FileDialogService::Request &request) {
        m_requests.append(request);
        return m_answers.isEmpty() ? QString() : m_answers.takeFirst();
    });
}

FileDialogStub::~FileDialogStub()
{
    FileDialogService::setHandler({});
}
