#pragma once

#include <QString>

#include <optional>

class QCoreApplication;

// The language of the interface. Russian is the default on every system; English is there on request (the
// --lang option or the ui/language setting). Our texts are written in Russian in the sources and translated
// through Qt's tools; Qt's own dialogs and buttons follow through Qt's translations of the same language.
class InterfaceLanguage
{
  public:
    static constexpr const char *Russian = "ru";
    static constexpr const char *English = "en";

    // The option when given, else the setting, else Russian; a language we do not have is Russian.
    static QString choose(const std::optional<QString> &option, const std::optional<QString> &setting);

    // Installs the translators of `language` into `app` (owned by it). Returns false when our translation
    // of it is missing from this build; the interface then stays Russian.
    static bool install(QCoreApplication &app, const QString &language);
};
