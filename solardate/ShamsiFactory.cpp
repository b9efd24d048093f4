// SPDX-License-Identifier: Apache-2.0
#include "solardate/ShamsiFactory.h"

#include "solardate/Shamsi.h"

#include <QStringList>

namespace Sorvan
{

namespace
{
QStringList &registry()
{
    static QStringList classIds;
    return classIds;
}
} // namespace

bool registerServer()
{
    if (!registry().contains(ShamsiClassId))
        registry().append(ShamsiClassId);
    return true;
}

bool unregisterServer()
{
    registry().removeAll(ShamsiClassId);
    return true;
}

bool isRegistered(const QString &classId)
{
    return registry().contains(classId);
}

QWidget *createObject(const QString &classId, QWidget *parent)
{
    if (classId != ShamsiClassId)
        return nullptr;
    return new Shamsi(parent);
}

bool canUnloadNow()
{
    return Shamsi::instanceCount() == 0;
}

} // namespace Sorvan
