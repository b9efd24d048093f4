#pragma once

class QApplication;

namespace AppSetup
{

// Right to left, in a font that renders Persian well: Tahoma where installed (the windows were
// sized for it), else Noto Sans Arabic.
void applyLookAndFeel(QApplication &app);

} // namespace AppSetup
