#pragma once

#include "EngineSetting.h"

#include <QDialog>
#include <QList>
#include <functional>

class QWidget;

// The engine settings dialog: one row per setting the engine offers, a slider with a number
// box for a range and a drop-down list for a choice. Each editor carries the setting's key as
// its object name. Shows the voice's stored values; values() is what the user chose. "Try"
// speaks a sample with the values shown, before they are kept.
class EngineSettingsDialog : public QDialog
{
    Q_OBJECT
public:
    using Sample = std::function<void(const EngineSettingValues &)>;
    // Without `sample` (nothing can be spoken now) the "Try" button is disabled.
    EngineSettingsDialog(const QString &voice, const QList<EngineSetting> &settings,
                         const EngineSettingValues &values, QWidget *parent = nullptr,
                         Sample sample = {});

    // A value for every setting, each within its range.
    EngineSettingValues values() const;
    void setValues(const EngineSettingValues &values);
    void restoreDefaults();

private:
    QList<EngineSetting> m_settings;
    QList<QWidget *> m_editors; // QSpinBox or QComboBox, in the order of m_settings
};
