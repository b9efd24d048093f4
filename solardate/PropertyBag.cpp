// SPDX-License-Identifier: Apache-2.0
#include "solardate/PropertyBag.h"

namespace Sorvan
{

void PropertyBag::write(const QString &key, const QVariant &value, const QVariant &defaultValue)
{
    const qsizetype index = indexOf(key);
    if (value == defaultValue) {
        if (index >= 0)
            m_entries.removeAt(index);
    } else if (index >= 0) {
        m_entries[index].second = value;
    } else {
        m_entries.append({key, value});
    }
}

QVariant PropertyBag::read(const QString &key, const QVariant &defaultValue) const
{
    const qsizetype index = indexOf(key);
    return index >= 0 ? m_entries.at(index).second : defaultValue;
}

bool PropertyBag::contains(const QString &key) const
{
    return indexOf(key) >= 0;
}

QStringList PropertyBag::keys() const
{
    QStringList result;
    result.reserve(m_entries.size());
    for (const auto &entry : m_entries)
        result.append(entry.first);
    return result;
}

qsizetype PropertyBag::indexOf(const QString &key) const
{
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        if (m_entries.at(i).first == key)
            return i;
    }
    return -1;
}

} // namespace Sorvan
