#pragma once

#include "ConversionRequest.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

// Asks before a conversion, which can take long and make a large file; the user can switch
// the question off for the future.
class frmConvertWarn : public QDialog
{
    Q_OBJECT
public:
    explicit frmConvertWarn(ConversionRequest request, QWidget *parent = nullptr);

    QLabel *Label1 = nullptr;
    QCheckBox *Check1 = nullptr;
    QPushButton *cmdYes = nullptr;
    QPushButton *cmdCancel = nullptr;

private:
    void cmdYes_Click();
    void cmdCancel_Click();

    ConversionRequest m_request;
};
