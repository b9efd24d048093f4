// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "sorvan_export.h"

#include <QWidget>

namespace Sorvan
{

// A widget whose writes by name (QObject::setProperty, QMetaProperty::write) return false for a value it cannot
// take, instead of the setter dropping the value while the write reports success.
class SORVAN_EXPORT CheckedPropertyWidget : public QWidget
{
public:
    using QWidget::QWidget;

    int qt_metacall(QMetaObject::Call call, int id, void **args) override;

protected:
    // value points at a value of the property's own type, already converted from what the caller passed.
    virtual bool canTake(const QMetaProperty &property, const void *value) const = 0;
};

} // namespace Sorvan
