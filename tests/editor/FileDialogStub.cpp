#include "FileDialogStub.h"

FileDialogStub::FileDialogStub()
{
    FileDialogService::setHandler([this](const FileDialogService::Request &request) {
        m_requests.append(request);
        if (request.optionChecked)
            *request.optionChecked = m_option;
        return m_answers.isEmpty() ? QString() : m_answers.takeFirst();
    });
}

FileDialogStub::~FileDialogStub()
{
    FileDialogService::setHandler({});
}
