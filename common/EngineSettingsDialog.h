#pragma once

#include "EngineSetting.h"

#include <QDialog>
#include <QList>

class QWidget;

// The engine settings dialog: one row per setting the engine offers, a slider with a number
// box for a range and a drop-down list for a choice. Each editor carries the setting's key as
// its object name. Shows the voice's stored values; values() is what the user chose.
class EngineSettingsDialog : public QDialog
{
    Q_OBJECT
public:
    EngineSettingsDialog(const QString &voice, const QList<EngineSetting> &settings,
                         const EngineSettingValues &values, QWidget *parent = nullptr);

    // A value for every setting, each within its range.
    EngineSettingValues values() const;
    void setValues(const EngineSettingValues &values);
    void restoreDefaults();

private:
    QList<EngineSetting> m_settings;
    QList<QWidget *> m_editors; // QSpinBox or QComboBox, in the order of m_settings
};
