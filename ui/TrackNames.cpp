#include "ui/TrackNames.h"

#include <QLocale>
#include <array>
#include <utility>

#include "core/CodecTable.h"
#include "ui/LocalText.h"

namespace {

// Qt names every language in English, and each in its own language only:
// the Spanish names of the languages tracks most often carry.
// clang-format off
constexpr auto kSpanishNames = std::to_array<std::pair<QLocale::Language, const char16_t*>>({
    {QLocale::Afrikaans, u"afrikáans"}, {QLocale::Albanian, u"albanés"},
    {QLocale::Amharic, u"amárico"}, {QLocale::Arabic, u"árabe"},
    {QLocale::Armenian, u"armenio"}, {QLocale::Asturian, u"asturiano"},
    {QLocale::Azerbaijani, u"azerí"}, {QLocale::Basque, u"euskera"},
    {QLocale::Belarusian, u"bielorruso"}, {QLocale::Bengali, u"bengalí"},
    {QLocale::Bosnian, u"bosnio"}, {QLocale::Breton, u"bretón"},
    {QLocale::Bulgarian, u"búlgaro"}, {QLocale::Burmese, u"birmano"},
    {QLocale::Cantonese, u"cantonés"}, {QLocale::Catalan, u"catalán"},
    {QLocale::Chinese, u"chino"}, {QLocale::Corsican, u"corso"},
    {QLocale::Croatian, u"croata"}, {QLocale::Czech, u"checo"},
    {QLocale::Danish, u"danés"}, {QLocale::Dutch, u"neerlandés"},
    {QLocale::English, u"inglés"}, {QLocale::Esperanto, u"esperanto"},
    {QLocale::Estonian, u"estonio"}, {QLocale::Filipino, u"filipino"},
    {QLocale::Finnish, u"finés"}, {QLocale::French, u"francés"},
    {QLocale::Gaelic, u"gaélico escocés"}, {QLocale::Galician, u"gallego"},
    {QLocale::Georgian, u"georgiano"}, {QLocale::German, u"alemán"},
    {QLocale::Greek, u"griego"}, {QLocale::Guarani, u"guaraní"},
    {QLocale::Gujarati, u"guyaratí"}, {QLocale::Hausa, u"hausa"},
    {QLocale::Hebrew, u"hebreo"}, {QLocale::Hindi, u"hindi"},
    {QLocale::Hungarian, u"húngaro"}, {QLocale::Icelandic, u"islandés"},
    {QLocale::Indonesian, u"indonesio"}, {QLocale::Irish, u"irlandés"},
    {QLocale::Italian, u"italiano"}, {QLocale::Japanese, u"japonés"},
    {QLocale::Kannada, u"canarés"}, {QLocale::Kazakh, u"kazajo"},
    {QLocale::Khmer, u"jemer"}, {QLocale::Korean, u"coreano"},
    {QLocale::Kurdish, u"kurdo"}, {QLocale::Lao, u"lao"},
    {QLocale::Latin, u"latín"}, {QLocale::Latvian, u"letón"},
    {QLocale::Lithuanian, u"lituano"}, {QLocale::Luxembourgish, u"luxemburgués"},
    {QLocale::Macedonian, u"macedonio"}, {QLocale::Malay, u"malayo"},
    {QLocale::Malayalam, u"malayalam"}, {QLocale::Maltese, u"maltés"},
    {QLocale::Marathi, u"maratí"}, {QLocale::Mongolian, u"mongol"},
    {QLocale::Nepali, u"nepalí"}, {QLocale::NorwegianBokmal, u"noruego bokmal"},
    {QLocale::NorwegianNynorsk, u"noruego nynorsk"}, {QLocale::Occitan, u"occitano"},
    {QLocale::Pashto, u"pastún"}, {QLocale::Persian, u"persa"},
    {QLocale::Polish, u"polaco"}, {QLocale::Portuguese, u"portugués"},
    {QLocale::Punjabi, u"panyabí"}, {QLocale::Quechua, u"quechua"},
    {QLocale::Romanian, u"rumano"}, {QLocale::Russian, u"ruso"},
    {QLocale::Serbian, u"serbio"}, {QLocale::Sinhala, u"cingalés"},
    {QLocale::Slovak, u"eslovaco"}, {QLocale::Slovenian, u"esloveno"},
    {QLocale::Somali, u"somalí"}, {QLocale::Spanish, u"español"},
    {QLocale::Swahili, u"suajili"}, {QLocale::Swedish, u"sueco"},
    {QLocale::Tamil, u"tamil"}, {QLocale::Tatar, u"tártaro"},
    {QLocale::Telugu, u"telugu"}, {QLocale::Thai, u"tailandés"},
    {QLocale::Tibetan, u"tibetano"}, {QLocale::Turkish, u"turco"},
    {QLocale::Ukrainian, u"ucraniano"}, {QLocale::Urdu, u"urdu"},
    {QLocale::Uzbek, u"uzbeko"}, {QLocale::Vietnamese, u"vietnamita"},
    {QLocale::Welsh, u"galés"}, {QLocale::Yiddish, u"yidis"},
    {QLocale::Yoruba, u"yoruba"}, {QLocale::Zulu, u"zulú"},
});

// The codes ISO 639 keeps for what is no one language, which Qt does not know.
struct SpecialCode {
    const char* code;
    const char16_t* spanish;
    const char16_t* english;
};
constexpr SpecialCode kSpecialCodes[] = {
    {"und", u"indeterminado", u"undetermined"},
    {"mul", u"varios idiomas", u"several languages"},
    {"zxx", u"sin contenido lingüístico", u"no linguistic content"},
    {"mis", u"idioma sin código", u"uncoded language"},
};
// clang-format on

// The language a code names: an ISO 639 code of any form, or a BCP 47 tag
// by its language.
QLocale::Language LanguageOf(const QString& code) {
    const QLocale::Language language = QLocale::codeToLanguage(code);
    if (language != QLocale::AnyLanguage) {
        return language;
    }
    const QLocale::Language tagged = QLocale(code).language();
    return tagged == QLocale::C ? QLocale::AnyLanguage : tagged;
}

QString NameOf(QLocale::Language language, TLanguage interface) {
    if (language == QLocale::AnyLanguage) {
        return {};
    }
    if (interface == TLanguage::English) {
        return QLocale::languageToString(language);
    }
    for (const auto& [known, name] : kSpanishNames) {
        if (known == language) {
            return QString::fromUtf16(name);
        }
    }
    return {};
}

}  // namespace

QString CodecText(const std::string& codecId) {
    return Decode(torvane::CodecDisplayName(codecId));
}

QString LanguageText(const std::string& code, TLanguage language) {
    const QString shownCode = Decode(code);
    for (const SpecialCode& special : kSpecialCodes) {
        if (code == special.code) {
            const QString name = QString::fromUtf16(
                language == TLanguage::Spanish ? special.spanish : special.english);
            // Undetermined says all there is to say; the code adds nothing.
            return code == "und" ? name
                                 : name + QStringLiteral(" (") + shownCode + QLatin1Char(')');
        }
    }
    const QString name = NameOf(LanguageOf(shownCode), language);
    return name.isEmpty() ? shownCode : name + QStringLiteral(" (") + shownCode + QLatin1Char(')');
}
