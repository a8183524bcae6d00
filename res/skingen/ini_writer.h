#pragma once
// Writes the skin INI files from the layout table.
#include <QDir>

namespace quorvel::skingen {

bool WriteMainIni(const QDir& folder);
bool WriteCompositeIni(const QDir& folder);
bool WriteProfileIni(const QDir& folder);
bool WriteProgramProfilesIni(const QDir& folder);
// The factory user colour file (number 3) that restoring the lighting defaults copies over a
// profile's user colour file.
bool WriteFactoryUserColours(const QDir& folder);

}  // namespace quorvel::skingen
