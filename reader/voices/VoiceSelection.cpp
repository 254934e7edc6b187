#include "VoiceSelection.h"

#include "IgnoreErrors.h"
#include "RegistryStore.h"
#include "SpeechControl.h"
#include "SpeechError.h"
#include "StandardErrorHandler.h"
#include "VoiceCatalogue.h"
#include "VoiceListDelegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>

namespace {
QStringList voiceNames(SpeechControl &element)
{
    QStringList names;
    for (const SpeechVoice &voice : element.voices())
        names << voice.name;
    return names;
}

// Adds the voices by name, each saying whether the word marked while it speaks is exact.
void addVoices(QComboBox *list, const QList<SpeechVoice> &voices)
{
    if (!qobject_cast<VoiceListDelegate *>(list->itemDelegate()))
        list->setItemDelegate(new VoiceListDelegate(list));
    for (const SpeechVoice &voice : voices) {
        list->addItem(voice.name);
        const int item = list->count() - 1;
        list->setItemData(item, voice.estimatedWords, VoiceListDelegate::EstimatedWordsRole);
        list->setItemData(item,
                          voice.estimatedWords
                              ? VoiceSelection::tr("This voice does not tell where it is in the "
                                                   "text: the marked word is an estimate.")
                              : VoiceSelection::tr("The marked word is the one being spoken."),
                          Qt::ToolTipRole);
    }
    // The open list is as wide as its widest entry, note included, so no note covers a name.
    QStyleOptionViewItem option;
    option.initFrom(list->view());
    int widest = list->view()->minimumWidth();
    for (int item = 0; item < list->count(); ++item)
        widest = std::max(
            widest, list->itemDelegate()->sizeHint(option, list->model()->index(item, 0)).width());
    list->view()->setMinimumWidth(widest + list->view()->verticalScrollBar()->sizeHint().width());
}

// Restores the normal cursor however the list's handler leaves.
struct WaitCursor
{
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};
} // namespace

VoiceSelection::VoiceSelection(Elements &speechControls, qint16 &engineIndex, QComboBox *voiceList,
                               Hooks hooks)
    : m_elements(speechControls), m_engineIndex(engineIndex), m_list(voiceList),
      m_hooks(std::move(hooks))
{
    if (!m_hooks.createElement)
        m_hooks.createElement = [](int index) { return std::make_unique<SpeechControl>(index); };
    if (!m_hooks.buildCatalogue)
        m_hooks.buildCatalogue = &VoiceCatalogue::loadCereVoices;
    if (!m_hooks.yield)
        m_hooks.yield = [] { QCoreApplication::processEvents(); };
}

bool VoiceSelection::isCereVoiceName(const QString &name)
{
    return name.contains(QStringLiteral("CereVoice"), Qt::CaseInsensitive);
}

SpeechControl &VoiceSelection::element(int index) const
{
    if (index < 0 || std::size_t(index) >= m_elements.size() || !m_elements[std::size_t(index)])
        throw SpeechError(9, QStringLiteral("There is no speech control element %1.").arg(index));
    return *m_elements[std::size_t(index)];
}

void VoiceSelection::setFolders(SpeechControl &element, int entry)
{
    const CereVoiceEntry &voice = VoiceCatalogue::cereVoices.at(entry);
    element.setEngineFolder(voice.engineDir);
    element.setVoiceFolder(voice.voiceDir);
}

void VoiceSelection::loadVoices()
{
    // The window waits only briefly for a registry that a voice installation holds locked;
    // the voices it could not read then are read again a little later.
    const std::shared_ptr<RegistryStore> store = RegistryStore::current();
    const int missesBefore = store->busyMisses();
    loadOnce();
    if (store->busyMisses() != missesBefore && m_list && m_registryRetries < MaxRegistryRetries) {
        ++m_registryRetries;
        QTimer::singleShot(RegistryRetryMs, m_list, [this] {
            const QString shown = m_list->currentText();
            loadVoices();
            if (!shown.isEmpty()) {
                setVoice(shown);
                m_list->setCurrentText(shown);
            }
        });
    }
}

void VoiceSelection::loadOnce()
{
    StandardErrorHandler handler(QStringLiteral(": LoadSynthesis"));
    if (!handler.run(1, [&] { m_hooks.buildCatalogue(); }))
        return;

    const int upper = int(VoiceCatalogue::cereVoices.size()) - 1;
    for (int i = 1; i <= upper; ++i) {
        // Elements live as long as the window: a second load reuses them, so that the
        // index of every element keeps matching its catalogue entry.
        if (!handler.run(2, [&] {
                if (m_elements.size() <= std::size_t(i)) {
                    m_elements.resize(std::size_t(i) + 1);
                }
                if (!m_elements[std::size_t(i)]) {
                    m_elements[std::size_t(i)] = m_hooks.createElement(i);
                    if (m_hooks.attachElement)
                        m_hooks.attachElement(*m_elements[std::size_t(i)]);
                }
            }))
            return;
        // Set twice, as the engine expects the folders confirmed before it loads the voice.
        if (!handler.run(4, [&] { setFolders(element(i), i); }) ||
            !handler.run(5, [&] { setFolders(element(i), i); }))
            return;
        // The element's CereVoice voice becomes its selected one; the last of several wins.
        if (!handler.run(7, [&] {
                for (const QString &name : voiceNames(element(i)))
                    if (isCereVoiceName(name))
                        element(i).selectVoice(name);
            }))
            return;
    }

    if (!handler.run(9, [&] { m_list->clear(); }))
        return;
    if (!handler.run(10, [&] {
            for (int i = 1; i <= upper; ++i) {
                const QString &key = VoiceCatalogue::cereVoices.at(i).tokenKey;
                if (!key.trimmed().isEmpty())
                    m_list->addItem(key);
            }
        }))
        return;
    // The standard voices as the engine lists them, unfiltered.
    if (!handler.run(11, [&] { addVoices(m_list, element(0).voices()); }))
        return;
    if (m_hooks.showSpeedAndVolume && !handler.run(13, [&] { m_hooks.showSpeedAndVolume(); }))
        return;
    for (int k = 0; k < 3; ++k)
        m_hooks.yield();
}

QString VoiceSelection::currentVoice()
{
    if (!m_currentCereVoice.isEmpty())
        return m_currentCereVoice;
    StandardErrorHandler handler(QStringLiteral(": GetCurVoice"));
    QString name;
    handler.run(1, [&] { name = element(m_engineIndex).voiceName(); });
    return name;
}

void VoiceSelection::setVoice(const QString &voiceName)
{
    if (currentVoice() == voiceName)
        return;
    StandardErrorHandler handler(
        QStringLiteral(": SetVoice idx %1: %2").arg(m_engineIndex).arg(voiceName));
    if (!handler.run(1, [&] { element(m_engineIndex).stop(); }))
        return;

    // The name and the index change together, also when the user aborts half way: the
    // voice reported in use is always the one the active element speaks with.
    bool found = false;
    if (isCereVoiceName(voiceName)) {
        const int upper = int(VoiceCatalogue::cereVoices.size()) - 1;
        for (int i = 1; i <= upper; ++i) {
            if (VoiceCatalogue::cereVoices.at(i).tokenKey != voiceName)
                continue;
            if (!handler.run(2, [&] { setFolders(element(i), i); }) ||
                !handler.run(3, [&] { setFolders(element(i), i); }))
                break;
            m_engineIndex = qint16(i);
            m_currentCereVoice = voiceName;
            found = true;
        }
    }
    if (found || handler.aborted())
        return;
    // Any other name is element 0's to resolve; one it does not know changes nothing there.
    m_engineIndex = 0;
    m_currentCereVoice.clear();
    ignoreErrors([&] { element(0).selectVoice(voiceName); });
}

void VoiceSelection::voiceChosen()
{
    WaitCursor wait;
    ignoreErrors([&] { element(m_engineIndex).stop(); });
    ignoreErrors([&] { m_hooks.yield(); });
    ignoreErrors([&] { setVoice(m_list->currentText()); });
    ignoreErrors([&] {
        if (m_hooks.showSpeedAndVolume)
            m_hooks.showSpeedAndVolume();
    });
}
