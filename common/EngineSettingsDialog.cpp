#include "EngineSettingsDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

EngineSettingsDialog::EngineSettingsDialog(const QString &voice,
                                           const QList<EngineSetting> &settings,
                                           const EngineSettingValues &values, QWidget *parent,
                                           Sample sample)
    : QDialog(parent), m_settings(settings)
{
    setObjectName(QStringLiteral("EngineSettingsDialog"));
    setWindowTitle(tr("Speech Options - %1").arg(voice));

    auto *form = new QFormLayout;
    for (const EngineSetting &setting : std::as_const(m_settings)) {
        if (!setting.choices.isEmpty()) {
            auto *combo = new QComboBox(this);
            combo->setObjectName(setting.key);
            combo->addItems(setting.choices);
            form->addRow(setting.label, combo);
            m_editors.append(combo);
            continue;
        }
        auto *slider = new QSlider(Qt::Horizontal, this);
        slider->setObjectName(setting.key + QStringLiteral("Slider"));
        slider->setRange(setting.minimum, setting.maximum);
        auto *spin = new QSpinBox(this);
        spin->setObjectName(setting.key);
        spin->setRange(setting.minimum, setting.maximum);
        spin->setSuffix(setting.suffix);
        connect(slider, &QSlider::valueChanged, spin, &QSpinBox::setValue);
        connect(spin, &QSpinBox::valueChanged, slider, &QSlider::setValue);
        auto *row = new QHBoxLayout;
        row->addWidget(slider, 1);
        row->addWidget(spin);
        form->addRow(setting.label, row);
        m_editors.append(spin);
    }

    auto *buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::RestoreDefaults, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons->button(QDialogButtonBox::RestoreDefaults), &QPushButton::clicked, this,
            &EngineSettingsDialog::restoreDefaults);
    QPushButton *tryButton = buttons->addButton(tr("Try"), QDialogButtonBox::ActionRole);
    tryButton->setObjectName(QStringLiteral("tryButton"));
    tryButton->setToolTip(tr("Speak a short sample with these settings"));
    tryButton->setEnabled(bool(sample));
    connect(tryButton, &QPushButton::clicked, this, [this, sample] {
        if (sample)
            sample(this->values());
    });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("These settings apply to the voice \"%1\".").arg(voice), this));
    layout->addLayout(form);
    layout->addWidget(buttons);

    restoreDefaults();
    setValues(values);
}

void EngineSettingsDialog::setValues(const EngineSettingValues &values)
{
    for (int i = 0; i < m_settings.size(); ++i) {
        const EngineSetting &setting = m_settings[i];
        if (!values.contains(setting.key))
            continue;
        const int value = setting.clamp(values.value(setting.key));
        if (auto *combo = qobject_cast<QComboBox *>(m_editors[i]))
            combo->setCurrentIndex(value);
        else if (auto *spin = qobject_cast<QSpinBox *>(m_editors[i]))
            spin->setValue(value);
    }
}

void EngineSettingsDialog::restoreDefaults()
{
    EngineSettingValues defaults;
    for (const EngineSetting &setting : std::as_const(m_settings))
        defaults.insert(setting.key, setting.defaultValue);
    setValues(defaults);
}

EngineSettingValues EngineSettingsDialog::values() const
{
    EngineSettingValues result;
    for (int i = 0; i < m_settings.size(); ++i) {
        int value = m_settings[i].defaultValue;
        if (auto *combo = qobject_cast<QComboBox *>(m_editors[i]))
            value = combo->currentIndex();
        else if (auto *spin = qobject_cast<QSpinBox *>(m_editors[i]))
            value = spin->value();
        result.insert(m_settings[i].key, m_settings[i].clamp(value));
    }
    return result;
}
