#include "FliteBuiltinVoices.h"

#include <dlfcn.h>

extern "C" {
#include <flite/flite.h>
}

namespace {
struct Known
{
    const char *id;
    const char *description;
    const char *language;
};

// Debian's flite packages; the description is what a user needs to choose among them.
constexpr Known KnownVoices[] = {
    {"kal", "US English, male, telephone quality", "en-us"},
    {"kal16", "US English, male", "en-us"},
    {"awb", "Scottish English, male", "en-gb"},
    {"rms", "US English, male", "en-us"},
    {"slt", "US English, female", "en-us"},
};

using RegisterVoice = cst_voice *(*)(const char *voxdir);

cst_voice *registerVoice(const QByteArray &id)
{
    // The soname first (what the runtime package installs), the development link second.
    for (const QByteArray &file :
         {"libflite_cmu_us_" + id + ".so.1", "libflite_cmu_us_" + id + ".so"}) {
        // Kept open for the life of the process: the voice's data lives in the library.
        void *library = dlopen(file.constData(), RTLD_NOW | RTLD_LOCAL);
        if (!library)
            continue;
        const QByteArray symbol = "register_cmu_us_" + id;
        auto reg = reinterpret_cast<RegisterVoice>(dlsym(library, symbol.constData()));
        if (cst_voice *voice = reg ? reg(nullptr) : nullptr)
            return voice;
        dlclose(library);
    }
    return nullptr;
}
} // namespace

const std::vector<FliteBuiltinVoices::Voice> &FliteBuiltinVoices::loadLocked()
{
    static const std::vector<Voice> voices = [] {
        std::vector<Voice> found;
        for (const Known &known : KnownVoices) {
            if (cst_voice *voice = registerVoice(QByteArray(known.id)))
                found.push_back(
                    {QStringLiteral("flite %1 (%2)")
                         .arg(QLatin1String(known.id), QLatin1String(known.description)),
                     voice, QLatin1String(known.language)});
        }
        return found;
    }();
    return voices;
}
