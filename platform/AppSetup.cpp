#include "platform/AppSetup.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

static void registerVelmoraResources()
{
    Q_INIT_RESOURCE(velmora);
}

namespace AppSetup
{

void initResources()
{
    static const bool registered = (registerVelmoraResources(), true);
    Q_UNUSED(registered);
}

void setIdentity(QCoreApplication &app)
{
    app.setApplicationName(QStringLiteral("Velmora"));
    app.setApplicationVersion(QStringLiteral("1.6"));
}

bool installQtTranslation(QCoreApplication &app)
{
    // Once per run: a second translator would only shadow the first.
    static QTranslator *installed = nullptr;
    if (installed)
        return true;
    auto *translator = new QTranslator(&app);
    const QLocale persian(QLocale::Persian, QLocale::Iran);
    if (!translator->load(persian, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !app.installTranslator(translator)) {
        delete translator;
        return false;
    }
    installed = translator;
    return true;
}

void applyLookAndFeel(QApplication &app)
{
    initResources();
    installQtTranslation(app);
    app.setLayoutDirection(Qt::RightToLeft);
    const QStringList families = QFontDatabase::families();
    for (const QString &family : {QStringLiteral("Tahoma"), QStringLiteral("Noto Sans Arabic UI"),
                                  QStringLiteral("Noto Sans Arabic"), QStringLiteral("DejaVu Sans")}) {
        if (families.contains(family)) {
            QFont font(family);
            font.setPointSizeF(9);
            app.setFont(font);
            break;
        }
    }
}

} // namespace AppSetup
