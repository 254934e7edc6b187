#include "RtfLanguage.h"

#include <unordered_map>

QString RtfLanguage::tagOf(int identifier)
{
    // The low ten bits name the language, the rest its region. The regions are those each
    // language is most often written in; any other gives the language alone.
    static const std::unordered_map<int, const char *> languages{
        {0x01, "ar"}, {0x02, "bg"}, {0x03, "ca"}, {0x04, "zh"}, {0x05, "cs"}, {0x06, "da"},
        {0x07, "de"}, {0x08, "el"}, {0x09, "en"}, {0x0A, "es"}, {0x0B, "fi"}, {0x0C, "fr"},
        {0x0D, "he"}, {0x0E, "hu"}, {0x0F, "is"}, {0x10, "it"}, {0x11, "ja"}, {0x12, "ko"},
        {0x13, "nl"}, {0x14, "nb"}, {0x15, "pl"}, {0x16, "pt"}, {0x18, "ro"}, {0x19, "ru"},
        {0x1A, "hr"}, {0x1B, "sk"}, {0x1D, "sv"}, {0x1E, "th"}, {0x1F, "tr"}, {0x22, "uk"},
        {0x24, "sl"}, {0x25, "et"}, {0x26, "lv"}, {0x27, "lt"}, {0x29, "fa"}, {0x2A, "vi"},
        {0x36, "af"}, {0x39, "hi"}, {0x3E, "ms"}, {0x41, "sw"}, {0x56, "gl"}};
    static const std::unordered_map<int, const char *> locales{
        {0x0409, "en-US"}, {0x0809, "en-GB"}, {0x0C09, "en-AU"}, {0x1009, "en-CA"},
        {0x1409, "en-NZ"}, {0x1809, "en-IE"}, {0x0407, "de-DE"}, {0x0807, "de-CH"},
        {0x0C07, "de-AT"}, {0x040C, "fr-FR"}, {0x080C, "fr-BE"}, {0x0C0C, "fr-CA"},
        {0x100C, "fr-CH"}, {0x040A, "es-ES"}, {0x0C0A, "es-ES"}, {0x080A, "es-MX"},
        {0x0410, "it-IT"}, {0x0413, "nl-NL"}, {0x0813, "nl-BE"}, {0x0416, "pt-BR"},
        {0x0816, "pt-PT"}, {0x0804, "zh-CN"}, {0x0404, "zh-TW"}, {0x0C04, "zh-HK"},
        {0x0419, "ru-RU"}, {0x0415, "pl-PL"}, {0x041D, "sv-SE"}, {0x0414, "nb-NO"},
    };
    // 1024 (LANG_NEUTRAL, "no proofing") and the "none" identifiers name no language.
    if (identifier <= 0 || identifier == 0x0400 || identifier == 0x0800)
        return QString();
    if (const auto locale = locales.find(identifier); locale != locales.end())
        return QString::fromLatin1(locale->second);
    const auto language = languages.find(identifier & 0x3FF);
    return language == languages.end() ? QString() : QString::fromLatin1(language->second);
}
