// The signing key of an export in the window: read and checked before the
// export writes anything, its passphrase asked in a password dialog when
// the key is protected (never kept).
#pragma once

#include "export/exportsigning.h"

#include <QString>

#include <memory>

class QWidget;

// The key and certificate ready to sign; none when the user cancelled the
// password dialog or they cannot sign (the reason then shown in a message).
std::shared_ptr<const TSigningKey> LoadSigningKey(QWidget* parent, const QString& keyPath, const QString& certPath);
