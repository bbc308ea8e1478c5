// The names the save commands propose and the extension rule that chooses a
// snapshot's format.
#pragma once

#include <QString>

#include <cstdint>

class TMJPGHeader;

// The event time ("yyyy-mm-dd hh-nn-ss"), the camera, "Фрагмент №" and the
// frame index, separated by blanks.
QString DefaultSnapshotName(const TMJPGHeader& header, int32_t index);
// The event time alone.
QString DefaultFragmentName(const TMJPGHeader& header);
// Text from a fragment made safe to stand in a file name: path separators
// and control characters become "_", so a crafted camera name cannot steer
// the proposed path into another folder.
QString SnapshotFileNamePart(const QString& text);
// The upper-cased extension: from the last "." that follows the last path
// separator or drive colon, the dot included; empty without one.
QString UpperExtension(const QString& path);
