// The six layers on a scene, with a fixed position shown, for benchmarks.
#pragma once

#include "render/CompositionRenderer.h"
#include "render/CompositionScene.h"
#include "render/Compositions.h"

#include <memory>
#include <vector>

namespace tarnvik::bench {

inline std::vector<std::unique_ptr<CompositionRenderer>> makeStack(CompositionScene& scene) {
    std::vector<std::unique_ptr<CompositionRenderer>> stack;
    for (const QString& name : compositionNames())
        if (auto r = CompositionRenderer::create(scene, compositionPath(name))) stack.push_back(std::move(r));
    for (auto& r : stack) {
        r->setValue(QStringLiteral("HIDDEN_latitude"), QStringLiteral(" 60°25.1234 N"));
        r->setValue(QStringLiteral("HIDDEN_longitude"), QStringLiteral("  5°19.5678 E"));
    }
    return stack;
}

} // namespace tarnvik::bench
