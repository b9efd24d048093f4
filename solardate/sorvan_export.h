// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QtCore/qglobal.h>

#if defined(SORVAN_LIBRARY)
#define SORVAN_EXPORT Q_DECL_EXPORT
#else
#define SORVAN_EXPORT Q_DECL_IMPORT
#endif
