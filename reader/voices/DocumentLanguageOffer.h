#pragma once

#include <QString>

class QComboBox;
class VoiceSelection;

// A document that names its language, opened while the voice in use speaks another, brings
// the offer to read it with a voice of its language. The choice goes through the voice list
// as the user's own would, so the list, the element in use and the stored voice all follow.
class DocumentLanguageOffer
{
public:
    DocumentLanguageOffer(VoiceSelection &voices, QComboBox *list);

    // `language` is the document's tag ("de-AT"); empty, or spoken by the voice in use (or
    // by no voice at all), asks nothing.
    void offer(const QString &language);

    static const QString QuestionText; // %1 document language, %2 voice in use, %3 offered

private:
    VoiceSelection &m_voices;
    QComboBox *m_list;
};
