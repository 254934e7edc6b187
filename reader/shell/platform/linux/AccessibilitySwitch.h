#pragma once

#include <QObject>

// The desktop's accessibility switch (the "IsEnabled" property of org.a11y.Status on the
// session bus). Qt programs, among others, describe their windows on the accessibility bus
// only while it is on; screen readers turn it on, and so does the dialog reader while it
// reads. What this switch turned on it turns off again, and nothing else: a screen reader
// that had it on keeps it on.
class AccessibilitySwitch : public QObject
{
    Q_OBJECT
public:
    explicit AccessibilitySwitch(QObject *parent = nullptr);
    ~AccessibilitySwitch() override;

    void setOn(bool on);
    // Whether the desktop's switch is on because this one turned it on.
    bool turnedOn() const { return m_turnedOn; }

private:
    void setEnabled(bool enabled, bool wait);

    bool m_wanted = false;
    bool m_turnedOn = false;
};
