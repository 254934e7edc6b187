#pragma once

#include "ConversionRequest.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

// Asks before a conversion, which can take long and make a large file; the user can switch
// the question off for the future.
class ConversionWarningDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ConversionWarningDialog(ConversionRequest request, QWidget *parent = nullptr);

    QLabel *warningLabel = nullptr;
    QCheckBox *dontShowAgainBox = nullptr;
    QPushButton *yesButton = nullptr;
    QPushButton *cancelButton = nullptr;

private:
    void confirm();
    void cancel();

    ConversionRequest m_request;
};
