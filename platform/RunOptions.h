// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Options given on the command line that windows deep in the program need.
namespace RunOptions
{

// When set, every print job becomes the next numbered PDF file in this folder.
inline QString printToPdfFolder;

} // namespace RunOptions
