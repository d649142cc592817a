// The six layers on a scene, with a fixed position shown, for benchmarks.
#pragma once

#include "render/CompositionRenderer.h"
#include "render/CompositionScene.h"
#include "render/Compositions.h"
#include "render/LayerStack.h"
#include "render/NavigationFeed.h"

#include <memory>
#include <vector>

namespace tarnvik::bench {

inline const OverlayValues kShown = fixedOverlay(QStringLiteral(" 60°25.1234 N"), QStringLiteral("  5°19.5678 E"), 0.0);

// The stack as the application draws it.
inline std::unique_ptr<LayerStack> loadStack(CompositionScene& scene) {
    auto stack = std::make_unique<LayerStack>();
    stack->load(&scene);
    stack->showNavigation(kShown);
    return stack;
}

// The renderers alone, each drawn by the caller.
inline std::vector<std::unique_ptr<CompositionRenderer>> makeStack(CompositionScene& scene) {
    std::vector<std::unique_ptr<CompositionRenderer>> stack;
    for (const QString& name : compositionNames())
        if (auto r = CompositionRenderer::create(scene, compositionPath(name))) stack.push_back(std::move(r));
    for (auto& r : stack) {
        r->setValue(QStringLiteral("HIDDEN_latitude"), kShown.latitude);
        r->setValue(QStringLiteral("HIDDEN_longitude"), kShown.longitude);
    }
    return stack;
}

} // namespace tarnvik::bench
