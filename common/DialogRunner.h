#pragma once

#include <functional>

class QDialog;

// Runs the modal dialogs of the speech component. Tests install a handler that fills in
// the dialog's widgets and accepts or rejects it, without a window.
class DialogRunner
{
public:
    using Handler = std::function<int(QDialog &)>;

    // Shows the dialog modally (or hands it to the installed handler) and returns its
    // result, QDialog::Accepted or QDialog::Rejected.
    static int exec(QDialog &dialog);

    // Installs a replacement; an empty handler restores the real dialog.
    static void setHandler(Handler handler);
};
