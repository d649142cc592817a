// One layer's settings: the inputs that the user sets and the settings file
// keeps, read out in live or storage form and set back from either.
#pragma once

#include "render/Plist.h"
#include "render/SettingsCheck.h"

#include <QList>
#include <QString>
#include <QVariantMap>

namespace tarnvik {

class CompositionRenderer;

// Hidden inputs ("HIDDEN_...") belong to the navigation feed, and inputs of
// other types have no control: neither is a setting.
bool isSetting(const CompositionRenderer& renderer, const QString& key);

// Key to value of every setting that has a value. In storage form, a value
// too large for the settings file is left out (a log line says so), so that
// the file stays readable.
QVariantMap layerValues(const CompositionRenderer& renderer, bool storage, const plist::Limits& limits);

// Settings in whichever form, as the settings file keeps them: colours and
// images in live form are stored (or left out where too large); the rest
// stays as it is.
QVariantMap storedForm(const QVariantMap& values, const plist::Limits& limits);

// Sets the settings given, in storage or live form; other keys are ignored.
// The values the renderer could not take as they were, with composition
// left empty.
QList<ValueReset> setLayerValues(CompositionRenderer& renderer, const QVariantMap& values);

} // namespace tarnvik
