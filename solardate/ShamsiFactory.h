// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "sorvan_export.h"

#include <QString>

QT_BEGIN_NAMESPACE
class QWidget;
QT_END_NAMESPACE

namespace Sorvan
{

// The class identifier under which the program asks this library for its date control.
inline const QString ShamsiClassId = QStringLiteral("Sorvan.Shamsi");

// The library's entry points. Registration records the control's class identifier in this process's registry;
// creating a control does not depend on it.
SORVAN_EXPORT bool registerServer();
SORVAN_EXPORT bool unregisterServer();
SORVAN_EXPORT bool isRegistered(const QString &classId);

// A new control for the class identifier, owned by the parent; nullptr for an identifier this library does not know.
SORVAN_EXPORT QWidget *createObject(const QString &classId, QWidget *parent = nullptr);

// True when no control of this library is alive.
SORVAN_EXPORT bool canUnloadNow();

} // namespace Sorvan
