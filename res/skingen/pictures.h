#pragma once
// Every picture of the skin, drawn from the layout table and saved into the skin folder.
#include <QDir>
#include <QString>

namespace quorvel::skingen {

// Each returns false after printing what could not be written.
bool WriteMainPictures(const QDir& folder);
bool WriteLightingPictures(const QDir& folder);
bool WriteCompositePictures(const QDir& folder);
bool WriteProfilePictures(const QDir& folder);
bool WriteProgramProfilesPictures(const QDir& folder);

}  // namespace quorvel::skingen
