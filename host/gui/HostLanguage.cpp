#include "HostLanguage.h"

#include <QApplication>
#include <QLibraryInfo>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "HelpViewerWindow.h"
#include "HostWindow.h"
#include "base/Registry.h"

namespace velmora::host {

namespace {

constexpr const char* kLanguageKey = "HKEY_CURRENT_USER\\Software\\Orvane\\IDE\\Settings";
constexpr const char* kLanguageValue = "Language";

bool Known(int code) {
    return code == kLanguageEnglish || code == kLanguageCzech || code == kLanguageRussian;
}

struct Wording {
    const char* english;
    const char* czech;
    const char* russian;
};

// Every text of the stand-in's own windows.
constexpr Wording kWordings[] = {
    {"&File", "&Soubor", "&Файл"},
    {"&Open project...", "&Otevřít projekt...", "&Открыть проект..."},
    {"Open &PLC", "Otevřít &PLC", "Открыть &PLC"},
    {"&Close PLC", "&Zavřít PLC", "&Закрыть PLC"},
    {"E&xit", "&Konec", "В&ыход"},
    {"&Project", "&Projekt", "&Проект"},
    {"&Compile", "&Přeložit", "&Компилировать"},
    {"&Tools", "&Nástroje", "&Сервис"},
    {"&Language", "&Jazyk", "&Язык"},
    {"&Help", "&Nápověda", "&Справка"},
    {"&About velmora-host", "&O programu velmora-host", "&О программе velmora-host"},
    {"About velmora-host", "O programu velmora-host", "О программе velmora-host"},
    {"About", "O programu", "О программе"},
    {"Orvane IDE stand-in for the Velmora controllers plug-in.",
     "Náhradní prostředí Orvane IDE pro zásuvný modul regulátorů Velmora.",
     "Замена среды Orvane IDE для подключаемого модуля регуляторов Velmora."},
    {"Standard", "Standardní", "Стандартная"},
    {"Tools", "Nástroje", "Сервис"},
    {"Project", "Projekt", "Проект"},
    {"Documents", "Dokumenty", "Документы"},
    {"No project open", "Žádný projekt není otevřen", "Проект не открыт"},
    {"No PLC open: double-click a PLC in the project tree",
     "Žádné PLC není otevřeno: poklepejte na PLC ve stromu projektu",
     "PLC не открыт: дважды щёлкните PLC в дереве проекта"},
    {"PLC %1 open", "PLC %1 je otevřeno", "PLC %1 открыт"},
    {"Open project folder", "Otevřít složku projektu", "Открыть папку проекта"},
    {"Open project", "Otevřít projekt", "Открыть проект"},
    {"Contents", "Obsah", "Содержание"},
    {"Index", "Rejstřík", "Указатель"},
    {"Plug-ins", "Zásuvné moduly", "Подключаемые модули"},
    {"Compiled %1 (%2 generated files registered)", "%1 přeloženo (registrováno generovaných souborů: %2)",
     "%1 скомпилирован (зарегистрировано сгенерированных файлов: %2)"},
    {"Compilation stopped by a plug-in", "Překlad zastavil zásuvný modul",
     "Компиляция остановлена подключаемым модулем"},
    {"Select variable", "Výběr proměnné", "Выбор переменной"},
    {"Filter:", "Hledat:", "Поиск:"},
    {"Name", "Název", "Имя"},
    {"Type", "Typ", "Тип"},
    {"Address", "Adresa", "Адрес"},
    {"The open PLC has no variables. Open a PLC and compile the project first.",
     "Otevřené PLC nemá žádné proměnné. Nejprve otevřete PLC a přeložte projekt.",
     "У открытого PLC нет переменных. Сначала откройте PLC и скомпилируйте проект."},
    {"Help", "Nápověda", "Справка"},
    {"No user guide is installed in the help folder",
     "Ve složce nápovědy není nainstalována uživatelská příručka",
     "В папке справки не установлено руководство пользователя"},
};

}  // namespace

int StoredLanguageCode(const std::filesystem::path& registryFile) {
    try {
        const Registry registry(registryFile);
        if (const auto value = registry.value(kLanguageKey, kLanguageValue)) {
            const int code = static_cast<int>(std::strtol(value->c_str(), nullptr, 16));
            if (Known(code)) return code;
        }
    } catch (const RegistryError&) {
        // An unreadable registry leaves the stand-in in English.
    }
    return kLanguageEnglish;
}

bool StoreLanguageCode(const std::filesystem::path& registryFile, int code) {
    try {
        Registry registry(registryFile);
        char text[16];
        std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(code));
        registry.setValue(kLanguageKey, kLanguageValue, text);
        registry.save();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

QString HostTranslator::translate(const char*, const char* sourceText, const char*, int) const {
    if (!sourceText || code_ == kLanguageEnglish) return {};
    for (const Wording& w : kWordings) {
        if (std::strcmp(w.english, sourceText) == 0)
            return QString::fromUtf8(code_ == kLanguageCzech ? w.czech : w.russian);
    }
    return {};
}

bool HostLanguage::apply(int code) {
    if (own_) QCoreApplication::removeTranslator(own_.get());
    if (qt_) QCoreApplication::removeTranslator(qt_.get());
    own_.reset();
    qt_.reset();
    code_ = code;
    HelpViewerWindow::followLanguage(code == kLanguageCzech     ? "CSY"
                                     : code == kLanguageRussian ? "RUS"
                                                                : "ENU");
    // Removing the translators already tells the windows to go back to English.
    if (code == kLanguageEnglish) return true;
    qt_ = std::make_unique<QTranslator>();
    const bool qtLoaded = qt_->load(QLocale(code == kLanguageCzech ? QLocale::Czech : QLocale::Russian),
                                    "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (qtLoaded) QCoreApplication::installTranslator(qt_.get());
    own_ = std::make_unique<HostTranslator>(code);
    QCoreApplication::installTranslator(own_.get());
    return qtLoaded;
}

}  // namespace velmora::host
