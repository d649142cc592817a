// What of the kept settings could not be used as it was stored, and how the
// user is told: a value of the wrong type, not finite or out of range is
// coerced by its renderer, and that must never pass in silence.
#pragma once

#include "render/CompositionRenderer.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <vector>

namespace tarnvik {

class LayerStack;
class UserDefaults;

// A stored value that was not taken as it was.
struct ValueReset {
    QString composition; // empty: the whole "settings" entry
    QString input;       // display name; empty: the composition's whole entry
    QString stored;      // what the file holds, in words
    QString used;        // what is used now, in words
};

// Whether the renderer took the stored value (storage or live form) as it was.
bool takenAsStored(PortType type, const QVariant& stored, const QVariant& accepted);
QString describeStored(const QVariant& value);
QString describeUsed(PortType type, const QVariant& accepted);

struct SettingsNotice {
    QString text;
    bool alert = false; // all settings lost, rather than some values reset
};

// Hands the kept "settings" to the layers. Where the file was set aside, or
// values were reset, the file as read is first copied aside and the notices
// say what happened, for the caller to show.
std::vector<SettingsNotice> restoreSettings(LayerStack& layers, UserDefaults& defaults);

} // namespace tarnvik
