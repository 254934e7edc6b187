#pragma once

#include <QObject>
#include <functional>

class QAction;
class QComboBox;
class QMenu;
class QWidget;
class VoiceSelection;

// Options > "Add Voice File..." and "Remove Voice File": voice files come and go from the
// menu, and the voice list is reloaded at once instead of at the next start.
class VoiceFileMenu : public QObject
{
    Q_OBJECT
public:
    struct Hooks
    {
        QWidget *window = nullptr;
        std::function<void()> stopSpeech;
        std::function<void()> applySpeedAndVolume;
    };

    VoiceFileMenu(QMenu *options, VoiceSelection &voices, QComboBox *voiceList, Hooks hooks,
                  QObject *parent = nullptr);

    void addVoice();
    void removeVoice();

    QAction *addVoiceAction = nullptr;
    QAction *removeVoiceAction = nullptr;

private:
    // Reloads the list and makes `voice` the one in use (element 0's own when empty).
    void reload(const QString &voice);

    VoiceSelection &m_voices;
    QComboBox *m_list;
    Hooks m_hooks;
};
