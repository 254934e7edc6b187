#include "ExitQuestion.h"

#include "MessageBoxService.h"

bool ExitQuestion::confirm()
{
    MessageBoxService::Request request;
    request.text = QStringLiteral("Are you sure you want to exit the Larkvane Text-to-Speech "
                                  "Reader? If you do dialogs and clipboard contents will no "
                                  "longer be spoken.");
    request.buttons = MessageBoxService::YesNo;
    request.title = QStringLiteral("Exit Program?");
    // Enter alone must not end the background readers.
    request.defaultButton = MessageBoxService::ResultNo;
    return MessageBoxService::show(request) == MessageBoxService::ResultYes;
}
