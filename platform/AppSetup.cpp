#include "platform/AppSetup.h"

#include <QApplication>
#include <QFontDatabase>

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

void applyLookAndFeel(QApplication &app)
{
    initResources();
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
