#include "platform/AppSetup.h"

#include <QApplication>
#include <QFontDatabase>

namespace AppSetup
{

void applyLookAndFeel(QApplication &app)
{
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
