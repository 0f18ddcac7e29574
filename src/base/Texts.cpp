#include "base/Texts.h"

#include "base/Resources.h"
#include "base/TextTable.h"

namespace velmora {

namespace {

bool IsHighSurrogate(char16_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool IsLowSurrogate(char16_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

// A backslash and the character after it become one control character:
// n line feed, r carriage return, anything else a tab; a final backslash goes.
std::u16string ResolveEscapes(const std::u16string& text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'\\') {
            out.push_back(text[i]);
            continue;
        }
        if (++i == text.size()) break;
        const char16_t next = text[i];
        out.push_back(next == u'n' ? u'\n' : next == u'r' ? u'\r' : u'\t');
        if (IsHighSurrogate(next) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]))
            ++i;  // one character
    }
    return out;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Unpaired surrogates become U+FFFD.
std::string ToUtf8(const std::u16string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t u = text[i];
        if (IsHighSurrogate(u) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (IsHighSurrogate(u) || IsLowSurrogate(u)) {
            AppendUtf8(out, 0xFFFD);
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

}  // namespace

std::string_view TextTableName(int languageNumber) {
    switch (languageNumber) {
        case 0:
            return "Regulatory_CSY";
        case 4:
            return "Regulatory_RUS";
        default:
            return "Regulatory_ENU";
    }
}

Texts::Texts() {
    loadResource(TextTableName(1));
}
Texts::~Texts() = default;

std::string Texts::text(std::uint32_t id) const {
    if (!table_) return "resource error";
    auto raw = table_->find(id);
    if (!raw) return {};
    return ToUtf8(ResolveEscapes(*raw));
}

std::string Texts::textWithoutAccelerators(std::uint32_t id) const {
    std::string t = text(id);
    std::erase(t, '&');
    return t;
}

void Texts::chooseLanguage(int number) {
    if (!table_) return;
    table_.reset();
    language_ = number;
    loadResource(TextTableName(number));
}

bool Texts::loaded() const {
    return table_ != nullptr;
}

bool Texts::loadResource(std::string_view name) {
    auto bytes = FindResource(name);
    if (!bytes) {
        table_.reset();
        return false;
    }
    return loadBytes(*bytes);
}

bool Texts::loadBytes(std::span<const std::uint8_t> bytes) {
    table_ = TextTable::Parse(bytes);
    return table_ != nullptr;
}

void Texts::unload() {
    table_.reset();
}

int LanguageFromHostCode(int code) {
    switch (code) {
        case 0x405:
            return 0;
        case 0x407:
            return 4;
        default:
            return 1;
    }
}

Texts& ModuleTexts() {
    static Texts texts;
    return texts;
}

std::string Text(std::uint32_t id) {
    return ModuleTexts().text(id);
}
std::string TextWithoutAccelerators(std::uint32_t id) {
    return ModuleTexts().textWithoutAccelerators(id);
}

namespace {

struct OwnWording {
    std::string_view english, czech, russian;
};

constexpr OwnWording kOwnWordings[] = {
    {"Read from PLC", "Číst z PLC", "Считать из PLC"},
    {"s", "s", "с"},
    {"ms", "ms", "мс"},
    {"min", "min", "мин"},
    {"Help", "Nápověda", "Справка"},
    // The online view: the loop schema's elements, pages and buttons.
    {"w filter", "filtr w", "фильтр w"},
    {"Tuner", "Autotuner", "Автонастройка"},
    {"Plant", "Soustava", "Объект"},
    {"Schema", "Schéma", "Схема"},
    {"Graph", "Graf", "График"},
    {"Structure", "Struktura", "Структура"},
    {"Name", "Název", "Имя"},
    {"Value", "Hodnota", "Значение"},
    {"Man", "Ruční", "Ручн."},
    {"Auto", "Auto", "Авто"},
    {"Restart", "Restart", "Рестарт"},
    {"Tune", "Ladit", "Пуск"},
    {"Break", "Přerušit", "Стоп"},
    {"Params", "Parametry", "Параметры"},
    {"Error", "Chyba", "Ошибка"},
    {"Simulation", "Simulace", "Моделирование"},
    {"Use vals", "Použít hodnoty", "Применить"},
    {"Save vals", "Uložit hodnoty", "Сохранить"},
    // The graph page's tuning dialog.
    {"Model and tuning...", "Model a seřízení...", "Модель и настройка..."},
    {"Model and tuning from the recording", "Model a seřízení ze záznamu", "Модель и настройка по записи"},
    {"Preview", "Náhled", "Предпросмотр"},
    {"Your parameters:", "Vaše parametry:", "Ваши параметры:"},
    {"Parameters", "Parametry", "Параметры"},
    {"Overshoot %", "Překmit %", "Перерегулирование %"},
    {"Settling s", "Ustálení s", "Установление с"},
    {"Load peak %", "Porucha: špička %", "Возмущение: пик %"},
    {"Load settling s", "Porucha: ustálení s", "Возмущение: установление с"},
    {"Load IAE %·s", "Porucha: IAE %·s", "Возмущение: IAE %·s"},
    {"PM °", "Fázová bezp. °", "Запас по фазе °"},
    {"No model", "Bez modelu", "Нет модели"},
    {"y recorded", "y zaznamenané", "y записанное"},
    {"model", "model", "модель"},
    {"current", "běžící", "текущие"},
    {"slow", "pomalý", "медленное"},
    {"normal", "normální", "нормальное"},
    {"fast", "rychlý", "быстрое"},
    {"typed", "zadané", "введённые"},
    {"tuner", "autotuner", "автонастройка"},
    {"Set the A and B marks around a change of u first (the A-B tool of the graph).",
     "Nejprve označte kurzory A a B úsek se změnou u (nástroj A-B grafu).",
     "Сначала отметьте курсорами A и B участок с изменением u (инструмент A-B графика)."},
    // The trend graph's tools.
    {"New", "Nový", "Новый"},
    {"Open", "Otevřít", "Открыть"},
    {"Save", "Uložit", "Сохранить"},
    {"Picture", "Obrázek", "Рисунок"},
    {"Zoom", "Lupa", "Лупа"},
    {"Follow the last value", "Sledovat poslední hodnotu", "Следить за последним значением"},
    {"Measure", "Odměřování", "Измерение"},
    {"Full height", "Na celou výšku", "На всю высоту"},
    {"Stacked", "Pod sebe", "Друг под другом"},
    {"Merge equal axes", "Sloučit stejné osy", "Объединить одинаковые оси"},
    {"Split axes", "Rozdělit osy", "Разделить оси"},
    {"Y axes", "Osy Y", "Оси Y"},
    {"X axis", "Osa X", "Ось X"},
    // The axis dialogs: their Czech labels as the dialogs have always written them.
    {"All", "Vse", "Всё"},
    {"Range [s]", "Rozsah [s]", "Диапазон [с]"},
    {"Grid step [s]", "Mrizka po [s]", "Шаг сетки [с]"},
    {"Grid step", "Mrizka po", "Шаг сетки"},
    {"Show grid", "Zobrazit mrizku", "Показать сетку"},
    {"Stored samples", "Pocet ulozenych vzorku", "Число хранимых отсчётов"},
    {"Shown time format", "Format zobrazeneho casu", "Формат показа времени"},
    {"h:m:s - absolute", "h:m:s - absolutni", "ч:м:с - абсолютное"},
    {"Maximum", "Maximum", "Максимум"},
    {"Minimum", "Minimum", "Минимум"},
    {"Position of maximum [%]", "Pozice maxima [%]", "Положение максимума [%]"},
    {"Position of minimum [%]", "Pozice minima [%]", "Положение минимума [%]"},
    {"Trace colour", "Barva prubehu", "Цвет кривой"},
    {"Same as", "Stejne jako", "Как у"},
    {"Points", "Body", "Точки"},
    {"Points / size", "Body / velikost", "Точки / размер"},
    {"Label", "Popis", "Подпись"},
    {"Earlier", "Drive", "Раньше"},
    {"Later", "Pozdeji", "Позже"},
    {"Order", "Poradi", "Порядок"},
    // The value input dialog, the report window and its file dialogs.
    {"Enter %1 (from %2 to %3):", "Zadejte %1 (od %2 do %3):", "Введите %1 (от %2 до %3):"},
    {"set point", "žádanou hodnotu", "уставку"},
    {"w filter time constant", "časovou konstantu filtru w", "постоянную времени фильтра w"},
    {"manual output", "ruční akční zásah", "ручное воздействие"},
    {"second input", "druhý vstup", "второй вход"},
    {"Save As", "Uložit jako", "Сохранить как"},
    {"Controller Report", "Zpráva o regulátorech", "Отчёт о регуляторах"},
    {"Export the picture as SVG or PNG", "Uložit obrázek jako SVG nebo PNG", "Экспорт рисунка в SVG или PNG"},
    {"Copy to clipboard as SVG and PNG", "Kopírovat do schránky jako SVG a PNG",
     "Копировать в буфер обмена как SVG и PNG"},
    {"Save to file as SVG or PNG", "Uložit do souboru jako SVG nebo PNG", "Сохранить в файл как SVG или PNG"},
    {"Save the shown time window as CSV", "Uložit zobrazený časový úsek jako CSV",
     "Сохранить показанный интервал времени в CSV"},
    {"Measuring cursor pair: Δt and the six Δ values", "Dvojice měřicích kurzorů: Δt a šest rozdílů hodnot",
     "Пара измерительных курсоров: Δt и шесть разностей значений"},
    {"Text files (*.txt)", "Textové soubory (*.txt)", "Текстовые файлы (*.txt)"},
    {"All files (*)", "Všechny soubory (*)", "Все файлы (*)"},
    {"SVG picture (*.svg)", "Obrázek SVG (*.svg)", "Рисунок SVG (*.svg)"},
    {"PNG picture (*.png)", "Obrázek PNG (*.png)", "Рисунок PNG (*.png)"},
};

}  // namespace

std::string OwnText(std::string_view english, int languageNumber) {
    if (languageNumber != 0 && languageNumber != 4) return std::string(english);
    for (const OwnWording& w : kOwnWordings)
        if (w.english == english) return std::string(languageNumber == 0 ? w.czech : w.russian);
    return std::string(english);
}

std::string OwnText(std::string_view english) {
    return OwnText(english, ModuleTexts().language());
}

}  // namespace velmora
