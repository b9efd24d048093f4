// SPDX-License-Identifier: Apache-2.0
#include "solardate/CheckedPropertyWidget.h"

#include <QMetaProperty>

namespace Sorvan
{

int CheckedPropertyWidget::qt_metacall(QMetaObject::Call call, int id, void **args)
{
    // Runs before the generated code of the derived class, with the property's index in the whole class.
    if (call == QMetaObject::WriteProperty && id >= 0 && id < metaObject()->propertyCount() &&
        !canTake(metaObject()->property(id), args[0])) {
        // The write's status: QMetaProperty::write returns it, and 0 reads as false.
        if (args[2])
            *static_cast<int *>(args[2]) = 0;
        return -1;
    }
    return QWidget::qt_metacall(call, id, args);
}

} // namespace Sorvan
