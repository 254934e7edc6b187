#pragma once

#include "ConversionRequest.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

// Asks before a conversion, which can take long and make a large file; the user can switch
// the question off for the future. It only asks: whoever shows it starts the conversion on Yes.
class ConversionWarningDialog : public QDialog
{
    Q_OBJECT
public:
    // On Yes, `storeChoice` keeps whether the box is ticked ("True" or "False").
    explicit ConversionWarningDialog(ConversionRequest::StoreSetting storeChoice,
                                     QWidget *parent = nullptr);

    QLabel *warningLabel = nullptr;
    QCheckBox *dontShowAgainBox = nullptr;
    QPushButton *yesButton = nullptr;
    QPushButton *cancelButton = nullptr;

private:
    void confirm();

    ConversionRequest::StoreSetting m_storeChoice;
};
