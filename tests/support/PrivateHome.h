// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTemporaryDir>

// A home of the test's own: the exit copy goes to the documents folder, which QStandardPaths' test
// mode leaves alone, and the copies there are a shop's own.
struct PrivateHome {
    QTemporaryDir dir;
    PrivateHome()
    {
        qputenv("HOME", dir.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral(".config")).toLocal8Bit());
    }
};
