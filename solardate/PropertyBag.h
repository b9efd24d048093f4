// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "sorvan_export.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <utility>

namespace Sorvan
{

// The saved state of a window's controls, in the order they wrote it. The hosting window owns the bag.
class SORVAN_EXPORT PropertyBag
{
public:
    // A value equal to its default is left out, and drops any value stored earlier under the key.
    void write(const QString &key, const QVariant &value, const QVariant &defaultValue = QVariant());
    // A missing key reads as the default.
    QVariant read(const QString &key, const QVariant &defaultValue = QVariant()) const;

    bool contains(const QString &key) const;
    QStringList keys() const;
    bool isEmpty() const { return m_entries.isEmpty(); }
    void clear() { m_entries.clear(); }

private:
    qsizetype indexOf(const QString &key) const;

    QList<std::pair<QString, QVariant>> m_entries;
};

} // namespace Sorvan
