// The sizes the picture can be rendered at: what OpenGL here takes, and
// what the encoders of recordings and live outputs take (4:2:0 codecs need
// even sides; none takes pictures under 16 pixels a side).
#pragma once

#include <QList>
#include <QSize>
#include <QString>

namespace tarnvik {

inline constexpr int kLeastRenderSide = 16;
inline constexpr int kMostRenderSide = 8192;
inline const QSize kDefaultRenderSize{720, 576};

// Offered beside the size fields.
const QList<QSize>& typicalRenderSizes();

// "720×576".
QString sizeText(QSize size);

// Why the picture cannot be rendered at that size, as the end of a sentence
// ("it must be at least 16×16"); empty when it can. openGLLargest: the
// largest side OpenGL takes here; 0 when not known yet.
QString renderSizeProblem(QSize size, int openGLLargest = 0);

} // namespace tarnvik
