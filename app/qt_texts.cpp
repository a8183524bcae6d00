#include "app/qt_texts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

#include "base/texts.h"

namespace quorvel {

void UseQtTextsOf(const IniFile& languageFile) {
    // Owned by the application; loaded at the first switch to Chinese.
    static QPointer<QTranslator> chinese;
    if (chinese != nullptr) QCoreApplication::removeTranslator(chinese);
    if (IsEnglish(languageFile, LanguageRule::FILE_VALUE)) return;
    if (chinese == nullptr) {
        auto* translator = new QTranslator(QCoreApplication::instance());
        if (!translator->load("qtbase_zh_CN", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            delete translator;
            return;
        }
        chinese = translator;
    }
    QCoreApplication::installTranslator(chinese);
}

}  // namespace quorvel
