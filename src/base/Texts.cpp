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
    // The model and tuning dialog's messages; {} stands for a number or a quoted
    // text of the English message, in the same order (OwnMessage).
    {"The panel belongs to another kind of controller.", "Panel patří jinému druhu regulátoru.",
     "Панель относится к другому виду регулятора."},
    {"Written through the panel's Use vals: ", "Zapsáno tlačítkem Použít hodnoty panelu: ",
     "Записано кнопкой панели «Применить»: "},
    {"The set-point modification is not written here: set it on the set-point page.",
     "Úprava žádané hodnoty se zde nezapisuje: nastavte ji na stránce žádané hodnoty.",
     "Изменение уставки здесь не записывается: задайте его на странице уставки."},
    {"The set-point page shows the row's set-point modification: its OK writes it.",
     "Stránka žádané hodnoty ukazuje úpravu žádané hodnoty z řádku: zapíše ji její OK.",
     "Страница уставки показывает изменение уставки из строки: его запишет её OK."},
    {"Set-point modification written: filter, TiW {}.", "Úprava žádané hodnoty zapsána: filtr, TiW {}.",
     "Изменение уставки записано: фильтр, TiW {}."},
    {"Set-point modification written: ramp, TiW {}.", "Úprava žádané hodnoty zapsána: rampa, TiW {}.",
     "Изменение уставки записано: рампа, TiW {}."},
    {"Set-point modification written: none.", "Úprava žádané hodnoty zapsána: žádná.",
     "Изменение уставки записано: без изменения."},
    {"The set-point modification stays as it was.", "Úprava žádané hodnoty zůstává, jak byla.",
     "Изменение уставки осталось прежним."},
    {"ramp", "rampa", "рампа"},
    {"filter", "filtr", "фильтр"},
    {"first order with dead time", "první řád s dopravním zpožděním", "первый порядок с запаздыванием"},
    {"second order with dead time", "druhý řád s dopravním zpožděním", "второй порядок с запаздыванием"},
    {"first order with dead time and integrator", "první řád s dopravním zpožděním a integrátorem",
     "первый порядок с запаздыванием и интегратором"},
    {"second order with dead time and integrator", "druhý řád s dopravním zpožděním a integrátorem",
     "второй порядок с запаздыванием и интегратором"},
    {"third order with dead time", "třetí řád s dopravním zpožděním", "третий порядок с запаздыванием"},
    {"third order with dead time and integrator", "třetí řád s dopravním zpožděním a integrátorem",
     "третий порядок с запаздыванием и интегратором"},
    {"gain", "zesílení", "коэффициент усиления"},
    {"damping", "tlumení", "демпфирование"},
    {"dead time", "dopravní zpoždění", "запаздывание"},
    {"integrator yes", "s integrátorem", "с интегратором"},
    {"integrator no", "bez integrátoru", "без интегратора"},
    {"The window's marks are not numbers.", "Kurzory úseku nejsou čísla.",
     "Курсоры участка не являются числами."},
    {"The window's start ({} s) is not before its end ({} s).",
     "Začátek úseku ({} s) není před jeho koncem ({} s).",
     "Начало участка ({} с) не раньше его конца ({} с)."},
    {"The recording holds no samples.", "Záznam neobsahuje žádné vzorky.", "Запись не содержит отсчётов."},
    {"The window {} .. {} s lies outside the recording ({} .. {} s).",
     "Úsek {} .. {} s leží mimo záznam ({} .. {} s).", "Участок {} .. {} с лежит вне записи ({} .. {} с)."},
    {"y is saturated: it is at the end of its range ({} %) in {} samples, the first at {} s. A measurement "
     "held at "
     "its limit hides the response; choose a window in which y stays within its range.",
     "y je v saturaci: je na konci svého rozsahu ({} %) v {} vzorcích, poprvé v {} s. Měření držené na mezi "
     "skrývá odezvu; zvolte úsek, ve kterém y zůstává uvnitř rozsahu.",
     "y в насыщении: он на краю своего диапазона ({} %) в {} отсчётах, впервые на {} с. Измерение на пределе "
     "скрывает реакцию; выберите участок, на котором y остаётся в диапазоне."},
    {"The recording holds a value that is not a number at {} s.",
     "Záznam obsahuje v {} s hodnotu, která není číslo.",
     "Запись содержит на {} с значение, не являющееся числом."},
    {"The recording's time goes backwards at {} s.", "Čas záznamu jde v {} s zpět.",
     "Время записи идёт назад на {} с."},
    {"The window {} .. {} s holds {} samples; at least {} are needed.",
     "Úsek {} .. {} s obsahuje {} vzorků; je jich potřeba alespoň {}.",
     "Участок {} .. {} с содержит {} отсчётов; нужно не меньше {}."},
    {"u changes by {} % in the window; at least {} % is needed. Mark a window with a manual bump of the "
     "output, the "
     "tuner's pulse or a set-point step in automatic.",
     "u se v úseku změní o {} %; je potřeba alespoň {} %. Označte úsek s ručním skokem výstupu, pulzem "
     "autotuneru nebo skokem žádané hodnoty v automatu.",
     "u меняется на участке на {} %; нужно не меньше {} %. Отметьте участок с ручным скачком выхода, "
     "импульсом автонастройки или скачком уставки в автоматическом режиме."},
    {"y does not answer the change of u: it moves by {} % against a noise of {} %. Mark a longer window or a "
     "larger "
     "change of u.",
     "y na změnu u neodpovídá: mění se o {} % proti šumu {} %. Označte delší úsek nebo větší změnu u.",
     "y не отвечает на изменение u: он меняется на {} % при шуме {} %. Отметьте более длинный участок или "
     "большее изменение u."},
    {"The window's samples do not span any time or y does not change.",
     "Vzorky úseku nepokrývají žádný čas nebo se y nemění.",
     "Отсчёты участка не охватывают времени или y не меняется."},
    {"The dead time is below the fit's step of {} s; it is known only to within that step.",
     "Dopravní zpoždění je pod krokem proložení {} s; je známo jen s přesností na tento krok.",
     "Запаздывание меньше шага подгонки {} с; оно известно лишь с точностью до этого шага."},
    {"The model explains the window only roughly (NRMSE above {} %): the window may hold other changes than "
     "the one "
     "of u, or the process is not linear there.",
     "Model vysvětluje úsek jen zhruba (NRMSE nad {} %): úsek může obsahovat jiné změny než změnu u, nebo "
     "tam "
     "proces není lineární.",
     "Модель объясняет участок лишь грубо (NRMSE выше {} %): на участке могут быть другие изменения, кроме "
     "изменения u, или процесс там нелинеен."},
    {"The window explains a dead time up to {} s about as well; the suggestions keep their robustness there "
     "too.",
     "Úsek stejně dobře vysvětluje dopravní zpoždění až {} s; návrhy si robustnost zachovají i tam.",
     "Участок почти так же хорошо объясняет запаздывание до {} с; предложения сохраняют робастность и там."},
    {"y drifts at the window's start: the process holds still at u = {} %.",
     "y na začátku úseku ujíždí: proces stojí při u = {} %.",
     "y дрейфует в начале участка: процесс стоит на месте при u = {} %."},
    {"The process gain is negative: y falls when u rises. The controller acts directly, so the loop would "
     "run away; "
     "set reverse action.",
     "Zesílení procesu je záporné: y klesá, když u roste. Regulátor působí přímo, smyčka by utekla; nastavte "
     "reverzní působení.",
     "Коэффициент усиления процесса отрицателен: y падает, когда u растёт. Регулятор действует прямо, контур "
     "пойдёт вразнос; установите обратное действие."},
    {"The process gain is positive but the controller acts in reverse; the loop would run away. Clear "
     "reverse action.",
     "Zesílení procesu je kladné, ale regulátor působí reverzně; smyčka by utekla. Zrušte reverzní působení.",
     "Коэффициент усиления процесса положителен, а регулятор действует обратно; контур пойдёт вразнос. "
     "Снимите "
     "обратное действие."},
    {"The sampling period ({} s) is long against the process (time scale {} s): a period of at most {} s "
     "would let "
     "the loop act faster.",
     "Perioda vzorkování ({} s) je vůči procesu dlouhá (časové měřítko {} s): perioda nejvýše {} s by smyčce "
     "dovolila působit rychleji.",
     "Период дискретизации ({} с) велик для процесса (масштаб времени {} с): период не больше {} с позволил "
     "бы "
     "контуру действовать быстрее."},
    {"The output limits leave the output no room ({} .. {} %): the loop cannot act until they are set.",
     "Meze výstupu mu nenechávají žádný prostor ({} .. {} %): smyčka nemůže působit, dokud nejsou nastaveny.",
     "Пределы выхода не оставляют ему места ({} .. {} %): контур не может действовать, пока они не заданы."},
    {"The slow step takes the set-point filter, TiW {}: with the set-point ramp it overshoots by {} % after "
     "a "
     "ramp of {} s.",
     "Pomalý skok používá filtr žádané hodnoty, TiW {}: s rampou žádané hodnoty by překmitl o {} % po rampě "
     "dlouhé {} s.",
     "Медленный скачок использует фильтр уставки, TiW {}: с рампой уставки он перерегулировал бы на {} % "
     "после рампы длиной {} с."},
    {"The error dead band EGap ({} %) is at least the step's settling band ({} %): y may rest outside that "
     "band, and the step then does not count as settled.",
     "Pásmo necitlivosti regulační odchylky EGap ({} %) je alespoň tak široké jako pásmo ustálení skoku "
     "({} %): y může zůstat mimo toto pásmo a skok se pak nepočítá jako ustálený.",
     "Зона нечувствительности рассогласования EGap ({} %) не уже зоны установления скачка ({} %): y может "
     "остаться вне этой зоны, и тогда скачок не считается установившимся."},
    {"The recording fits other models about as well; on them the set-point step overshoots by {} .. {} % "
     "and settles in {} .. {} s.",
     "Záznamu odpovídají stejně dobře i jiné modely; na nich skok žádané hodnoty překmitne o {} .. {} % a "
     "ustálí se za {} .. {} s.",
     "Запись почти так же хорошо описывают и другие модели; на них скачок уставки перерегулирует на "
     "{} .. {} % и устанавливается за {} .. {} с."},
    {"The recording fits other models about as well; on them the set-point step overshoots by {} .. {} % "
     "and settles in {} .. {} s, or not at all.",
     "Záznamu odpovídají stejně dobře i jiné modely; na nich skok žádané hodnoty překmitne o {} .. {} % a "
     "ustálí se za {} .. {} s, nebo se neustálí vůbec.",
     "Запись почти так же хорошо описывают и другие модели; на них скачок уставки перерегулирует на "
     "{} .. {} % и устанавливается за {} .. {} с или не устанавливается вовсе."},
    {"The recording fits other models about as well; on them the set-point step overshoots by {} .. {} % "
     "and does not settle.",
     "Záznamu odpovídají stejně dobře i jiné modely; na nich skok žádané hodnoty překmitne o {} .. {} % a "
     "neustálí se.",
     "Запись почти так же хорошо описывают и другие модели; на них скачок уставки перерегулирует на "
     "{} .. {} % и не устанавливается."},
    {"On the models the recording fits about as well: {} .. {} %.",
     "Na modelech, kterým záznam odpovídá stejně dobře: {} .. {} %.",
     "На моделях, почти так же хорошо описывающих запись: {} .. {} %."},
    {"On the models the recording fits about as well: {} .. {} s.",
     "Na modelech, kterým záznam odpovídá stejně dobře: {} .. {} s.",
     "На моделях, почти так же хорошо описывающих запись: {} .. {} с."},
    {"On the models the recording fits about as well: {} .. {} s, or not settled.",
     "Na modelech, kterým záznam odpovídá stejně dobře: {} .. {} s, nebo se neustálí.",
     "На моделях, почти так же хорошо описывающих запись: {} .. {} с или не устанавливается."},
    {"The process answers within the fit's step of {} s (its lags add up to {} s): the window cannot show "
     "its shape, and the model may be far from the process. A shorter window, or a recording at a shorter "
     "period (for a plant the view simulates: a shorter SimT), shows more of it.",
     "Proces odpoví během jednoho kroku proložení {} s (jeho setrvačnosti dávají dohromady {} s): úsek "
     "nemůže ukázat tvar odezvy a model se může od procesu značně lišit. Více ukáže kratší úsek nebo záznam "
     "s kratší periodou (u soustavy simulované pohledem: kratší SimT).",
     "Процесс отвечает в пределах одного шага аппроксимации {} с (его инерционности в сумме дают {} с): "
     "участок не может показать форму отклика, и модель может сильно отличаться от процесса. Больше покажет "
     "более короткий участок или запись с меньшим периодом (для объекта, который моделирует вид: меньшее "
     "SimT)."},
    {"y scatters by {} % (RMS) around the model, {} % of the response: the model and the previews on it are "
     "uncertain, by as much as the rows' spread says. A larger bump of u narrows that: twice the bump, half "
     "the uncertainty.",
     "y kolísá kolem modelu o {} % (RMS), to je {} % odezvy: model i náhledy na něm jsou nejisté, a to o "
     "tolik, kolik udává rozptyl u řádků. Větší skok u to zúží: dvojnásobný skok, poloviční nejistota.",
     "y разбросан вокруг модели на {} % (СКЗ), это {} % отклика: модель и предпросмотры на ней неточны "
     "настолько, насколько показывает разброс у строк. Больший скачок u это сужает: вдвое больший скачок — "
     "вдвое меньшая неопределённость."},
    {"The set-point step's settling time hangs on a swing that grazes the ±{} % band: within ±{} % it "
     "settles "
     "after {} s, within ±{} % after {} s.",
     "Doba ustálení skoku žádané hodnoty visí na kmitu, který se dotýká pásma ±{} %: v pásmu ±{} % se ustálí "
     "za {} s, v pásmu ±{} % za {} s.",
     "Время установления скачка уставки зависит от колебания, которое касается полосы ±{} %: в полосе ±{} % "
     "он устанавливается за {} с, в полосе ±{} % — за {} с."},
    {"PBnd is at the end of its range ({} .. {} %).", "PBnd je na konci svého rozsahu ({} .. {} %).",
     "PBnd на краю своего диапазона ({} .. {} %)."},
    {"The view simulates this plant and exchanges with the PLC every {} s: the recording sees y one "
     "exchange late, so the model's dead time is {} s shorter than the recording's; the preview holds u and "
     "y between exchanges as the loop does.",
     "Soustavu simuluje pohled, který si s PLC vyměňuje data každých {} s: záznam vidí y o jednu výměnu "
     "později, proto je dopravní zpoždění modelu o {} s kratší než v záznamu; náhled drží u a y mezi "
     "výměnami stejně jako smyčka.",
     "Объект моделирует вид, который обменивается с ПЛК каждые {} с: запись видит y на один обмен позже, "
     "поэтому запаздывание модели на {} с короче, чем в записи; предпросмотр удерживает u и y между "
     "обменами, как и контур."},
    {"The marks reach beyond the recording: the window is {} .. {} s.",
     "Kurzory sahají za konec záznamu: úsek je {} .. {} s.",
     "Курсоры выходят за запись: участок {} .. {} с."},
    {"Ms {} exceeds the target {}.", "Ms {} překračuje cíl {}.", "Ms {} превышает цель {}."},
    {"The loop is unstable: y runs away.", "Smyčka je nestabilní: y utíká.", "Контур неустойчив: y уходит."},
    {"The output that holds the operating point lies outside the output limits.",
     "Výstup, který drží pracovní bod, leží mimo meze výstupu.",
     "Выход, удерживающий рабочую точку, лежит вне пределов выхода."},
    {"The output limits leave the output no room: the loop cannot act.",
     "Meze výstupu mu nenechávají žádný prostor: smyčka nemůže působit.",
     "Пределы выхода не оставляют ему места: контур не может действовать."},
    {"{} is not NAME=VALUE.", "{} není NÁZEV=HODNOTA.", "{} не является ИМЯ=ЗНАЧЕНИЕ."},
    {"The value of {} is not a number of at least {}.", "Hodnota {} není číslo alespoň {}.",
     "Значение {} не является числом не меньше {}."},
    {"{} is not a parameter of the PID kind (PBnd, K+, Ti, Td, TiW).",
     "{} není parametr druhu PID (PBnd, K+, Ti, Td, TiW).",
     "{} не является параметром вида PID (PBnd, K+, Ti, Td, TiW)."},
    {"{} is not a parameter of the PIDMA kind (k, ti, td, nd, b, c, tt).",
     "{} není parametr druhu PIDMA (k, ti, td, nd, b, c, tt).",
     "{} не является параметром вида PIDMA (k, ti, td, nd, b, c, tt)."},
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

namespace {

bool WordCharacter(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '.';
}

// One line: its numbers and quoted texts become {} and are put back into the
// wording found for that pattern, numbers with the decimal separator.
std::string OwnLine(std::string_view line, int languageNumber, char separator) {
    std::string pattern;
    std::vector<std::string> values;
    for (std::size_t i = 0; i < line.size();) {
        const char c = line[i];
        const bool startsNumber = (c >= '0' && c <= '9') || (c == '-' && i + 1 < line.size() &&
                                                             line[i + 1] >= '0' && line[i + 1] <= '9');
        if (c == '"') {
            const std::size_t end = line.find('"', i + 1);
            if (end != std::string_view::npos) {
                values.emplace_back(line.substr(i, end + 1 - i));
                pattern += "{}";
                i = end + 1;
                continue;
            }
        } else if (startsNumber && (i == 0 || !WordCharacter(line[i - 1]))) {
            std::size_t end = i + 1;
            while (end < line.size() && line[end] >= '0' && line[end] <= '9') ++end;
            if (end + 1 < line.size() && line[end] == '.' && line[end + 1] >= '0' && line[end + 1] <= '9')
                for (++end; end < line.size() && line[end] >= '0' && line[end] <= '9';) ++end;
            if (end == line.size() || !WordCharacter(line[end]) || line[end] == '.') {
                std::string number(line.substr(i, end - i));
                for (char& d : number)
                    if (d == '.') d = separator;
                values.push_back(std::move(number));
                pattern += "{}";
                i = end;
                continue;
            }
        }
        pattern += c;
        ++i;
    }
    if (values.empty()) return OwnText(line, languageNumber);
    const std::string wording = OwnText(pattern, languageNumber);
    if (wording == pattern && separator == '.') return std::string(line);
    std::string out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < wording.size(); ++i) {
        if (wording.compare(i, 2, "{}") == 0 && next < values.size()) {
            out += values[next++];
            ++i;
        } else {
            out += wording[i];
        }
    }
    return out;
}

}  // namespace

std::string OwnMessage(std::string_view english, int languageNumber, char decimalSeparator) {
    std::string out;
    for (std::size_t start = 0; start <= english.size();) {
        const std::size_t end = std::min(english.find('\n', start), english.size());
        out += OwnLine(english.substr(start, end - start), languageNumber, decimalSeparator);
        if (end == english.size()) break;
        out += '\n';
        start = end + 1;
    }
    return out;
}

std::string OwnMessage(std::string_view english, char decimalSeparator) {
    return OwnMessage(english, ModuleTexts().language(), decimalSeparator);
}

}  // namespace velmora
