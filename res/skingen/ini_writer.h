#pragma once
// Writes the skin INI files from the layout table.
#include <QDir>

namespace quorvel::skingen {

bool WriteMainIni(const QDir& folder);
bool WriteCompositeIni(const QDir& folder);
bool WriteProfileIni(const QDir& folder);

}  // namespace quorvel::skingen
