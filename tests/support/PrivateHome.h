#pragma once

#include <QTemporaryDir>
#include <QtGlobal>

// A home folder of the test's own for its whole run: the exit copy goes to the documents folder,
// which QStandardPaths' test mode leaves alone, and the copies there are a shop's own.
class PrivateHome
{
public:
    PrivateHome()
    {
        qputenv("HOME", m_dir.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral(".config")).toLocal8Bit());
    }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};
