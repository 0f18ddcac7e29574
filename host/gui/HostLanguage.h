#pragma once
// The stand-in's language, as the IDE keeps it: the chosen language code is
// stored in the registry stand-in and comes back at the next start; the
// stand-in's own texts and Qt's dialogs follow it.
#include <QTranslator>

#include <filesystem>
#include <memory>

namespace velmora::host {

// The stored language code (0x409, 0x405, 0x407); English when none is stored
// or the stored one is not a language of the stand-in.
int StoredLanguageCode(const std::filesystem::path& registryFile);
// Stores the code; false when the registry file cannot be written.
bool StoreLanguageCode(const std::filesystem::path& registryFile, int code);

// The stand-in's own texts in Czech and Russian, looked up by their English source.
class HostTranslator : public QTranslator {
public:
    explicit HostTranslator(int code, QObject* parent = nullptr) : QTranslator(parent), code_(code) {}
    QString translate(const char* context, const char* sourceText, const char* disambiguation,
                      int n) const override;
    bool isEmpty() const override { return false; }

private:
    int code_;
};

// Installs the translators of a language code into the application (the
// previous ones removed); Qt's own translations come from its translations
// folder. Returns false when Qt has no translation for a non-English choice.
class HostLanguage {
public:
    bool apply(int code);
    int code() const { return code_; }

private:
    int code_ = 0;
    std::unique_ptr<HostTranslator> own_;
    std::unique_ptr<QTranslator> qt_;
};

}  // namespace velmora::host
