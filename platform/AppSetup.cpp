// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/AppSetup.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOption>
#include <QTranslator>

#ifdef Q_OS_UNIX
#include <cstring>
#include <sys/stat.h>
#endif

static void registerVelmoraResources()
{
    Q_INIT_RESOURCE(velmora);
}

namespace
{

// Where Qt's own controls read wrongly right to left.
class RightToLeftStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;

    // A push button's text is drawn on the far side from its icon, cut at the edge: the dialogs'
    // standard buttons (Yes, No, Save...) go without icons.
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_DialogButtonBox_ButtonsHaveIcons)
            return 0;
        // An underlined letter is drawn apart from its neighbours and breaks Persian joining
        // ("بـله"); the Alt shortcuts work without it.
        if (hint == SH_UnderlineShortcut)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

    // A drop-down list set left to right (a folder path) still had its text laid out right to left,
    // its leading slash at the far end.
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override
    {
        if (element != CE_ComboBoxLabel || !painter || painter->layoutDirection() == option->direction)
            return QProxyStyle::drawControl(element, option, painter, widget);
        painter->save();
        painter->setLayoutDirection(option->direction);
        QProxyStyle::drawControl(element, option, painter, widget);
        painter->restore();
    }
};

} // namespace

namespace AppSetup
{

void keepNewFilesPrivate()
{
#ifdef Q_OS_UNIX
    ::umask(0077);
#endif
}

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
    app.setStyle(new RightToLeftStyle);
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

bool isAsked(int argc, char *argv[], const char *option)
{
    const size_t length = std::strlen(option);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], option, length) == 0 && (argv[i][length] == '\0' || argv[i][length] == '='))
            return true;
    }
    return false;
}

void addStoreOptions(QCommandLineParser &parser)
{
    parser.addOptions(
        {{QStringLiteral("data-dir"), QStringLiteral("The data folder."), QStringLiteral("DIR")},
         {QStringLiteral("database"), QStringLiteral("The shop's database server."), QStringLiteral("URL")}});
}

} // namespace AppSetup
