#include "ReadingControls.h"

#include "SpeechControl.h"
#include "SpeechError.h"

#include <QTimer>

namespace {
// The run time's number for an index outside an array.
constexpr int SubscriptOutOfRange = 9;
} // namespace

SpeechControl &ReadingControls::element(int index) const
{
    if (!speechControls || index < 0 || size_t(index) >= speechControls->size() ||
        !(*speechControls)[index])
        throw SpeechError(SubscriptOutOfRange,
                          QStringLiteral("There is no speech control element %1.").arg(index));
    return *(*speechControls)[size_t(index)];
}

SpeechControl &ReadingControls::activeElement() const
{
    return element(engineIndex ? *engineIndex : 0);
}

void ReadingControls::enableTimer(QTimer *timer)
{
    if (timer && !timer->isActive())
        timer->start();
}
