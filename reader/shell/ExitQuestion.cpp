#include "ExitQuestion.h"

#include "MessageBoxService.h"

bool ExitQuestion::confirm()
{
    return MessageBoxService::show(
               QStringLiteral("Are you sure you want to exit the Larkvane Text-to-Speech "
                              "Reader? If you do dialogs and clipboard contents will no "
                              "longer be spoken."),
               MessageBoxService::YesNo, MessageBoxService::NoIcon,
               QStringLiteral("Exit Program?")) == MessageBoxService::ResultYes;
}
