#include "app/CompressionChoice.h"

#include "app/CompressionDialog.h"
#include "render/UserDefaults.h"

#include <QApplication>
#include <QtGlobal>

extern "C" {
#include <libavutil/error.h>
}

namespace tarnvik {

CompressionOptionsPtr userCompressionOptions(std::uint32_t* codecType, double* frameRate,
                                             const QString& autosaveName, UserDefaults* defaults, QWidget* parent,
                                             const CompressionDialogRunner& run) {
    bool anyCodec = false;
    for (const CodecInfo& c : movieCodecs()) anyCodec |= codecAvailable(c.type);
    // The dialog is a widget: it needs a widget application.
    if (!anyCodec || !qobject_cast<QApplication*>(QCoreApplication::instance())) {
        qWarning("Compression component opening failed");
        return nullptr;
    }
    CompressionDialog dialog(parent);
    const bool autosave = !autosaveName.isEmpty() && defaults;
    if (autosave) {
        const QVariant stored = defaults->value(autosaveName);
        if (stored.isValid()) {
            CompressionSettings s;
            if (const int err = s.parse(stored.toByteArray()); err != 0)
                qWarning("SCSetSettingsFromAtomContainer() failed with error %i", err);
            else
                dialog.setSettings(s);
        }
    }
    const int result = run ? run(dialog) : (dialog.exec() == QDialog::Accepted ? 0 : 1);
    if (result == 1) return nullptr;
    if (result != 0) {
        qWarning("SCRequestSequenceSettings() failed with error %i", result);
        return nullptr;
    }
    const CompressionSettings chosen = dialog.settings();
    if (autosave) {
        defaults->setValue(autosaveName, chosen.serialize());
        defaults->synchronize(); // kept even if the program does not end cleanly
    }
    if (!codecAvailable(chosen.codec)) {
        qWarning("SCCopyCompressionSessionOptions() failed with error %i", AVERROR_ENCODER_NOT_FOUND);
        return nullptr;
    }
    auto options = std::make_shared<CompressionOptions>(chosen.options());
    if (codecType) *codecType = chosen.codec;
    if (frameRate) *frameRate = chosen.frameRate;
    return options;
}

} // namespace tarnvik
