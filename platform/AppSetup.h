#pragma once

class QApplication;

namespace AppSetup
{

// Right to left, in a font that renders Persian well: Tahoma where installed (the windows were
// sized for it), else Noto Sans Arabic.
void applyLookAndFeel(QApplication &app);

// The pictures and icons are built into the program's static library, whose resources are only
// registered when asked for. Safe to call again.
void initResources();

} // namespace AppSetup
