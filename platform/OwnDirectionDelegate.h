// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStyledItemDelegate>

// Draws each cell of a right-to-left view in its own text's direction: "-2+3", a phone number or
// a Latin model reads left to right (its ellipsis, when cut, at its right end), and numbers inside
// a Persian text keep their order. Numbers show in Latin digits, as every other number of the
// program does, whatever the system's language.
class OwnDirectionDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QString displayText(const QVariant &value, const QLocale &locale) const override;

protected:
    // The plain text of a cell; the direction marks are added around it.
    virtual QString cellText(const QVariant &value) const;
};
