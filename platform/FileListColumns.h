// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIdentityProxyModel>

// The file dialogs' size, type and date columns as the clerk reads them: sizes in Persian units
// ("12 کيلوبايت", not "12 KiB"), a job file named as one rather than "JET database", and the
// solar date.
class FileListColumns : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    static QString sizeText(qint64 bytes);
};
